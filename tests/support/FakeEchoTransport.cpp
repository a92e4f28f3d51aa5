#include "FakeEchoTransport.h"

#include "EchoProbe.h"

#include <QTimer>

namespace monitor {

FakeEchoTransport::FakeEchoTransport(QObject *parent)
    : EchoTransport(parent)
{
}

FakeEchoTransport::~FakeEchoTransport() = default;

HostAddress FakeEchoTransport::address(const QString &text)
{
    HostAddress value;
    HostAddress::parse(text, &value);
    return value;
}

void FakeEchoTransport::script(const QString &address, const QList<Behaviour> &attempts)
{
    m_scripts.insert(FakeEchoTransport::address(address), attempts);
}

bool FakeEchoTransport::open(int, QString *why)
{
    if (!m_available) {
        ++openFailures;
        if (why)
            *why = QStringLiteral("Operation not permitted");
        return false;
    }
    ++opens;
    m_open = true;
    m_attemptsThisPass.clear();
    return true;
}

void FakeEchoTransport::close()
{
    ++closes;
    m_open = false;
}

int FakeEchoTransport::send(const HostAddress &address, const QByteArray &payload, quint32 *cookie)
{
    if (!m_open)
        return GeneralFailure;
    const int attempt = ++m_attemptsThisPass[address];
    const quint32 id = m_nextCookie++;
    requests.append({address, id, attempt, payload});

    const QList<Behaviour> script = m_scripts.value(address, {Behaviour::reply()});
    const Behaviour b = script.isEmpty() ? Behaviour::reply()
                                         : script.at(qMin(attempt, int(script.size())) - 1);
    if (b.kind == Behaviour::SendFails)
        return b.status;
    *cookie = id;
    if (b.kind == Behaviour::Reply)
        QTimer::singleShot(b.delayMs, this, [this, id, address] { emit replyReceived(id, address); });
    return 0;
}

} // namespace monitor
