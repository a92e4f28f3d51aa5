#include "PollingEngine.h"

#include "Clock.h"
#include "Database.h"
#include "Failure.h"
#include "DateTimeText.h"
#include "EchoProbe.h"
#include "EchoTransport.h"
#include "HostAddress.h"
#include "MonotonicClock.h"
#include "AlertGate.h"
#include "HostState.h"
#include "LocalNetwork.h"
#include "MonitorStore.h"
#include "WriteQueue.h"
#include "AddressLimits.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
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
    , m_bookWait(new QTimer(this))
    , m_queue(new WriteQueue(nullptr, this))
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
    qRegisterMetaType<monitor::OutageChange>();
    qRegisterMetaType<monitor::PassReport>();
    m_ownStore = MonitorStore::inlineOn(QLatin1String(QSqlDatabase::defaultConnection));
    setStore(m_ownStore.get());
    m_ownState = std::make_unique<HostState>();
    m_state = m_ownState.get();
}

void PollingEngine::setHostState(HostState *state)
{
    m_state = state;
    if (state != m_ownState.get())
        m_ownState.reset();
}

std::optional<qint64> PollingEngine::monotonicMs() const
{
    if (!m_scheduleClock)
        return std::nullopt;
    return floorDiv(m_scheduleClock->nsecs(), 1'000'000);
}

void PollingEngine::setStore(MonitorStore *store)
{
    if (m_store)
        disconnect(m_store, nullptr, this, nullptr);
    // The store of the engine alone lets go of the queue first.
    if (m_ownStore && store != m_ownStore.get())
        m_ownStore.reset();
    m_store = store;
    store->serve(m_queue);
    // The thread took the answers it owed with it: a pass waiting for its
    // book goes on without it.
    connect(store, &MonitorStore::statementGivenUp, this, [this] {
        if (m_bookAwaited)
            onBookWaitOver();
    });
}

void PollingEngine::setDatabaseOpener(std::function<bool()> opener)
{
    if (!opener) {
        m_opener = nullptr;
        return;
    }
    m_opener = [opener = std::move(opener)](std::function<void(bool)> done) { done(opener()); };
}

bool PollingEngine::startOfflinePass()
{
    if (!m_haveLastBook)
        return false;
    // The host state holds the kept writes already: it is what the last
    // pass left, its own writes included.
    m_hosts = m_lastBook;
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
// may end "before" it began (the store keeps the end at its begin), and a
// step either way would stretch or shrink a duration read from the stored
// times (durations are measured on the schedule's clock instead). The
// operator learns of each step once.
// The caller's reading of the clock is the one judged: a pass's end anchors
// the schedule at the very reading it checked, so a step between two readings
// cannot slip into the anchor unseen.
void PollingEngine::noticeClockStep(const QDateTime &now)
{
    if (!m_scheduleClock || !m_lastCheck.isValid())
        return;
    constexpr qint64 StepMs = 2000;
    const qint64 step = now.toMSecsSinceEpoch() - scheduleNowMs();
    const qint64 moved = step - m_knownStepMs;
    if (qAbs(moved) < StepMs)
        return;
    m_knownStepMs = step;
    const int seconds = int(qMin<qint64>(qAbs(moved) / 1000, std::numeric_limits<int>::max()));
    const QString text =
        moved < 0 ? tr("Системные часы переведены назад (на %n с). Расписание проверок не изменилось; "
                       "окончание сбоя, которое по часам раньше его начала, записывается временем начала.",
                       nullptr, seconds)
                  : tr("Системные часы переведены вперёд (на %n с). Расписание проверок не изменилось; "
                       "длительность сбоев считается по непрерывному времени компьютера.",
                       nullptr, seconds);
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
    // The pass starts at the tick that shows -1; while it runs (or when a
    // tick came late) the seconds go on past it, but the button says no more
    // than that the pass is due.
    emit countdownChanged(qMax(-1, secondsLeft()));
    // lastCheck is renewed only when a pass ends, so a tick during a pass
    // still finds the period elapsed: the running flag keeps it to one pass.
    if (elapsed > m_refreshSecs && !m_running)
        startPass();
}

void PollingEngine::startPass()
{
    if (m_running || m_stopped)
        return;
    m_running = true;
    m_errCount = 0;
    m_restCount = 0;
    m_hosts.clear();
    m_decided.clear();
    m_report = PassReport();
    m_probeDone = false;
    m_passProbed = false;
    m_passNoNetwork = false;
    m_passUnrouted.clear();
    m_decidedStampAge.invalidate();
    if (m_localNetwork)
        m_localNetwork->newPass();
    if (m_gate)
        m_gate->passStarted(m_clock->now());
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
    if (m_store->isThreaded())
        m_bookWait->start();
    m_store->readBook(this, m_state->wantsReading(), [this, ticket](const MonitorStore::Book &read) {
        if (ticket != m_bookTicket || !m_bookAwaited)
            return;  // given up waiting: the pass went on without it
        m_bookAwaited = false;
        m_bookWait->stop();
        if (m_running && !m_stopped)
            onBookRead(read);
    });
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

void PollingEngine::onBookRead(const MonitorStore::Book &read)
{
    switch (read.status) {
    case MonitorStore::Book::NoDatabase:
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
    case MonitorStore::Book::Lost:
        passWithoutDatabase();
        return;
    case MonitorStore::Book::Failed:
        // Without the book nothing can be probed or logged in this pass.
        reportDatabaseError(tr("Не удалось прочитать список адресов"), read.error);
        m_hosts.clear();
        QTimer::singleShot(0, this, &PollingEngine::finishPass);
        return;
    case MonitorStore::Book::Read:
        break;
    }

    m_hosts.clear();
    for (const MonitorStore::Book::Row &row : read.rows) {
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
    QStringList inBook;
    inBook.reserve(qsizetype(m_hosts.size()));
    for (const Host &h : m_hosts) {
        m_state->seen(h.ip, h.desc);
        inBook.append(h.ip);
    }
    m_state->keepOnly(inBook);

    // The open outages are read when the database opened or came back; from
    // then on every decision of a pass keeps the host state up to date.
    if (read.openAsked) {
        switch (read.openStatus) {
        case MonitorStore::Book::OpenRead:
            // Writes still kept by a lock are part of the log already, as
            // far as the decisions go: a kept Begin is an open row, a kept
            // End closed one.
            m_state->reset(read.open, m_queue->pending());
            break;
        case MonitorStore::Book::OpenLost:
            // Lost between the book and the open rows: the state as the
            // last pass left it still holds, kept writes included.
            break;
        case MonitorStore::Book::OpenFailed:
            if (!m_hosts.empty())
                reportDatabaseError(tr("Не удалось прочитать открытые записи о сбоях"), read.openError);
            break;
        }
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
    m_report.probeStartedAt = m_clock->now();
    m_passProbed = ready || m_hosts.empty();
    m_probe->start(targets, ready);
}

void PollingEngine::takeSamples()
{
    const std::vector<EchoProbe::Result> &results = m_probe->results();
    // Shared from here on: the recording keeps it while the report moves on.
    auto samples = std::make_shared<std::vector<LatencySample>>();
    samples->reserve(results.size());
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
        samples->push_back(std::move(s));
    }
    m_report.samples = std::move(samples);
}

void PollingEngine::onHostDecided(int index)
{
    if (m_stopped || !m_running)
        return;
    // Hosts decided within a millisecond of each other share one reading
    // of the clocks: each reading of the wall clock checks the time zone,
    // which a pass of 10,000 hosts would pay 10,000 times; the log stores
    // whole seconds.
    if (!m_decidedStampAge.isValid() || m_decidedStampAge.nsecsElapsed() >= 1'000'000) {
        m_decidedStamp = m_clock->now();
        m_decidedMonoMs = monotonicMs();
        m_decidedStampAge.start();
    }
    m_decided.push_back({size_t(index), m_decidedStamp, m_decidedMonoMs});
    scheduleEffects();
}

void PollingEngine::onProbeFinished()
{
    if (m_stopped)
        return;
    if (m_transport && m_transport->isOpen())
        m_transport->close();
    m_probeDone = true;
    takeSamples();
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
        applyOutcome(d);
        // A slot of the last effect may have ended the program's watch.
        if (m_stopped) {
            m_applying = false;
            m_hosts.clear();
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

void PollingEngine::applyOutcome(const Decided &d)
{
    const Host &h = m_hosts[d.index];
    const EchoProbe::Result &r = m_probe->results()[d.index];
    // Not probed (no echo facility) or the open outages never read: the
    // host's state is unknown, so nothing may change.
    if (r.status == EchoProbe::NotProbed || !m_state->isKnown())
        return;

    if (r.status == EchoProbe::Answered) {
        m_state->answered(h.ip, r.rttNs >= 0 ? std::optional<qint64>(r.rttNs / 1000) : std::nullopt, d.at, d.monoMs);
        if (!m_state->isDown(h.ip))
            return;
        OutageChange change;
        change.kind = OutageChange::Ended;
        change.alarm = m_gate ? m_gate->alarmFor(h.ip, false, *m_state) : OutageChange::Alarm::RingsNow;
        // A second book row of the same address finds it up again.
        const HostState::Host before = m_state->end(h.ip, d.at, d.monoMs);
        m_queue->submit({OutageWrite::End, h.ip, QString(), d.at, before.since});
        if (m_restCount < 255)
            ++m_restCount;
        change.ip = h.ip;
        change.desc = h.desc;
        change.timeoutMs = h.timeoutMs;
        change.begin = DateTimeText::fromVariant(before.since);
        change.end = d.at;
        change.downSeconds = HostState::downSeconds(before, d.at, d.monoMs);
        m_report.changes.append(change);
        emit changeDecided(change);
        return;
    }

    // Silent because this machine has no network towards it (its own cable
    // out, its link down): no outage of the host, and the pass is unwatched.
    // Silent because the machine has no route to this one host while its
    // network is up: no outage, and that host alone goes unwatched.
    if (m_localNetwork) {
        switch (m_localNetwork->stateFor(h.ip)) {
        case LocalNetwork::State::NoNetwork:
            m_passNoNetwork = true;
            m_state->unwatched(h.ip, d.at, d.monoMs);
            return;
        case LocalNetwork::State::Unrouted:
            m_passUnrouted.append(h.ip);
            m_state->unwatched(h.ip, d.at, d.monoMs);
            return;
        case LocalNetwork::State::Usable:
            break;
        }
    }
    m_state->silent(h.ip);
    if (m_state->isDown(h.ip))
        return;  // the outage already logged goes on
    // A write the database refuses is told by the queue; the operator must
    // still hear that the host is down.
    OutageChange change;
    change.kind = OutageChange::Began;
    change.alarm = m_gate ? m_gate->alarmFor(h.ip, true, *m_state) : OutageChange::Alarm::RingsNow;
    m_state->begin(h.ip, h.desc, d.at, d.monoMs);
    m_queue->submit({OutageWrite::Begin, h.ip, h.desc, d.at});
    ++m_errCount;
    change.ip = h.ip;
    change.desc = h.desc;
    change.timeoutMs = h.timeoutMs;
    change.begin = d.at;
    m_report.changes.append(change);
    emit changeDecided(change);
}

void PollingEngine::finishPass()
{
    if (m_stopped)
        return;
    // Every address the pass knew the state of, for the alert policy.
    QHash<QString, bool> observed;
    if (m_state->isKnown()) {
        const auto &results = m_probe->results();
        for (size_t i = 0; i < m_hosts.size() && i < results.size(); ++i) {
            if (results[i].status != EchoProbe::NotProbed)
                observed.insert(m_hosts[i].ip, m_state->isDown(m_hosts[i].ip));
        }
    }
    tellUnrouted();
    m_hosts.clear();
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
    PassReport report = std::move(m_report);
    m_report = PassReport();
    report.errCount = m_errCount;
    report.restCount = m_restCount;
    report.probed = m_passProbed;
    report.watched = m_lastPassWatched;
    report.noNetwork = m_passNoNetwork;
    report.unrouted = m_lastUnrouted;
    report.vantagesDown = m_state->allVantagesDown();
    report.endedAt = now;
    report.endedMonoMs = monotonicMs();
    report.slowestTimeoutMs = slowestTimeoutMs();
    report.refreshSecs = m_refreshSecs;
    if (m_gate)
        m_gate->passFinished(now, observed, m_state, &report);
    emit passEnded(report);
}

// The operator hears of hosts that lost their route when they lose it, not
// at every pass, and again when a route is back. Before the pass's book is
// let go: a host that left the book has not got its route back.
void PollingEngine::tellUnrouted()
{
    // A pass without network (or without probing) judged no host's route.
    if (!m_passProbed || m_passNoNetwork)
        return;
    QStringList unrouted = m_passUnrouted;
    unrouted.sort();
    unrouted.removeDuplicates();
    const QSet<QString> before(m_lastUnrouted.cbegin(), m_lastUnrouted.cend());
    const QSet<QString> now(unrouted.cbegin(), unrouted.cend());
    QStringList lost, back;
    for (const QString &ip : std::as_const(unrouted))
        if (!before.contains(ip))
            lost << ip;
    if (!before.isEmpty()) {
        for (const Host &h : m_hosts)
            if (before.contains(h.ip) && !now.contains(h.ip))
                back << h.ip;
        back.sort();
        back.removeDuplicates();
    }
    m_lastUnrouted = unrouted;
    // A long list is cut: the first few name the kind of trouble.
    constexpr int Named = 5;
    const auto names = [](const QStringList &ips) {
        QString text = QStringList(ips.mid(0, Named)).join(QStringLiteral(", "));
        if (ips.size() > Named)
            text += tr(" и ещё %n", nullptr, int(ips.size() - Named));
        return text;
    };
    if (!lost.isEmpty()) {
        const QString text = tr("Нет маршрута к адресам: %1. Пока его нет, они не наблюдаются и сбои для них "
                                "не записываются.")
                                 .arg(names(lost));
        qWarning("%s", qUtf8Printable(text));
        emit notice(text);
    }
    if (!back.isEmpty()) {
        const QString text = tr("Маршрут к адресам появился, они снова наблюдаются: %1.").arg(names(back));
        qWarning("%s", qUtf8Printable(text));
        emit notice(text);
    }
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
