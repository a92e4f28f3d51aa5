#include "MonitorStore.h"

#include "AlertStore.h"
#include "Database.h"
#include "DatabaseThread.h"
#include "DateTimeText.h"
#include "LatencySettings.h"
#include "OptionsStore.h"
#include "ServerSession.h"
#include "SingleInstance.h"
#include "Statements.h"
#include "VantageLock.h"
#include "VantageRecords.h"
#include "VantageWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <algorithm>
#include <atomic>
#include <optional>

#include <sys/stat.h>

namespace monitor {

namespace {

QString oneLine(const QSqlError &error)
{
    return (error.databaseText().isEmpty() ? error.text() : error.databaseText()).simplified();
}

} // namespace

// A file by what the file system knows it as, not by its name.
struct MonitorStore::FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;

    static std::optional<FileIdentity> of(const QString &path)
    {
        struct stat st
        {
        };
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            return std::nullopt;
        return FileIdentity{st.st_dev, st.st_ino};
    }
    bool operator==(const FileIdentity &o) const { return device == o.device && inode == o.inode; }
};

// What lives where the connection does: touched only by jobs, one at a time.
// A thread given up keeps its own (its jobs hold it), so a statement that
// comes back late writes into what nobody reads any more.
struct MonitorStore::Side
{
    QString connection;
    DatabaseConfig config;
    ServerSession *server = nullptr;
    std::unique_ptr<LatencyRecorder> latency;
    WatchedTimeRecorder watched;
    // The file as it was when opened: another file at the path (or none)
    // means ours was deleted or replaced, and whatever is written to the
    // connection now goes to a file nobody will read again.
    std::optional<FileIdentity> file;
    // Set here when the file went; the store's thread reads it with the answer.
    std::atomic_bool gone{false};

    bool fileStillThere()
    {
        if (!file)
            return true;
        const std::optional<FileIdentity> now = FileIdentity::of(config.path());
        if (now && *now == *file)
            return true;
        file.reset();
        latency.reset();
        watched = WatchedTimeRecorder();
        Database::close(connection);
        gone.store(true);
        return false;
    }

    // A handle for the length of one statement: held no longer, so that the
    // connection can be made anew without Qt's "still in use" complaint.
    QSqlDatabase db() const { return QSqlDatabase::database(connection, false); }

    bool usable()
    {
        if (server)
            return server->usable();
        bool open = false;
        {
            open = db().isOpen();
        }
        return open && fileStillThere();
    }

    // A failed statement on a server may be the first to meet a lost
    // connection: the session must learn it, or the loss goes unnoticed.
    void noticeLoss(bool failed)
    {
        if (!server || !failed)
            return;
        QSqlError error;
        if (!db().isOpen()) {
            // The driver closed it when libpq found it broken.
            error = QSqlError(MonitorStore::tr("соединение закрыто"), QString(), QSqlError::ConnectionError);
        } else {
            QSqlQuery probe(db());
            if (probe.exec(QStringLiteral("select 1")))
                return;
            error = probe.lastError();
        }
        server->lost(error);
    }

    QString unusableText() const
    {
        return server ? MonitorStore::tr("нет соединения с сервером базы данных")
                      : MonitorStore::tr("файл базы данных не открыт");
    }

    // A vantage point's outage writes are its own view (vantage_outages, in
    // UTC); the log is the writer's. Both statements are safe to repeat,
    // so a write replayed after the server came back is one row.
    bool writeOwnOutage(const OutageWrite &w, QSqlError *failure, QString *error)
    {
        const QString vantage = config.vantageName();
        const QString at = VantageRecords::utcText(w.at.toSecsSinceEpoch());
        QSqlQuery query(db());
        bool ok = false;
        if (w.kind == OutageWrite::Begin) {
            ok = runStatement(query, Statements::InsertVantageOutage, {vantage, w.ip, at});
        } else {
            // The begin as HostState keeps it: a local date-time text.
            const QDateTime begin = DateTimeText::toDateTime(w.begin.toString());
            if (begin.isValid())
                ok = runStatement(query, Statements::CloseVantageOutage,
                                  {at, vantage, w.ip, VantageRecords::utcText(begin.toSecsSinceEpoch())});
            else
                ok = runStatement(query, Statements::CloseOpenVantageOutage, {at, vantage, w.ip});
            // A begin whose row is not there (its local text read back across
            // a change of the clock's offset): whatever is open ends.
            if (ok && begin.isValid() && query.numRowsAffected() == 0) {
                query.finish();
                ok = runStatement(query, Statements::CloseOpenVantageOutage, {at, vantage, w.ip});
            }
        }
        if (!ok) {
            *failure = query.lastError();
            *error = statementError(query);
        }
        return ok;
    }

    OutageStore::Outcome writeOutage(const OutageWrite &w, QString *error)
    {
        if (!usable()) {
            *error = unusableText();
            return OutageStore::Outcome::RetryLater;
        }
        bool ok = false;
        QSqlError failure;
        if (config.isVantage()) {
            ok = writeOwnOutage(w, &failure, error);
        } else {
            QSqlQuery query(db());
            const QString at = DateTimeText::fromDateTime(w.at);
            if (w.kind == OutageWrite::Begin)
                ok = runStatement(query, Statements::InsertOutageOnce, {at, w.ip, w.desc, w.ip, at});
            else if (!w.begin.isNull())
                ok = runStatement(query, Statements::CloseOutageBegunAt, {at, w.ip, w.begin});
            else  // kept by an earlier version, which named no begin
                ok = runStatement(query, Statements::CloseOutageOfAddress, {at, w.ip});
            if (!ok) {
                failure = query.lastError();
                *error = statementError(query);
            }
        }
        if (ok)
            return OutageStore::Outcome::Written;
        // A write whose connection broke may or may not have been made: the
        // server commits each statement on its own, and the answer was lost.
        if (server && server->lost(failure)) {
            *error = oneLine(failure);
            return OutageStore::Outcome::RetryLater;
        }
        if (Database::classifyWriteFailure(failure) == Database::WriteFailure::Final)
            return OutageStore::Outcome::Failed;
        return Database::isBusy(failure) ? OutageStore::Outcome::Busy : OutageStore::Outcome::RetryLater;
    }
};

// The write queue's back end when statements run at once.
class MonitorStore::InlineWriter final : public OutageStore
{
public:
    explicit InlineWriter(std::function<Outcome(const OutageWrite &, QString *)> write)
        : m_write(std::move(write))
    {
    }
    Outcome write(const OutageWrite &w, QString *error) override { return m_write(w, error); }

private:
    std::function<Outcome(const OutageWrite &, QString *)> m_write;
};

std::unique_ptr<MonitorStore> MonitorStore::threaded(QObject *parent)
{
    return std::unique_ptr<MonitorStore>(new MonitorStore(true, QString(), parent));
}

std::unique_ptr<MonitorStore> MonitorStore::inlineOn(const QString &connectionName, QObject *parent)
{
    return std::unique_ptr<MonitorStore>(new MonitorStore(false, connectionName, parent));
}

MonitorStore::MonitorStore(bool threaded, const QString &connectionName, QObject *parent)
    : QObject(parent)
    , m_threaded(threaded)
    , m_inlineConnection(connectionName)
{
    if (!m_threaded) {
        m_side = std::make_shared<Side>();
        m_side->connection = connectionName;
        return;
    }
    startThread();
    // A statement that does not come back is noticed within half a second
    // of its limit, whatever the window is doing.
    m_watchdog = new QTimer(this);
    m_watchdog->setInterval(500);
    connect(m_watchdog, &QTimer::timeout, this, &MonitorStore::checkStuck);
    m_watchdog->start();
}

MonitorStore::~MonitorStore()
{
    // A queue that outlives its store keeps its writes until it gets another.
    if (m_served && (m_served->store() == m_inlineWriter.get() || m_threaded)) {
        m_served->setDispatcher(nullptr);
        m_served->setStore(nullptr);
    }
    close();
}

void MonitorStore::setDatabase(const DatabaseConfig &config, const QString &lockDirectory)
{
    m_config = config;
    m_lockDirectory = lockDirectory;
    m_side->config = config;
}

void MonitorStore::startThread()
{
    // Each thread has a connection of its own: a thread given up may still
    // hold its old one when the statement finally comes back. The thread's
    // own connection name is never opened: jobs use the store's.
    m_side = std::make_shared<Side>();
    m_side->connection = QStringLiteral("orvant-store-%1").arg(m_generation);
    m_side->config = m_config;
    m_thread = std::make_unique<DatabaseThread>(QStringLiteral("orvant-store-thread-%1").arg(m_generation));
}

// On this thread, with the answer of the job that found the file gone.
void MonitorStore::noticeFileGone(Side &side)
{
    if (!side.gone.exchange(false) || m_closed)
        return;
    m_fileOpen = false;
    // Taken anew for whatever file comes to the path.
    m_fileLock.reset();
    emit fileGone(m_config.path());
}

void MonitorStore::run(QObject *context, std::function<void(Side &)> job, std::function<void()> then)
{
    if (!m_threaded) {
        QPointer<QObject> guard(context);
        std::shared_ptr<Side> side = m_side;
        job(*side);
        noticeFileGone(*side);
        if (then && (!context || guard))
            then();
        return;
    }
    if (!m_thread)
        return;  // closed at the program's end: nothing runs, nothing answers
    const int generation = m_generation;
    QPointer<MonitorStore> self(this);
    std::shared_ptr<Side> side = m_side;
    m_thread->post(
        context ? context : this, [side, job = std::move(job)](const QSqlDatabase &) { job(*side); },
        [self, side, generation, then = std::move(then)] {
            // An answer of a thread given up meanwhile is dropped: by then
            // its waiter was told (statementGivenUp).
            if (!self || self->m_generation != generation)
                return;
            self->noticeFileGone(*side);
            if (then)
                then();
        });
}

bool MonitorStore::isUsable() const
{
    if (m_closed)
        return false;
    if (isServer())
        return m_serverUsable;
    if (!m_threaded)
        return QSqlDatabase::database(m_inlineConnection, false).isOpen();
    return m_fileOpen;
}

// --- opening ------------------------------------------------------------------

MonitorStore::Opening MonitorStore::takeFileLock()
{
    Opening opening;
    opening.result = Opening::Opened;
    if (m_fileLock && m_fileLock->state() == ExclusiveLock::State::Held)
        return opening;
    QString why;
    m_fileLock = SingleInstance::forDatabase(m_config.path(), m_lockDirectory, &why);
    if (!m_fileLock)
        return opening;  // no file yet: nobody can be using it, and opening says why
    m_fileLock->tryAcquire();
    switch (m_fileLock->state()) {
    case ExclusiveLock::State::Held:
    case ExclusiveLock::State::Unlocked:
        return opening;
    case ExclusiveLock::State::Failed:
        opening.lockFile = m_fileLock->lockFilePath();
        opening.lockError = m_fileLock->errorText();
        return opening;
    case ExclusiveLock::State::HeldByOther:
        break;
    }
    opening.result = Opening::HeldByOther;
    opening.holder = m_fileLock->holderUser();
    opening.holderPid = m_fileLock->holderPid();
    m_fileLock.reset();
    return opening;
}

void MonitorStore::open(QObject *context, bool atStart, std::function<void(const Opening &)> done)
{
    auto opening = std::make_shared<Opening>();
    if (!isServer()) {
        *opening = takeFileLock();
        if (opening->result == Opening::HeldByOther) {
            done(*opening);
            return;
        }
        run(
            context,
            [opening](Side &side) {
                Database::Options options;
                options.busyTimeoutMs = BusyTimeoutMs;
                QString warning;
                // Known before opening: a file replaced between the two
                // would be told at the first statement, never written blind.
                side.file = FileIdentity::of(side.config.path());
                const bool ok = Database::open(side.config.path(), options, &opening->error, side.connection, &warning);
                opening->result = ok ? Opening::Opened : Opening::Failed;
                opening->warning = warning;
                if (!ok)
                    side.file.reset();
            },
            [this, opening, done] {
                m_fileOpen = opening->result == Opening::Opened;
                done(*opening);
            });
        return;
    }

    if (!m_serverMade)
        connectServer();
    run(
        context,
        [opening, atStart](Side &side) {
            QString text;
            const ServerSession::OpenResult result =
                atStart ? side.server->openAtStart(&text) : side.server->open(&text);
            switch (result) {
            case ServerSession::OpenResult::Opened:
                opening->result = Opening::Opened;
                opening->warning = side.server->warning();
                break;
            case ServerSession::OpenResult::HeldByOther:
                opening->result = Opening::HeldByOther;
                opening->holder = text;
                break;
            case ServerSession::OpenResult::Failed:
                opening->result = Opening::Failed;
                opening->error = text;
                break;
            }
        },
        [this, opening, done] {
            m_serverUsable = opening->result == Opening::Opened;
            done(*opening);
        });
}

// The session is made where its connection lives, so that its knocks and
// its statements run on that thread, between the other jobs; every job
// posted after this one finds it. Its signals come back here queued, and
// those of a session given up with its thread are no longer heard.
void MonitorStore::connectServer()
{
    m_serverMade = true;
    Database::Options options;
    options.busyTimeoutMs = BusyTimeoutMs;
    const DatabaseConfig config = m_config;
    const int generation = m_generation;
    QPointer<MonitorStore> self(this);
    auto current = [self, generation] { return self && self->m_generation == generation; };
    run(
        nullptr,
        [self, config, options, current](Side &side) {
            auto *server = new ServerSession(config, options, side.connection);
            side.server = server;
            if (!self)
                return;
            Side *where = &side;
            // On the connection's own thread: a recorder holding the old
            // connection would keep it from being made anew.
            QObject::connect(server, &ServerSession::connectionLost, server, [where] { where->latency.reset(); },
                             Qt::DirectConnection);
            MonitorStore *store = self.data();
            QObject::connect(server, &ServerSession::connectionLost, store, [store, current](const QString &why) {
                if (!current())
                    return;
                store->m_serverUsable = false;
                emit store->connectionLost(why);
            });
            QObject::connect(server, &ServerSession::reconnectFailed, store, [store, current](const QString &error) {
                if (current())
                    emit store->reconnectFailed(error);
            });
            QObject::connect(server, &ServerSession::heldByOther, store,
                             [store, current](const QString &holder, bool ownSession) {
                                 if (!current())
                                     return;
                                 store->m_serverUsable = false;
                                 emit store->heldByOther(holder, ownSession);
                             });
            QObject::connect(server, &ServerSession::reconnected, store, [store, current] {
                if (!current())
                    return;
                auto warning = std::make_shared<QString>();
                store->run(
                    store, [warning](Side &s) { *warning = s.server ? s.server->warning() : QString(); },
                    [store, warning] {
                        store->m_serverUsable = true;
                        emit store->reconnected(*warning);
                    });
            });
        },
        nullptr);
}

void MonitorStore::tick()
{
    if (m_closed || !isServer() || !m_serverMade)
        return;
    // Ticks do not pile up behind a statement that takes long.
    if (m_threaded && jobsWaiting() >= 2)
        return;
    run(this, [](Side &side) {
        if (side.server)
            side.server->tick();
    }, nullptr);
}

// --- the watchdog ----------------------------------------------------------------

void MonitorStore::checkStuck()
{
    if (!m_thread || m_thread->jobElapsedMs() < StatementLimitMs)
        return;
    replaceThread();
}

void MonitorStore::replaceThread()
{
    std::fprintf(stderr, "orvant: %s\n",
                 tr("запрос к базе данных не вернулся за %1 мс; его соединение оставлено")
                     .arg(StatementLimitMs)
                     .toLocal8Bit()
                     .constData());
    std::fflush(stderr);
    const bool hadServer = m_serverMade;
    m_thread->abandon();
    m_thread.reset();
    ++m_generation;
    startThread();
    m_fileOpen = false;
    m_serverUsable = false;
    // The old session stays with the thread that was given up; a new one
    // knocks from the fresh thread at the next ticks, and ends the old
    // server session (its own, by name) when it takes the lock.
    m_serverMade = false;
    if (hadServer)
        connectServer();
    emit statementGivenUp();
}

qint64 MonitorStore::jobElapsedMs() const
{
    return m_thread ? m_thread->jobElapsedMs() : -1;
}

int MonitorStore::jobsWaiting() const
{
    return m_thread ? m_thread->jobsWaiting() : 0;
}

void MonitorStore::close(int graceMs)
{
    if (m_closed)
        return;
    m_closed = true;
    if (m_watchdog)
        m_watchdog->stop();
    // The database is another monitor's to take from now on.
    m_fileLock.reset();
    m_fileOpen = false;
    m_serverUsable = false;
    auto release = [](Side &side) {
        side.latency.reset();
        if (side.server) {
            side.server->close();
            delete side.server;
            side.server = nullptr;
        }
    };
    if (!m_threaded) {
        // The connection is the caller's: only the server's session is ended.
        release(*m_side);
        return;
    }
    if (!m_thread)
        return;
    std::shared_ptr<Side> side = m_side;
    m_thread->post([side, release](const QSqlDatabase &) {
        release(*side);
        Database::close(side->connection);
    });
    // A statement that has run this long already is not about to come back.
    if (m_thread->jobElapsedMs() > HopelessMs)
        graceMs = 0;
    QElapsedTimer waited;
    waited.start();
    while (m_thread->jobsWaiting() > 0 && waited.elapsed() < graceMs)
        QThread::msleep(2);
    if (m_thread->jobsWaiting() > 0) {
        m_thread->abandon();
        m_leftBehind = true;
    }
    m_thread.reset();
}

// --- the book and the outages -------------------------------------------------------

namespace {

// A vantage point's window shows its own view: what it found silent and
// has not seen answer since, with the begin as a local date-time text, as
// the log's rows give it to a plain monitor.
bool readOwnOpen(const QSqlDatabase &db, const QString &vantage, QList<StoredOutage> *rows, QString *error,
                 QSqlError *failure)
{
    QSqlQuery query(db);
    if (!runStatement(query, Statements::SelectOpenOutagesOfVantage, {vantage})) {
        *error = statementError(query);
        *failure = query.lastError();
        return false;
    }
    QList<StoredOutage> read;
    while (query.next()) {
        const std::optional<qint64> begin = VantageRecords::fromUtcText(query.value(1).toString());
        read.append({query.value(0).toString(), QString(),
                     begin ? QVariant(VantageRecords::localText(*begin)) : QVariant()});
    }
    if (query.lastError().isValid()) {
        *error = statementError(query);
        *failure = query.lastError();
        return false;
    }
    *rows = read;
    return true;
}

bool readOpen(const QSqlDatabase &db, QList<StoredOutage> *rows, QString *error, QSqlError *failure,
              const QString &vantage = QString())
{
    if (!vantage.isEmpty())
        return readOwnOpen(db, vantage, rows, error, failure);
    QSqlQuery query(db);
    if (!runStatement(query, Statements::SelectOpenOutagesForReport)) {
        *error = statementError(query);
        *failure = query.lastError();
        return false;
    }
    QList<StoredOutage> read;
    while (query.next())
        read.append({query.value(1).toString(), query.value(2).toString(), query.value(0)});
    if (query.lastError().isValid()) {
        *error = statementError(query);
        *failure = query.lastError();
        return false;
    }
    *rows = read;
    return true;
}

} // namespace

void MonitorStore::readBook(QObject *context, bool withOpenOutages, std::function<void(const Book &)> done)
{
    auto out = std::make_shared<Book>();
    out->openAsked = withOpenOutages;
    run(
        context,
        [out, withOpenOutages](Side &side) {
            if (!side.usable()) {
                out->status = Book::NoDatabase;
                return;
            }
            {
                QSqlQuery book(side.db());
                bool ok = runStatement(book, Statements::SelectAddressesForPass);
                while (ok && book.next())
                    out->rows.push_back(
                        {book.value(0).toString(), book.value(1).toString(), book.value(2), book.value(0).isNull()});
                if (!ok || book.lastError().isValid()) {
                    out->rows.clear();
                    const QSqlError failure = book.lastError();
                    out->error = statementError(book);
                    book = QSqlQuery();
                    // The server went away: the pass goes on with what the last one read.
                    out->status = side.server && side.server->lost(failure) ? Book::Lost : Book::Failed;
                    return;
                }
            }
            out->status = Book::Read;
            if (!withOpenOutages)
                return;
            QSqlError failure;
            if (!readOpen(side.db(), &out->open, &out->openError, &failure, side.config.vantageName())) {
                out->open.clear();
                out->openStatus = side.server && side.server->lost(failure) ? Book::OpenLost : Book::OpenFailed;
            }
        },
        [out, done] { done(*out); });
}

void MonitorStore::readOpenOutages(QObject *context, std::function<void(const OpenRead &)> done)
{
    auto out = std::make_shared<OpenRead>();
    run(
        context,
        [out](Side &side) {
            if (!side.usable()) {
                out->error = side.unusableText();
                out->lost = side.server != nullptr;
                return;
            }
            QSqlError failure;
            out->ok = readOpen(side.db(), &out->rows, &out->error, &failure, side.config.vantageName());
            if (!out->ok && side.server)
                out->lost = side.server->lost(failure);
        },
        [out, done] { done(*out); });
}

void MonitorStore::serve(WriteQueue *queue)
{
    m_served = queue;
    if (!m_threaded) {
        std::shared_ptr<Side> side = m_side;
        m_inlineWriter =
            std::make_unique<InlineWriter>([side](const OutageWrite &w, QString *error) { return side->writeOutage(w, error); });
        queue->setDispatcher(nullptr);
        queue->setStore(m_inlineWriter.get());
        return;
    }
    QPointer<WriteQueue> target(queue);
    // The write under way when a thread is given up never answers: it is
    // kept, as if it had met a lock. Made again later it is harmless.
    connect(this, &MonitorStore::statementGivenUp, queue, [target] {
        if (target)
            target->abandonInFlight();
    });
    queue->setDispatcher([this, target](const OutageWrite &w, WriteQueue::Done done) {
        auto outcome = std::make_shared<std::pair<OutageStore::Outcome, QString>>(OutageStore::Outcome::RetryLater,
                                                                                  QString());
        run(
            target, [w, outcome](Side &side) { outcome->first = side.writeOutage(w, &outcome->second); },
            [outcome, done] { done(outcome->first, outcome->second); });
    });
}

// --- settings --------------------------------------------------------------------

void MonitorStore::readSettings(QObject *context, std::function<void(const Settings &)> done)
{
    auto out = std::make_shared<Settings>();
    run(
        context,
        [out](Side &side) {
            if (!side.usable()) {
                out->error = side.unusableText();
                return;
            }
            out->ok = OptionsStore::read(&out->record, &out->problems, &out->error, side.connection);
            // Settings beyond the options row are optional: a database
            // without them reads as the defaults.
            QString ignored;
            ExtraSettings::read(side.db(), &out->extra, &ignored);
            side.noticeLoss(!out->ok);
        },
        [out, done] { done(*out); });
}

// --- round trips ----------------------------------------------------------------

void MonitorStore::recordSamples(QObject *context, const QDateTime &at,
                                 const std::shared_ptr<const std::vector<LatencySample>> &samples,
                                 std::function<void(const QString &error)> done)
{
    auto error = std::make_shared<QString>();
    run(
        context,
        [at, samples, error](Side &side) {
            if (!side.usable()) {
                *error = side.unusableText();
                return;
            }
            if (!side.latency)  // for the connection as it is open now
            {
                side.latency = std::make_unique<LatencyRecorder>(side.db());
                side.latency->setVantage(side.config.vantageName());
            }
            if (!side.latency->recordPass(at, *samples, error.get())) {
                if (error->isEmpty())
                    *error = QStringLiteral("?");
                side.noticeLoss(true);
            }
        },
        [error, done] { done(*error); });
}

void MonitorStore::maintainSamples(QObject *context, const QDateTime &now,
                                   std::function<void(bool worked, const QString &error)> done)
{
    auto worked = std::make_shared<bool>(false);
    auto error = std::make_shared<QString>();
    run(
        context,
        [now, worked, error](Side &side) {
            if (!side.latency || !side.usable())
                return;
            LatencyRecorder::Step step = side.latency->consolidateStep(error.get());
            if (step == LatencyRecorder::Step::Idle) {
                ExtraSettings settings;
                LatencyRecorder::Retention keep;
                if (ExtraSettings::read(side.db(), &settings, error.get())) {
                    using namespace LatencySettings;
                    keep.rawDays = settings.integer(RawDays, DefaultRawDays, MinRawDays, MaxRawDays);
                    keep.hourlyYears =
                        settings.integer(HourlyYears, DefaultHourlyYears, MinHourlyYears, MaxHourlyYears);
                    step = side.latency->retentionStep(now, keep, error.get());
                } else {
                    step = LatencyRecorder::Step::Failed;
                }
            }
            *worked = step == LatencyRecorder::Step::Worked;
            if (step != LatencyRecorder::Step::Failed)
                error->clear();
            side.noticeLoss(step == LatencyRecorder::Step::Failed);
        },
        [worked, error, done] { done(*worked, *error); });
}

// --- watched time ------------------------------------------------------------------

void MonitorStore::watchedPassEnded(QObject *context, const WatchedTimeRecorder::Pass &pass,
                                    std::function<void(const QString &error)> done)
{
    auto error = std::make_shared<QString>();
    run(
        context,
        [pass, error](Side &side) {
            if (!side.usable())
                return;
            if (!side.watched.passEnded(side.db(), pass, error.get()))
                side.noticeLoss(true);
        },
        [error, done] {
            if (done)
                done(*error);
        });
}

void MonitorStore::watchedStopped(QObject *context, const QDateTime &at, std::function<void(const QString &error)> done)
{
    auto error = std::make_shared<QString>();
    run(
        context,
        [at, error](Side &side) {
            if (!side.usable())
                return;
            side.watched.stopped(side.db(), at, error.get());
        },
        [error, done] {
            if (done)
                done(*error);
        });
}

// --- alerts --------------------------------------------------------------------------

void MonitorStore::readAlerts(QObject *context, std::function<void(const AlertGate::Loaded &)> done)
{
    auto loaded = std::make_shared<AlertGate::Loaded>();
    run(
        context,
        [loaded](Side &side) {
            // Without a database the last settings read hold; that it is
            // away is told where it matters.
            if (!side.usable())
                return;
            *loaded = AlertGate::load(side.db());
            side.noticeLoss(!loaded->ok);
        },
        [loaded, done] { done(*loaded); });
}

void MonitorStore::write(QObject *context, std::function<bool(QSqlDatabase db, QString *error)> job,
                         std::function<void(const QString &error)> done)
{
    auto error = std::make_shared<QString>();
    run(
        context,
        [job = std::move(job), error](Side &side) {
            if (!side.usable()) {
                *error = side.unusableText();
                return;
            }
            side.noticeLoss(!job(side.db(), error.get()));
        },
        [error, done = std::move(done)] {
            if (done)
                done(*error);
        });
}

template <class T>
void MonitorStore::read(QObject *context, std::function<bool(QSqlDatabase db, T *value, QString *error)> job,
                        std::function<void(bool ok, const T &value, const QString &error)> done)
{
    struct Out
    {
        bool ok = false;
        T value;
        QString error;
    };
    auto out = std::make_shared<Out>();
    run(
        context,
        [job = std::move(job), out](Side &side) {
            if (!side.usable()) {
                out->error = side.unusableText();
                return;
            }
            out->ok = job(side.db(), &out->value, &out->error);
            side.noticeLoss(!out->ok);
        },
        [out, done = std::move(done)] { done(out->ok, out->value, out->error); });
}

void MonitorStore::writeMarks(QObject *context, const QList<AlertRecords::Mark> &marks,
                              std::function<void(const QString &error)> done)
{
    write(
        context,
        [marks](QSqlDatabase db, QString *error) { return AlertRecords::writeMarks(db, marks, error); },
        std::move(done));
}

void MonitorStore::writeMute(QObject *context, const AlertRecords::Mute &mute,
                             std::function<void(const QString &error)> done)
{
    write(
        context,
        [mute](QSqlDatabase db, QString *error) { return AlertRecords::writeMute(db, mute, error); },
        std::move(done));
}

void MonitorStore::liftMute(QObject *context, const QString &ip, std::function<void(const QString &error)> done)
{
    write(
        context,
        [ip](QSqlDatabase db, QString *error) { return AlertRecords::liftMute(db, ip, error); },
        std::move(done));
}

// --- the alert outbox ----------------------------------------------------------------

void MonitorStore::moveSecretsOut(QObject *context,
                                  std::function<void(const QStringList &moved, const QString &error)> done)
{
    auto moved = std::make_shared<QStringList>();
    auto error = std::make_shared<QString>();
    run(
        context,
        [moved, error](Side &side) {
            if (!side.usable()) {
                *error = side.unusableText();
                return;
            }
            side.noticeLoss(!alerts::AlertStore(side.db()).moveSecretsOut(moved.get(), error.get()));
        },
        [moved, error, done] { done(*moved, *error); });
}

void MonitorStore::saveMessages(QObject *context, const QList<Entry> &entries,
                                std::function<void(int saved, const QString &error)> done)
{
    auto saved = std::make_shared<int>(0);
    auto error = std::make_shared<QString>();
    run(
        context,
        [entries, saved, error](Side &side) {
            if (!side.usable()) {
                *error = side.unusableText();
                return;
            }
            alerts::AlertStore store(side.db());
            for (const Entry &e : entries) {
                if (!store.enqueue(e.channelId, e.message, e.at, error.get()))
                    break;
                ++*saved;
            }
            side.noticeLoss(*saved < entries.size());
        },
        [saved, error, done] { done(*saved, *error); });
}

void MonitorStore::readOutbox(QObject *context,
                              std::function<void(bool ok, const QList<alerts::PendingMessage> &pending,
                                                 const QList<alerts::AlertChannel> &channels, const QString &error)>
                                  done)
{
    struct Read
    {
        bool ok = false;
        QList<alerts::PendingMessage> pending;
        QList<alerts::AlertChannel> channels;
        QString error;
    };
    auto out = std::make_shared<Read>();
    run(
        context,
        [out](Side &side) {
            if (!side.usable()) {
                out->error = side.unusableText();
                return;
            }
            alerts::AlertStore store(side.db());
            out->ok = store.pending(&out->pending, &out->error) && store.channels(&out->channels, &out->error);
            side.noticeLoss(!out->ok);
        },
        [out, done] { done(out->ok, out->pending, out->channels, out->error); });
}

void MonitorStore::readChannels(
    QObject *context,
    std::function<void(bool ok, const QList<alerts::AlertChannel> &channels, const QString &error)> done)
{
    read<QList<alerts::AlertChannel>>(
        context,
        [](QSqlDatabase db, QList<alerts::AlertChannel> *channels, QString *error) {
            return alerts::AlertStore(db).channels(channels, error);
        },
        std::move(done));
}

void MonitorStore::removeMessages(QObject *context, const QList<qint64> &ids,
                                  std::function<void(const QList<qint64> &removed, const QString &error)> done)
{
    auto removed = std::make_shared<QList<qint64>>();
    auto error = std::make_shared<QString>();
    run(
        context,
        [ids, removed, error](Side &side) {
            if (!side.usable()) {
                *error = side.unusableText();
                return;
            }
            alerts::AlertStore store(side.db());
            for (const qint64 id : ids) {
                if (store.removePending(id, error.get()))
                    removed->append(id);
            }
            side.noticeLoss(removed->size() < ids.size());
        },
        [removed, error, done] { done(*removed, *error); });
}

void MonitorStore::rescheduleMessage(QObject *context, qint64 id, int attempts, const QDateTime &nextTry,
                                     std::function<void(const QString &error)> done)
{
    write(
        context,
        [id, attempts, nextTry](QSqlDatabase db, QString *error) { return alerts::AlertStore(db).reschedule(id, attempts, nextTry, error); },
        std::move(done));
}

void MonitorStore::logDelivery(QObject *context, const alerts::DeliveryEntry &entry,
                               std::function<void(const QString &error)> done)
{
    write(
        context,
        [entry](QSqlDatabase db, QString *error) { return alerts::AlertStore(db).log(entry, error); },
        std::move(done));
}

// --- vantage points ------------------------------------------------------------------

void MonitorStore::vantagePass(QObject *context, int intervalSeconds, std::function<void(const VantagePass &)> done)
{
    auto out = std::make_shared<VantagePass>();
    run(
        context,
        [out, intervalSeconds](Side &side) {
            if (!side.server || !side.config.isVantage()) {
                out->error = side.unusableText();
                return;
            }
            if (!side.usable()) {
                out->error = side.unusableText();
                return;
            }
            const QString name = side.config.vantageName();
            QSqlDatabase db = side.db();
            if (!VantageRecords::heartbeat(db, name, intervalSeconds, side.server->sessionName(), &out->error)) {
                side.noticeLoss(true);
                return;
            }
            VantageRecords::WriterInputs inputs;
            if (!VantageRecords::readWriterInputs(db, &inputs, &out->error)) {
                side.noticeLoss(true);
                return;
            }
            for (const VantageState &v : std::as_const(inputs.vantages)) {
                if (v.name == name)
                    out->writer = v.writer;
            }
            // The writer's lock is tried at every pass until it is held: the
            // writer that ended (or whose line broke) gave it back with its
            // session.
            if (!out->writer) {
                bool taken = false;
                if (!VantageLock::tryWriter(db, &taken, &out->error)) {
                    side.noticeLoss(true);
                    return;
                }
                out->writer = taken;
                for (VantageState &v : inputs.vantages) {
                    if (v.name == name)
                        v.writer = taken;
                }
            }
            out->vantages = inputs.vantages;
            out->rule = inputs.rule;
            QSet<QString> live;
            for (const VantageState &v : std::as_const(inputs.vantages)) {
                if (v.isLive())
                    live.insert(v.name);
            }
            for (auto it = inputs.intervals.cbegin(); it != inputs.intervals.cend(); ++it) {
                QStringList down;
                for (const VantageRule::Interval &i : it.value()) {
                    if (i.end == VantageRule::Open && live.contains(i.vantage) && !down.contains(i.vantage))
                        down << i.vantage;
                }
                if (!down.isEmpty()) {
                    down.sort();
                    out->vantagesDown.insert(it.key(), down);
                }
            }
            if (!out->writer) {
                out->ok = true;
                return;
            }
            QElapsedTimer decideTime;
            decideTime.start();
            const VantageWriter::Decision decision =
                VantageWriter::decide(inputs.book, inputs.intervals, inputs.vantages, inputs.rule,
                                      inputs.openLogRows, QDateTime::currentSecsSinceEpoch(), inputs.freshSince);
            out->decideMs = decideTime.elapsed();
            if (!VantageRecords::applyDecision(db, decision, inputs.freshSeqs, &out->applied, &out->error)) {
                side.noticeLoss(true);
                return;
            }
            QHash<QString, QString> descriptions;
            for (const VantageWriter::Host &h : std::as_const(inputs.book)) {
                if (!descriptions.contains(h.ip))
                    descriptions.insert(h.ip, h.description);
            }
            for (const VantageWriter::Close &c : std::as_const(out->applied.closes))
                out->closedDescriptions.insert(c.ip, descriptions.value(c.ip));
            // The log's open rows as they stand now: those read, less the
            // ones closed, with the ones opened.
            QList<VantageWriter::OpenRow> open = inputs.openLogRows;
            for (const VantageWriter::Close &c : std::as_const(out->applied.closes)) {
                open.removeIf([&c](const VantageWriter::OpenRow &r) { return r.ip == c.ip && r.begin == c.rowBegin; });
            }
            for (const VantageWriter::Open &o : std::as_const(out->applied.opens))
                open.append({o.ip, o.begin});
            std::stable_sort(open.begin(), open.end(),
                             [](const VantageWriter::OpenRow &a, const VantageWriter::OpenRow &b) { return a.begin < b.begin; });
            for (const VantageWriter::OpenRow &r : std::as_const(open)) {
                alerts::HostChange h;
                h.event = alerts::Event::Down;
                h.address = r.ip;
                h.description = descriptions.value(r.ip);
                h.begin = QDateTime::fromSecsSinceEpoch(r.begin);
                h.vantages = out->vantagesDown.value(r.ip);
                out->logDownNow << h;
            }
            out->ok = true;
        },
        [out, done] { done(*out); });
}

} // namespace monitor

namespace monitor {

void MonitorStore::readRttThresholds(
    QObject *context,
    std::function<void(bool ok, const QHash<QString, OutagePaths::Thresholds> &, const QString &error)> done)
{
    read<QHash<QString, OutagePaths::Thresholds>>(context, &OutagePaths::readThresholds, std::move(done));
}

void MonitorStore::writeOutagePath(QObject *context, const OutagePaths::Path &path,
                                   std::function<void(const QString &error)> done)
{
    write(
        context,
        [path](QSqlDatabase db, QString *error) { return OutagePaths::write(db, path, error); },
        std::move(done));
}

void MonitorStore::readOpenOutagePaths(
    QObject *context, std::function<void(bool ok, const QList<OutagePaths::Path> &, const QString &error)> done)
{
    read<QList<OutagePaths::Path>>(context, &OutagePaths::readOpen, std::move(done));
}

} // namespace monitor
