#include "PollingEngine.h"

#include "Clock.h"
#include "Database.h"
#include "DateTimeText.h"
#include "EchoProbe.h"
#include "EchoTransport.h"
#include "ConnectionWatch.h"
#include "ServerOutageStore.h"
#include "SqliteOutageStore.h"
#include "Statements.h"
#include "WriteQueue.h"
#include "AddressLimits.h"

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
    , m_store(std::make_unique<SqliteOutageStore>(m_connectionName))
    , m_queue(new WriteQueue(m_store.get(), this))
{
    connect(m_probe, &EchoProbe::hostFinished, this, &PollingEngine::onHostDecided);
    connect(m_probe, &EchoProbe::finished, this, &PollingEngine::onProbeFinished);
    connect(m_queue, &WriteQueue::writeFailed, this, [this](const OutageWrite &w, const QString &error) {
        reportDatabaseError(w.kind == OutageWrite::Begin ? tr("Не удалось записать начало сбоя для %1").arg(w.ip)
                                                         : tr("Не удалось записать окончание сбоя для %1").arg(w.ip),
                            error);
    });
}

void PollingEngine::setConnectionName(const QString &name)
{
    m_connectionName = name;
    m_store->setConnectionName(name);
    if (m_serverStore)
        m_serverStore->setConnectionName(name);
}

void PollingEngine::setConnectionWatch(ConnectionWatch *watch)
{
    m_watch = watch;
    if (watch) {
        m_serverStore = std::make_unique<ServerOutageStore>(m_connectionName, watch);
        m_queue->setStore(m_serverStore.get());
    } else {
        m_queue->setStore(m_store.get());
        m_serverStore.reset();
    }
}

bool PollingEngine::connectionUsable() const
{
    return QSqlDatabase::database(m_connectionName, false).isOpen() && (!m_watch || m_watch->usable());
}

bool PollingEngine::startOfflinePass()
{
    if (!m_watch || !m_haveLastBook)
        return false;
    m_book.reset();
    m_hosts = m_lastBook;
    // The kept writes are in this picture already: it is what the last pass
    // left, its own writes included.
    m_openRows = m_lastOpenRows;
    m_openRowsKnown = m_haveLastOpenRows;
    QTimer::singleShot(0, this, [this] {
        if (m_running && !m_stopped)
            startProbing();
    });
    return true;
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
    // Writes kept by another program's lock are tried again at every tick.
    if (!m_stopped && !m_queue->isEmpty())
        m_queue->retry();
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
    m_decided.clear();
    m_probeDone = false;
    emit passStarted();

    // A file missing at start-up (or unopenable then) is tried at every
    // pass; the opener tells the operator what happened.
    if (!connectionUsable()) {
        if (!m_opener || !m_opener() || !connectionUsable()) {
            if (!startOfflinePass())
                QTimer::singleShot(0, this, &PollingEngine::finishPass);
            return;
        }
    }
    if (!m_queue->isEmpty())
        m_queue->retry();

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
        m_decided.clear();
    }
    m_running = false;
}

// Without the book nothing can be probed or logged in this pass.
void PollingEngine::failBook()
{
    // The server went away: the pass goes on with what the last one read.
    if (m_watch && m_book && m_watch->lost(m_book->lastError())) {
        m_book.reset();
        m_hosts.clear();
        if (startOfflinePass())
            return;
        QTimer::singleShot(0, this, &PollingEngine::finishPass);
        return;
    }
    reportDatabaseError(tr("Не удалось прочитать список адресов"), statementError(*m_book));
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
        const QVariant stored = m_book->value(2);
        bool ok = false;
        const qlonglong timeout = stored.isNull() ? 0 : stored.toLongLong(&ok);
        if (!ok) {
            // Text or NULL: no timeout to probe with, so the host is left
            // out of the pass, and the operator learns why.
            tellOnce(QStringLiteral("timeout:") + h.ip,
                     tr("Адрес %1 не проверяется: значение ping_timeout «%2» не является числом миллисекунд. "
                        "Исправьте его в программе администрирования.")
                         .arg(h.ip, stored.isNull() ? QStringLiteral("NULL") : stored.toString()));
        } else {
            if (timeout > AddressLimits::MaxPingTimeoutMs) {
                // A day-long timeout would hold this host's outage for months.
                tellOnce(QStringLiteral("clamp:") + h.ip,
                         tr("Адрес %1: ping_timeout %2 мс больше допустимого, используется %3 мс.")
                             .arg(h.ip)
                             .arg(timeout)
                             .arg(AddressLimits::MaxPingTimeoutMs));
                h.timeoutMs = AddressLimits::MaxPingTimeoutMs;
            } else {
                h.timeoutMs = timeout < AddressLimits::MinPingTimeoutMs ? MinimumTimeoutReplacement : int(timeout);
            }
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
    m_lastBook = m_hosts;
    m_haveLastBook = true;
    // The open rows are known before the first host is decided; the host's
    // own writes keep the picture up to date from then on.
    m_openRowsKnown = m_hosts.empty() || readOpenOutages();
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
    auto fail = [&] {
        // Lost between the book and the open rows: the picture the last
        // pass left still holds, kept writes included.
        if (m_watch && m_watch->lost(query.lastError())) {
            m_openRows = m_lastOpenRows;
            return m_haveLastOpenRows;
        }
        reportDatabaseError(tr("Не удалось прочитать открытые записи о сбоях"), statementError(query));
        m_openRows.clear();
        return false;
    };
    if (!runStatement(query, Statements::SelectAllOpenOutages))
        return fail();
    while (query.next())
        ++m_openRows[query.value(1).toString()];
    if (query.lastError().isValid())
        return fail();
    // Writes still kept by a lock are part of the log already, as far as
    // the decisions go: a kept Begin is an open row, a kept End closed one.
    for (const OutageWrite &w : m_queue->pending()) {
        int &open = m_openRows[w.ip];
        if (w.kind == OutageWrite::Begin)
            open = qMax(open, 1);
        else if (open > 0)
            --open;
    }
    return true;
}

void PollingEngine::onHostDecided(int index)
{
    if (m_stopped || !m_running)
        return;
    m_decided.push_back({size_t(index), m_clock->now()});
    scheduleEffects();
}

void PollingEngine::onProbeFinished()
{
    if (m_stopped)
        return;
    if (m_transport && m_transport->isOpen())
        m_transport->close();
    m_probeDone = true;
    scheduleEffects();
}

// Effects are applied from the event loop, not from inside the probe's own
// handlers: a slot of ours may end the watch, and the probe must not be
// torn down under its feet.
void PollingEngine::scheduleEffects()
{
    if (m_effectsScheduled)
        return;
    m_effectsScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_effectsScheduled = false;
        applyEffects();
    });
}

void PollingEngine::applyEffects()
{
    // A slot connected to our signals may let pending events run; a slice
    // timer firing then must not start a second slice inside this one.
    if (m_applying || m_stopped || !m_running)
        return;
    m_applying = true;
    QElapsedTimer slice;
    slice.start();
    while (!m_decided.empty()) {
        const Decided d = m_decided.front();
        m_decided.pop_front();
        Do_It(d);
        // A slot of the last effect may have ended the program's watch.
        if (m_stopped) {
            m_applying = false;
            m_hosts.clear();
            m_openRows.clear();
            m_decided.clear();
            return;
        }
        if (slice.nsecsElapsed() > EffectSliceNs && !m_decided.empty()) {
            m_applying = false;
            scheduleEffects();
            return;
        }
    }
    m_applying = false;
    if (m_probeDone)
        finishPass();
}

// The outcome of one host in this pass, turned into its row change and alert.
void PollingEngine::Do_It(const Decided &d)
{
    const Host &h = m_hosts[d.index];
    const EchoProbe::Result &r = m_probe->results()[d.index];
    // Not probed (no echo facility) or no knowledge of its open rows: the
    // host's state is unknown, so nothing may change.
    if (r.status == EchoProbe::NotProbed || !m_openRowsKnown)
        return;

    int &open = m_openRows[h.ip];
    if (r.status == EchoProbe::Answered) {
        if (open == 0)
            return;
        // A second book row of the same address closes the next open row.
        --open;
        m_queue->submit({OutageWrite::End, h.ip, QString(), d.at});
        if (m_restCount < 255)
            ++m_restCount;
        m_effectAt = d.at;
        emit outageEnded(h.ip, h.desc, h.timeoutMs);
        return;
    }

    if (open > 0)
        return;  // the outage already logged goes on
    // A second book row of the same address finds this row open. A write
    // the database refuses is told by the queue; the operator must still
    // hear that the host is down.
    open = 1;
    m_queue->submit({OutageWrite::Begin, h.ip, h.desc, d.at});
    ++m_errCount;
    m_effectAt = d.at;
    emit outageBegan(h.ip, h.desc, h.timeoutMs);
}

void PollingEngine::finishPass()
{
    if (m_stopped)
        return;
    // What the database holds once every kept write is made, for a pass
    // that cannot read it.
    if (m_openRowsKnown && m_haveLastBook) {
        m_lastOpenRows = m_openRows;
        m_haveLastOpenRows = true;
    }
    m_lastStates.clear();
    if (m_openRowsKnown) {
        const auto &results = m_probe->results();
        for (size_t i = 0; i < m_hosts.size() && i < results.size(); ++i) {
            if (results[i].status != EchoProbe::NotProbed)
                m_lastStates.insert(m_hosts[i].ip, m_openRows.value(m_hosts[i].ip) > 0);
        }
    }
    m_hosts.clear();
    m_openRows.clear();
    m_decided.clear();
    m_lastCheck = m_clock->now();
    m_running = false;
    emit passFinished(m_errCount, m_restCount);
}

void PollingEngine::reportDatabaseError(const QString &what, const QString &errorText)
{
    qWarning("%s: %s", qUtf8Printable(what), qUtf8Printable(errorText));
    emit databaseError(what, errorText);
}

void PollingEngine::tellOnce(const QString &key, const QString &text)
{
    if (m_told.contains(key))
        return;
    m_told.insert(key);
    qWarning("%s", qUtf8Printable(text));
    emit notice(text);
}

void PollingEngine::reportUnavailable(const QString &why)
{
    if (m_unavailableReported)
        return;
    m_unavailableReported = true;
    const QString program = QCoreApplication::applicationFilePath();
    const QString message =
        tr("Проверка адресов невозможна: не удалось открыть ICMP-сокет (%1).\n"
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
