#pragma once

#include "EchoTransport.h"

#include <QHash>
#include <QList>
#include <QString>

namespace monitor {

// An echo transport that follows a script instead of the network.
//
// Each address has a list of behaviours, one per attempt of a pass (the
// last one repeats): answer after a delay, stay silent, or fail to send. An
// address without a script answers every attempt at once. Replies come
// through the event loop after their delay, in whatever order the delays
// give, and a reply scheduled before close() is still delivered afterwards
// (a transport that leaks late replies), so the engine's own matching is
// what keeps it out.
class FakeEchoTransport final : public EchoTransport
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeEchoTransport)

public:
    struct Behaviour
    {
        enum Kind { Reply, Silent, SendFails };
        Kind kind = Reply;
        int delayMs = 0;     // Reply: after this long
        int status = 0;      // SendFails: what send() returns

        static Behaviour reply(int delayMs = 0) { return {Reply, delayMs, 0}; }
        static Behaviour silent() { return {Silent, 0, 0}; }
        static Behaviour sendFails(int status = EchoTransport::GeneralFailure) { return {SendFails, 0, status}; }
    };

    struct Request
    {
        HostAddress address;
        quint32 cookie;
        int attempt;  // 1.. within the pass
        QByteArray payload;
    };

    explicit FakeEchoTransport(QObject *parent = nullptr);
    ~FakeEchoTransport() override;

    void script(const QString &address, const QList<Behaviour> &attempts);
    void setDown(const QString &address) { script(address, {Behaviour::silent()}); }
    void setUp(const QString &address) { script(address, {Behaviour::reply()}); }
    void setAvailable(bool available) { m_available = available; }

    // Sends a reply now, as a network would deliver a stray or late one;
    // ageNs: how long ago it arrived, as a kernel's time stamp tells.
    void deliver(quint32 cookie, const HostAddress &fromAddress, qint64 ageNs = 0)
    {
        emit replyReceived(cookie, fromAddress, ageNs);
    }

    bool open(int expectedRequests, QString *why) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    int send(const HostAddress &address, const QByteArray &payload, quint32 *cookie) override;

    static HostAddress address(const QString &text);

    QList<Request> requests;     // every request since construction
    int opens = 0;
    int openFailures = 0;
    int closes = 0;

private:
    QHash<HostAddress, QList<Behaviour>> m_scripts;
    QHash<HostAddress, int> m_attemptsThisPass;
    bool m_available = true;
    bool m_open = false;
    quint32 m_nextCookie = 1000;
};

} // namespace monitor
