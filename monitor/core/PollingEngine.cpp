#include "PollingEngine.h"

#include "Clock.h"
#include "Database.h"
#include "Failure.h"
#include "DateTimeText.h"
#include "EchoProbe.h"
#include "EchoTransport.h"
#include "HostAddress.h"
#include "MonotonicClock.h"
#include "ConnectionWatch.h"
#include "DatabaseExecutor.h"
#include "LocalNetwork.h"
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
    , m_executor(new DatabaseExecutor(m_connectionName, this))
    , m_bookWait(new QTimer(this))
    , m_store(std::make_unique<SqliteOutageStore>(m_connectionName))
    , m_queue(new WriteQueue(m_store.get(), this))
{
    m_bookWait->setSingleShot(true);
    m_bookWait->setInterval(BookWaitMs);
    connect(m_bookWait, &QTimer::timeout, this, &PollingEngine::onBookWaitOver);
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
    m_executor->setConnectionName(name);
    m_store->setConnectionName(name);
    if (m_serverStore)
        m_serverStore->setConnectionName(name);
}

void PollingEngine::setDatabaseOpener(std::function<bool()> opener)
{
    if (!opener) {
        m_opener = nullptr;
        return;
    }
    m_opener = [opener = std::move(opener)](std::function<void(bool)> done) { done(opener()); };
}

void PollingEngine::setExecutor(DatabaseExecutor *executor)
{
    m_executor = executor;
    setConnectionName(executor->connectionName());
    connect(executor, &DatabaseExecutor::replaced, this, &PollingEngine::onExecutorReplaced);
    if (!executor->isThreaded())
        return;
    // Each write runs on the database thread; the queue learns its outcome
    // there from the store the queue had when the write was handed over.
    m_queue->setDispatcher([this](const OutageWrite &w, WriteQueue::Done done) {
        OutageStore *store = m_queue->store();
        auto outcome = std::make_shared<std::pair<OutageStore::Outcome, QString>>(OutageStore::Outcome::RetryLater,
                                                                                  QString());
        m_executor->run(
            this, [store, w, outcome](QSqlDatabase) { outcome->first = store->write(w, &outcome->second); },
            [outcome, done] { done(outcome->first, outcome->second); });
    });
}

void PollingEngine::onExecutorReplaced()
{
    m_connectionName = m_executor->connectionName();
    m_store->setConnectionName(m_connectionName);
    // The thread took the answers it owed with it: the write under way is
    // kept for later, and a pass waiting for its book goes on without it.
    m_queue->abandonInFlight();
    if (m_bookAwaited)
        onBookWaitOver();
}

void PollingEngine::setConnectionWatch(ConnectionWatch *watch)
{
    m_watch = watch;
    if (m_serverStore)
        m_retiredStores.push_back(std::move(m_serverStore));
    if (watch) {
        m_serverStore = std::make_unique<ServerOutageStore>(m_connectionName, watch);
        m_queue->setStore(m_serverStore.get());
    } else {
        m_queue->setStore(m_store.get());
    }
}

bool PollingEngine::startOfflinePass()
{
    if (!m_watch || !m_haveLastBook)
        return false;
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

void PollingEngine::setLastCheck(const QDateTime &t)
{
    m_lastCheck = t;
    if (m_scheduleClock)
        m_lastCheckNs = m_scheduleClock->nsecs();
    m_knownStepMs = 0;
}

void PollingEngine::setScheduleClock(const MonotonicClock *clock)
{
    m_scheduleClock = clock;
    setLastCheck(m_lastCheck);
}

qint64 PollingEngine::scheduleNowMs() const
{
    if (!m_scheduleClock)
        return m_clock->now().toMSecsSinceEpoch();
    // The wall time of the last pass moved on by the boot-time clock: the
    // countdown keeps its second boundaries whatever the wall clock does.
    return m_lastCheck.toMSecsSinceEpoch() + floorDiv(m_scheduleClock->nsecs() - m_lastCheckNs, 1'000'000);
}

qint64 PollingEngine::elapsedSeconds() const
{
    // Never checked: the pass is due.
    if (!m_lastCheck.isValid())
        return qint64(m_refreshSecs) + 1;
    // Boundaries crossed, not whole seconds: 12:00:00.900 to 12:00:01.100 is one.
    return floorDiv(scheduleNowMs(), 1000) - floorDiv(m_lastCheck.toMSecsSinceEpoch(), 1000);
}

// The rows are stamped with the wall clock; once it went back, an outage
// may end "before" it began. The store keeps the end at its begin; the
// operator learns why once per step.
// The caller's reading of the clock is the one judged: a pass's end anchors
// the schedule at the very reading it checked, so a step between two readings
// cannot slip into the anchor unseen.
void PollingEngine::noticeClockStep(const QDateTime &now)
{
    if (!m_scheduleClock || !m_lastCheck.isValid())
        return;
    constexpr qint64 StepMs = 2000;
    const qint64 step = now.toMSecsSinceEpoch() - scheduleNowMs();
    if (step > m_knownStepMs - StepMs) {
        // Forward (or back again): remembered, not told.
        if (step > m_knownStepMs)
            m_knownStepMs = step;
        return;
    }
    m_knownStepMs = step;
    const QString text = tr("Системные часы переведены назад (на %n с). Расписание проверок не изменилось; "
                            "окончание сбоя, которое по часам раньше его начала, записывается временем начала.",
                            nullptr, int(qMin<qint64>(-step / 1000, std::numeric_limits<int>::max())));
    qWarning("%s", qUtf8Printable(text));
    emit notice(text);
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
    noticeClockStep(m_clock->now());
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
    m_passProbed = false;
    m_passNoNetwork = false;
    if (m_localNetwork)
        m_localNetwork->newPass();
    emit passStarted();

    m_openerAsked = false;
    if (!m_queue->isEmpty())
        m_queue->retry();
    requestBook();
}

void PollingEngine::requestBook()
{
    const int ticket = ++m_bookTicket;
    m_bookAwaited = true;
    auto read = std::make_shared<BookRead>();
    ConnectionWatch *watch = m_watch;
    if (m_executor->isThreaded())
        m_bookWait->start();
    m_executor->run(
        this, [watch, read](QSqlDatabase db) { readBook(db, watch, read.get()); },
        [this, read, ticket] {
            if (ticket != m_bookTicket || !m_bookAwaited)
                return;  // given up waiting: the pass went on without it
            m_bookAwaited = false;
            m_bookWait->stop();
            if (m_running && !m_stopped)
                onBookRead(*read);
        });
}

// Runs where the connection lives (the database thread).
void PollingEngine::readBook(QSqlDatabase db, ConnectionWatch *watch, BookRead *out)
{
    if (!db.isOpen() || (watch && !watch->usable())) {
        out->status = BookRead::NoDatabase;
        return;
    }
    {
        QSqlQuery book(db);
        bool ok = runStatement(book, Statements::SelectAddressesForPass);
        while (ok && book.next())
            out->rows.push_back(
                {book.value(0).toString(), book.value(1).toString(), book.value(2), book.value(0).isNull()});
        if (!ok || book.lastError().isValid()) {
            out->rows.clear();
            // The server went away: the pass goes on with what the last one read.
            if (watch && watch->lost(book.lastError())) {
                out->status = BookRead::Lost;
            } else {
                out->status = BookRead::Failed;
                out->error = statementError(book);
            }
            return;
        }
    }
    out->status = BookRead::Read;
    QSqlQuery open(db);
    bool ok = runStatement(open, Statements::SelectAllOpenOutages);
    while (ok && open.next()) {
        const QString ip = open.value(1).toString();
        ++out->openRows[ip];
        if (!out->openSince.contains(ip))
            out->openSince.insert(ip, open.value(2));
    }
    if (!ok || open.lastError().isValid()) {
        out->openRows.clear();
        // Lost between the book and the open rows: the picture the last
        // pass left still holds, kept writes included.
        if (watch && watch->lost(open.lastError())) {
            out->openRowsStatus = BookRead::OpenRowsLost;
        } else {
            out->openRowsStatus = BookRead::OpenRowsFailed;
            out->openRowsError = statementError(open);
        }
    }
}

void PollingEngine::onBookWaitOver()
{
    if (!m_bookAwaited)
        return;
    m_bookAwaited = false;
    m_bookWait->stop();
    ++m_bookTicket;
    if (m_running && !m_stopped)
        passWithoutDatabase();
}

void PollingEngine::passWithoutDatabase()
{
    m_hosts.clear();
    if (!startOfflinePass())
        QTimer::singleShot(0, this, &PollingEngine::finishPass);
}

void PollingEngine::onBookRead(const BookRead &read)
{
    switch (read.status) {
    case BookRead::NoDatabase:
        // A file missing at start-up (or unopenable then) is tried at every
        // pass; the opener tells the operator what happened.
        if (m_opener && !m_openerAsked) {
            m_openerAsked = true;
            QPointer<PollingEngine> self(this);
            m_opener([self](bool opened) {
                if (!self || !self->m_running || self->m_stopped)
                    return;
                if (opened)
                    self->requestBook();
                else
                    self->passWithoutDatabase();
            });
            return;
        }
        passWithoutDatabase();
        return;
    case BookRead::Lost:
        passWithoutDatabase();
        return;
    case BookRead::Failed:
        // Without the book nothing can be probed or logged in this pass.
        reportDatabaseError(tr("Не удалось прочитать список адресов"), read.error);
        m_hosts.clear();
        QTimer::singleShot(0, this, &PollingEngine::finishPass);
        return;
    case BookRead::Read:
        break;
    }

    m_hosts.clear();
    for (const BookRead::Row &row : read.rows) {
        Host h;
        h.ip = row.ip;
        h.desc = row.desc;
        if (h.ip.trimmed().isEmpty()) {
            // Nothing to probe: such a row would be "down" at every pass,
            // alerting forever, and a NULL and an empty address would share
            // one open row. Named by its description, as the admin lists it.
            tellOnce(QStringLiteral("noaddress:%1:").arg(row.ipIsNull ? 0 : 1) + h.desc,
                     tr("Строка списка адресов «%1» не проверяется: адрес %2. "
                        "Исправьте её в программе администрирования.")
                         .arg(quotedInMessage(h.desc), row.ipIsNull ? tr("не задан (NULL)") : tr("пуст")));
            continue;
        }
        if (const QString reading = HostAddress::legacyReading(h.ip); !reading.isEmpty()) {
            // Such a text was once probed as another host (010.0.0.1 as
            // 8.0.0.1): not probed at all now, and the operator learns why.
            tellOnce(QStringLiteral("legacy:") + h.ip,
                     tr("Адрес «%1» не проверяется: это устаревшая запись IPv4-адреса, которая читалась бы как %2. "
                        "Запишите его четырьмя десятичными числами от 0 до 255 через точку, без ведущих нулей, в "
                        "программе администрирования.")
                         .arg(quotedInMessage(h.ip), reading));
            continue;
        }
        const QVariant &stored = row.timeout;
        bool ok = false;
        const qlonglong timeout = stored.isNull() ? 0 : stored.toLongLong(&ok);
        if (!ok) {
            // Text or NULL: no timeout to probe with, so the host is left
            // out of the pass, and the operator learns why.
            tellOnce(QStringLiteral("timeout:") + h.ip,
                     tr("Адрес %1 не проверяется: значение ping_timeout «%2» не является числом миллисекунд. "
                        "Исправьте его в программе администрирования.")
                         .arg(h.ip, stored.isNull() ? QStringLiteral("NULL") : stored.toString()));
            continue;
        }
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
    m_lastBook = m_hosts;
    m_haveLastBook = true;

    // The open rows are known before the first host is decided; the host's
    // own writes keep the picture up to date from then on.
    switch (read.openRowsStatus) {
    case BookRead::OpenRowsRead:
        m_openRows = read.openRows;
        m_openSince = read.openSince;
        for (const OutageWrite &w : m_queue->pending()) {
            if (w.kind == OutageWrite::Begin && !m_openSince.contains(w.ip))
                m_openSince.insert(w.ip, DateTimeText::fromDateTime(w.at));
        }
        // Writes still kept by a lock are part of the log already, as far
        // as the decisions go: a kept Begin is an open row, a kept End
        // closed one.
        for (const OutageWrite &w : m_queue->pending()) {
            int &open = m_openRows[w.ip];
            if (w.kind == OutageWrite::Begin)
                open = qMax(open, 1);
            else if (open > 0)
                --open;
        }
        m_openRowsKnown = true;
        break;
    case BookRead::OpenRowsLost:
        m_openRows = m_lastOpenRows;
        m_openRowsKnown = m_hosts.empty() || m_haveLastOpenRows;
        break;
    case BookRead::OpenRowsFailed:
        m_openRows.clear();
        m_openRowsKnown = m_hosts.empty();
        if (!m_hosts.empty())
            reportDatabaseError(tr("Не удалось прочитать открытые записи о сбоях"), read.openRowsError);
        break;
    }
    startProbing();
}

void PollingEngine::stop()
{
    const bool wasWatching = !m_stopped;
    m_stopped = true;
    m_probe->abort();
    if (m_transport && m_transport->isOpen())
        m_transport->close();
    m_bookAwaited = false;
    m_bookWait->stop();
    ++m_bookTicket;
    // Effects being applied hold a host of the list: the loop ends on the flag.
    if (!m_applying) {
        m_hosts.clear();
        m_openRows.clear();
        m_decided.clear();
    }
    m_running = false;
    if (wasWatching)
        emit watchEnded();
}

int PollingEngine::slowestTimeoutMs() const
{
    int slowest = 0;
    for (const Host &h : m_lastBook)
        slowest = qMax(slowest, h.timeoutMs);
    return slowest;
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
    m_probeStartedAt = m_clock->now();
    m_passProbed = ready || m_hosts.empty();
    m_probe->start(targets, ready);
}

void PollingEngine::emitMeasured()
{
    const std::vector<EchoProbe::Result> &results = m_probe->results();
    std::vector<LatencySample> samples;
    samples.reserve(results.size());
    for (size_t i = 0; i < results.size() && i < m_hosts.size(); ++i) {
        const EchoProbe::Result &r = results[i];
        if (r.status == EchoProbe::NotProbed || r.status == EchoProbe::NotAnAddress || r.attempts <= 0)
            continue;
        const bool answered = r.status == EchoProbe::Answered;
        LatencySample s;
        s.ip = m_hosts[i].ip;
        s.desc = m_hosts[i].desc;
        s.timeoutMs = m_hosts[i].timeoutMs;
        s.sent = r.attempts;
        s.lost = r.attempts - (answered ? 1 : 0);
        if (answered && r.rttNs >= 0)
            s.rttUs = r.rttNs / 1000;
        samples.push_back(std::move(s));
    }
    if (!samples.empty())
        emit passMeasured(m_probeStartedAt, samples);
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
    emitMeasured();
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
        {
            const auto began = DateTimeText::secondsOfValue(m_openSince.take(h.ip));
            const auto ended = DateTimeText::toSeconds(DateTimeText::fromDateTime(d.at));
            emit restoredAfter(h.ip, began && ended ? qMax<qint64>(0, *ended - *began) : -1);
        }
        emit outageEnded(h.ip, h.desc, h.timeoutMs, d.at);
        return;
    }

    // Silent because this machine has no network towards it (its own cable
    // out, its link down): no outage of the host, and the pass is unwatched.
    if (m_localNetwork && m_localNetwork->stateFor(h.ip) != LocalNetwork::State::Usable) {
        m_passNoNetwork = true;
        return;
    }
    if (open > 0)
        return;  // the outage already logged goes on
    // A second book row of the same address finds this row open. A write
    // the database refuses is told by the queue; the operator must still
    // hear that the host is down.
    open = 1;
    m_openSince.insert(h.ip, DateTimeText::fromDateTime(d.at));
    m_queue->submit({OutageWrite::Begin, h.ip, h.desc, d.at});
    ++m_errCount;
    emit outageBegan(h.ip, h.desc, h.timeoutMs, d.at);
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
    const QDateTime now = m_clock->now();
    noticeClockStep(now);
    setLastCheck(now);
    m_running = false;
    m_lastPassWatched = m_passProbed && !m_passNoNetwork;
    if (m_passNoNetwork != m_noNetwork && (m_passProbed || m_passNoNetwork)) {
        m_noNetwork = m_passNoNetwork;
        const QString text = m_noNetwork ? tr("Нет сети на этом компьютере") : tr("Сеть на этом компьютере восстановлена");
        qWarning("%s", qUtf8Printable(text));
        emit notice(text);
    }
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
