#include "PollingEngine.h"

#include "Clock.h"
#include "Database.h"
#include "DateTimeText.h"
#include "EchoProbe.h"
#include "EchoTransport.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlError>
#include <QTimer>

#include <limits>
#include <memory>

namespace monitor {

namespace {

// Effects are applied in slices of about this length, so that a pass that
// opens or closes many outages never holds the event loop for long.
constexpr qint64 EffectSliceNs = 10'000'000;
// The same for reading a large address book.
constexpr qint64 ReadSliceNs = 8'000'000;

qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

PollingEngine::PollingEngine(EchoTransport *transport, const Clock *clock, QObject *parent)
    : QObject(parent)
    , m_transport(transport)
    , m_clock(clock)
    , m_probe(new EchoProbe(transport, this))
    , m_connectionName(QLatin1String(QSqlDatabase::defaultConnection))
{
    connect(m_probe, &EchoProbe::finished, this, &PollingEngine::onProbeFinished);
}

PollingEngine::~PollingEngine()
{
    m_probe->abort();
    if (m_transport && m_transport->isOpen())
        m_transport->close();
}

void PollingEngine::setRefreshSecs(int secs)
{
    m_refreshSecs = secs;
}

QString PollingEngine::countsText() const
{
    return QStringLiteral("%1 : %2").arg(m_errCount).arg(m_restCount);
}

qint64 PollingEngine::elapsedSeconds() const
{
    // Never checked: the pass is due.
    if (!m_lastCheck.isValid())
        return qint64(m_refreshSecs) + 1;
    // Boundaries crossed, not whole seconds: 12:00:00.900 to 12:00:01.100 is one.
    return floorDiv(m_clock->now().toMSecsSinceEpoch(), 1000) - floorDiv(m_lastCheck.toMSecsSinceEpoch(), 1000);
}

int PollingEngine::secondsLeft() const
{
    const qint64 left = qint64(m_refreshSecs) - elapsedSeconds();
    return int(qBound(qint64(std::numeric_limits<int>::min()), left, qint64(std::numeric_limits<int>::max())));
}

void PollingEngine::tick()
{
    const qint64 elapsed = elapsedSeconds();
    emit countdownChanged(secondsLeft());
    // lastCheck is renewed only when a pass ends, so a tick during a pass
    // still finds the period elapsed: the running flag keeps it to one pass.
    if (elapsed > m_refreshSecs && !m_running)
        CheckAll();
}

void PollingEngine::CheckAll()
{
    if (m_running || m_stopped)
        return;
    m_running = true;
    m_errCount = 0;
    m_restCount = 0;
    m_hosts.clear();
    m_openRows.clear();
    m_openRowsKnown = false;
    m_nextEffect = 0;
    emit passStarted();

    m_book = std::make_unique<QSqlQuery>(QSqlDatabase::database(m_connectionName, false));
    if (!runStatement(*m_book, Statements::SelectAddressesForPass)) {
        failBook();
        return;
    }
    readAddressBook();
}

void PollingEngine::stop()
{
    m_stopped = true;
    m_probe->abort();
    if (m_transport && m_transport->isOpen())
        m_transport->close();
    m_book.reset();
    // Effects being applied hold a host of the list: the loop ends on the flag.
    if (!m_applying) {
        m_hosts.clear();
        m_openRows.clear();
    }
    m_running = false;
}

// Without the book nothing can be probed or logged in this pass.
void PollingEngine::failBook()
{
    reportDatabaseError(QStringLiteral("Не удалось прочитать список адресов"), statementError(*m_book));
    m_book.reset();
    m_hosts.clear();
    QTimer::singleShot(0, this, &PollingEngine::finishPass);
}

void PollingEngine::readAddressBook()
{
    if (!m_book)
        return;
    QElapsedTimer slice;
    slice.start();
    while (m_book->next()) {
        Host h;
        h.ip = m_book->value(0).toString();
        h.desc = m_book->value(1).toString();
        bool ok = false;
        const qlonglong timeout = m_book->value(2).toLongLong(&ok);
        // A row whose timeout is not a 32-bit number is left out of this pass.
        if (ok && timeout >= std::numeric_limits<int>::min() && timeout <= std::numeric_limits<int>::max()) {
            h.timeoutMs = timeout < 1 ? MinimumTimeoutReplacement : int(timeout);
            m_hosts.push_back(std::move(h));
        }
        if (slice.nsecsElapsed() > ReadSliceNs) {
            QTimer::singleShot(0, this, &PollingEngine::readAddressBook);
            return;
        }
    }
    if (m_book->lastError().isValid()) {
        failBook();
        return;
    }
    m_book.reset();
    startProbing();
}

void PollingEngine::startProbing()
{
    QList<EchoProbe::Target> targets;
    targets.reserve(qsizetype(m_hosts.size()));
    for (const Host &h : m_hosts)
        targets.append({h.ip, h.timeoutMs});

    bool ready = false;
    if (!m_hosts.empty() && m_transport) {
        QString why;
        ready = m_transport->open(int(m_hosts.size()) * EchoProbe::Attempts, &why);
        if (ready)
            m_unavailableReported = false;
        else
            reportUnavailable(why);
    }
    m_probe->start(targets, ready);
}

bool PollingEngine::readOpenOutages()
{
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (!runStatement(query, Statements::SelectAllOpenOutages)) {
        reportDatabaseError(QStringLiteral("Не удалось прочитать открытые записи о сбоях"), statementError(query));
        return false;
    }
    while (query.next())
        m_openRows[query.value(1).toString()].append(query.value(0).toLongLong());
    if (query.lastError().isValid()) {
        reportDatabaseError(QStringLiteral("Не удалось прочитать открытые записи о сбоях"), statementError(query));
        return false;
    }
    return true;
}

void PollingEngine::onProbeFinished()
{
    if (m_stopped)
        return;
    if (m_transport && m_transport->isOpen())
        m_transport->close();
    // The open rows are read after probing, as a host-by-host pass reads them
    // after its attempts: rows that admin cleared meanwhile are not reused.
    m_openRowsKnown = m_hosts.empty() || readOpenOutages();
    m_nextEffect = 0;
    applyEffects();
}

void PollingEngine::applyEffects()
{
    // A slot connected to our signals may let pending events run; a slice
    // timer firing then must not start a second slice inside this one.
    if (m_applying || m_stopped)
        return;
    m_applying = true;
    QElapsedTimer slice;
    slice.start();
    while (m_nextEffect < m_hosts.size()) {
        Do_It(m_nextEffect++);
        // A slot of the last effect may have ended the program's watch.
        if (m_stopped) {
            m_applying = false;
            m_hosts.clear();
            m_openRows.clear();
            return;
        }
        if (slice.nsecsElapsed() > EffectSliceNs && m_nextEffect < m_hosts.size()) {
            m_applying = false;
            QTimer::singleShot(0, this, &PollingEngine::applyEffects);
            return;
        }
    }
    m_applying = false;
    finishPass();
}

// The outcome of one host in this pass, turned into its row change and alert.
void PollingEngine::Do_It(size_t index)
{
    const Host &h = m_hosts[index];
    const EchoProbe::Result &r = m_probe->results()[index];
    // Not probed (no echo facility) or no knowledge of its open rows: the
    // host's state is unknown, so nothing may change.
    if (r.status == EchoProbe::NotProbed || !m_openRowsKnown)
        return;

    QList<qint64> &open = m_openRows[h.ip];
    if (r.status == EchoProbe::Answered) {
        if (open.isEmpty())
            return;
        const qint64 id = open.constFirst();
        QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
        if (runStatement(query, Statements::CloseOutage,
                         {DateTimeText::fromDateTime(m_clock->now()), id})) {
            // A second book row of the same address closes the next open row.
            open.removeFirst();
        } else {
            reportDatabaseError(QStringLiteral("Не удалось записать окончание сбоя для %1").arg(h.ip),
                                statementError(query));
        }
        if (m_restCount < 255)
            ++m_restCount;
        emit outageEnded(h.ip, h.desc, h.timeoutMs);
        return;
    }

    if (!open.isEmpty())
        return;  // the outage already logged goes on
    QSqlQuery query(QSqlDatabase::database(m_connectionName, false));
    if (runStatement(query, Statements::InsertOutage, {h.ip, h.desc})) {
        // A second book row of the same address finds this row open.
        open.append(query.lastInsertId().toLongLong());
    } else {
        // The operator must still hear that the host is down.
        reportDatabaseError(QStringLiteral("Не удалось записать начало сбоя для %1").arg(h.ip),
                            statementError(query));
    }
    ++m_errCount;
    emit outageBegan(h.ip, h.desc, h.timeoutMs);
}

void PollingEngine::finishPass()
{
    if (m_stopped)
        return;
    m_hosts.clear();
    m_openRows.clear();
    m_lastCheck = m_clock->now();
    m_running = false;
    emit passFinished(m_errCount, m_restCount);
}

void PollingEngine::reportDatabaseError(const QString &what, const QString &errorText)
{
    qWarning("%s: %s", qUtf8Printable(what), qUtf8Printable(errorText));
    emit databaseError(what, errorText);
}

void PollingEngine::reportUnavailable(const QString &why)
{
    if (m_unavailableReported)
        return;
    m_unavailableReported = true;
    const QString program = QCoreApplication::applicationFilePath();
    const QString message =
        QStringLiteral("Проверка адресов невозможна: не удалось открыть ICMP-сокет (%1).\n"
                       "Пока это так, состояние адресов не меняется и сбои не записываются.\n\n"
                       "Чтобы исправить, сделайте одно из двух:\n"
                       "• разрешите ICMP-сокеты без привилегий:\n"
                       "  sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"\n"
                       "  (чтобы сохранить после перезагрузки, добавьте строку\n"
                       "  net.ipv4.ping_group_range = 0 2147483647 в файл /etc/sysctl.d/90-ping.conf);\n"
                       "• или дайте программе право на raw-сокеты:\n"
                       "  sudo setcap cap_net_raw+ep \"%2\"")
            .arg(why, program);
    qWarning("%s", qUtf8Printable(message));
    emit probeUnavailable(message);
}

} // namespace monitor
