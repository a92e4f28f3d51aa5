#include "MonitorSession.h"

#include "Clock.h"
#include "Database.h"
#include "OptionsStore.h"
#include "PollingEngine.h"
#include "RefreshInterval.h"
#include "ServerSession.h"
#include "SingleInstance.h"
#include "WriteQueue.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>

#include <cstdio>
#include <utility>

// The texts the operator reads keep the window's translation context: they
// are the sentences the window used to say itself.
namespace monitor {

namespace {

void toStderr(const QString &text)
{
    std::fprintf(stderr, "orvant: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

MonitorSession::MonitorSession(const SessionSetup &setup, PollingEngine *engine, const Clock *clock, QObject *parent)
    : QObject(parent)
    , m_setup(setup)
    , m_engine(engine)
    , m_clock(clock)
    , m_open(new OpenOutages(this))
{
    Q_ASSERT(engine && clock);
    m_exec = setup.databaseThread
                 ? DatabaseExecutor::threaded(QStringLiteral("orvant-db"))
                 : std::make_unique<DatabaseExecutor>(QLatin1String(QSqlDatabase::defaultConnection));
    // Told before the engine, so that the engine's kept write is told as
    // waiting for the server.
    connect(m_exec.get(), &DatabaseExecutor::replaced, this, &MonitorSession::onStatementGivenUp);
    m_engine->setExecutor(m_exec.get());
    if (m_exec->isThreaded()) {
        // A statement that does not come back is noticed within half a
        // second of its limit, whatever the window is doing.
        m_watchdog = new QTimer(this);
        m_watchdog->setInterval(500);
        connect(m_watchdog, &QTimer::timeout, m_exec.get(), &DatabaseExecutor::checkStuck);
        m_watchdog->start();
    }
    wireEngine();
}

MonitorSession::~MonitorSession()
{
    if (m_started && !m_stopped)
        stop();
    releaseDatabase();
}

void MonitorSession::releaseDatabase()
{
    if (m_server) {
        ServerSession *server = std::exchange(m_server, nullptr);
        m_engine->setConnectionWatch(nullptr);
        // Closed where it lives; a thread that no longer answers takes it along.
        m_exec->post([server](QSqlDatabase) {
            server->close();
            delete server;
        });
    }
    m_exec->release();
}

void MonitorSession::await(DatabaseExecutor::Job job)
{
    struct Wait
    {
        bool done = false;
        QEventLoop *loop = nullptr;
    };
    auto wait = std::make_shared<Wait>();
    m_exec->run(this, std::move(job), [wait] {
        wait->done = true;
        if (wait->loop)
            wait->loop->quit();
    });
    if (wait->done || m_stopped)
        return;
    QEventLoop loop;
    wait->loop = &loop;
    m_awaiting = &loop;
    loop.exec();
    m_awaiting = nullptr;
    wait->loop = nullptr;
}

void MonitorSession::runJob(DatabaseExecutor::Job job, std::function<void()> then, bool wait)
{
    if (!wait) {
        m_exec->run(this, std::move(job), std::move(then));
        return;
    }
    auto done = std::make_shared<bool>(false);
    await([job = std::move(job), done](QSqlDatabase db) {
        job(db);
        *done = true;
    });
    if (*done)
        then();
}

void MonitorSession::wireEngine()
{
    PollingEngine *engine = m_engine;
    connect(engine, &PollingEngine::countdownChanged, this, &MonitorSession::countdownChanged);
    connect(engine, &PollingEngine::passStarted, this, [this] {
        // A pass that was stopped never finished: what it had found is not
        // news for the next one.
        m_passBegan.clear();
        m_passEnded.clear();
        m_passDowntime.clear();
        reloadAlerts();
        m_alerts.passStarted(m_clock->now());
        emit passStarted();
    });
    connect(engine, &PollingEngine::outageBegan, this,
            [this](const QString &ip, const QString &desc, int timeoutMs, const QDateTime &at) {
                m_open->apply({OutageWrite::Begin, ip, desc, at});
                // Noted first: the window's tray shows the change with its line.
                m_changeRings = m_alerts.ringsAtOnce(ip, true);
                m_alerts.noteChange(ip, desc, true, m_changeRings, at);
                if (m_changeRings)
                    m_passBegan.append({desc, ip});
                emit outageBegan(ip, desc, timeoutMs, at);
                m_changeRings = true;
            });
    connect(engine, &PollingEngine::restoredAfter, this,
            [this](const QString &, qint64 downSeconds) { m_restoredAfter = downSeconds; });
    connect(engine, &PollingEngine::outageEnded, this,
            [this](const QString &ip, const QString &desc, int timeoutMs, const QDateTime &at) {
                m_open->apply({OutageWrite::End, ip, QString(), at});
                // The restoration's notification tells how long the host was
                // down, unless the operator turned that off (notify.downtime=0).
                const qint64 down = std::exchange(m_restoredAfter, -1);
                const qint64 told = m_extra.flag(QStringLiteral("notify.downtime"), true) ? down : -1;
                m_changeRings = m_alerts.ringsAtOnce(ip, false);
                m_alerts.noteChange(ip, desc, false, m_changeRings, at);
                if (m_changeRings)
                    m_passEnded.append({desc, ip, told});
                else
                    m_passDowntime.insert(ip, told);
                emit outageEnded(ip, desc, timeoutMs, at);
                m_changeRings = true;
            });
    connect(engine, &PollingEngine::passFinished, this, [this](int errCount, int restCount) {
        AlertGate::Alarms alarms = m_alerts.passFinished(m_clock->now(), m_engine->lastPassStates());
        for (NotifiedHost &h : alarms.ended)
            h.downSeconds = m_passDowntime.value(h.ip, -1);
        storeMarks(alarms.marks);
        // Held alarms given now join the pass's one notification.
        m_passBegan += alarms.began;
        m_passEnded += alarms.ended;
        emit passFinished(errCount, restCount);
        if (!m_stopped
            && (!alarms.began.isEmpty() || !alarms.ended.isEmpty() || !alarms.held.isEmpty()
                || !alarms.startedFlapping.isEmpty() || !alarms.settled.isEmpty()))
            emit alarmsDecided(alarms);
        const QList<NotifiedHost> began = std::exchange(m_passBegan, {});
        const QList<NotifiedHost> ended = std::exchange(m_passEnded, {});
        if (!m_stopped)
            emit passEnded(began, ended);
    });
    // The engine writes these to stderr itself.
    connect(engine, &PollingEngine::databaseError, this, &MonitorSession::databaseError);
    connect(engine, &PollingEngine::probeUnavailable, this, &MonitorSession::probeUnavailable);
    connect(engine, &PollingEngine::notice, this, &MonitorSession::notice);
    connect(engine->writeQueue(), &WriteQueue::waiting, this, [this](int count, const QString &why) {
        if (m_server && !m_serverUsable) {
            tell(QCoreApplication::translate("monitor::Form1", "Нет связи с сервером базы данных %1 (%2): записи о сбоях (%3) ждут и будут сделаны, "
                         "когда связь восстановится.")
                     .arg(m_setup.database.describe(), why)
                     .arg(count));
            return;
        }
        if (m_server) {
            tell(QCoreApplication::translate("monitor::Form1",
                                             "Сервер базы данных %1 пока не принимает записи (%2): записи о сбоях (%3) ждут "
                                             "и будут сделаны, как только он их примет.")
                     .arg(m_setup.database.describe(), why)
                     .arg(count));
            return;
        }
        tell(QCoreApplication::translate("monitor::Form1", "База данных занята другой программой (%1): записи о сбоях (%2) ждут и будут сделаны, "
                     "как только она освободится.")
                 .arg(why)
                 .arg(count));
    });
    connect(engine->writeQueue(), &WriteQueue::resumed, this,
            [this](int written) { tell(QCoreApplication::translate("monitor::Form1", "Отложенные записи о сбоях сделаны (%1).").arg(written)); });
    engine->setAsyncDatabaseOpener([this](std::function<void(bool)> done) { reopenFile(std::move(done)); });
}

MonitorSession::StartResult MonitorSession::start()
{
    // Before anything else touches the database: one monitor per user.
    m_instance = std::make_unique<SingleInstance>(QStringLiteral("orvant"), m_setup.lockDirectory);
    m_instance->tryAcquire();
    if (m_instance->state() == ExclusiveLock::State::HeldByOther) {
        emit refused(QCoreApplication::translate("monitor::Form1", "Программа уже запущена!"));
        return StartResult::AlreadyRunning;
    }
    // And one monitor per database, whoever runs it and by whatever path
    // (or from whichever machine, on a server).
    if (isServer()) {
        connectServerSession();
        if (!openServer())
            return StartResult::AlreadyRunning;
    } else if (!takeDatabaseLock(true)) {
        return StartResult::AlreadyRunning;
    }
    m_started = true;
    if (m_instance->state() == ExclusiveLock::State::Failed) {
        // Not a reason to stop watching: the database's own lock still
        // keeps a second monitor away from the file.
        const QString text = QCoreApplication::translate("monitor::Form1", "Не удалось создать файл блокировки %1 (%2): проверка второго экземпляра "
                                     "программы невозможна. Проверьте, что каталог доступен для записи и на диске "
                                     "есть место.")
                                 .arg(m_instance->lockFilePath(), m_instance->errorText());
        tell(text);
        emit warning(text);
    }
    if (!isServer())
        openFile(true);
    m_engine->setRefreshSecs(m_refreshSecs);
    return StartResult::Started;
}

// False only when another monitor uses the file: this one must not run.
bool MonitorSession::takeDatabaseLock(bool atStart)
{
    if (m_databaseInstance && m_databaseInstance->state() == ExclusiveLock::State::Held)
        return true;
    QString why;
    m_databaseInstance =
        SingleInstance::forDatabase(m_setup.databasePath, m_setup.databaseLockDirectory, &why);
    if (!m_databaseInstance)
        return true;  // no file yet: nobody can be using it, and opening says why
    m_databaseInstance->tryAcquire();
    switch (m_databaseInstance->state()) {
    case ExclusiveLock::State::Held:
    case ExclusiveLock::State::Unlocked:
        return true;
    case ExclusiveLock::State::Failed: {
        const QString text = QCoreApplication::translate("monitor::Form1", "Не удалось создать файл блокировки базы данных %1 (%2): второй монитор на "
                                     "этой базе данных не будет обнаружен. Проверьте права на каталог %3.")
                                 .arg(m_databaseInstance->lockFilePath(), m_databaseInstance->errorText(),
                                      QFileInfo(m_databaseInstance->lockFilePath()).absolutePath());
        tell(text);
        if (atStart)
            emit warning(text);
        return true;
    }
    case ExclusiveLock::State::HeldByOther:
        break;
    }
    QString text = QCoreApplication::translate("monitor::Form1", "Программа уже запущена!");
    const QString user = m_databaseInstance->holderUser();
    if (!user.isEmpty()) {
        text += QLatin1String("\n\n")
                + QCoreApplication::translate("monitor::Form1", "Базу данных %1 уже использует монитор пользователя %2 (процесс %3).")
                      .arg(QFileInfo(m_setup.databasePath).absoluteFilePath(), user)
                      .arg(m_databaseInstance->holderPid());
    }
    m_databaseInstance.reset();
    if (atStart) {
        toStderr(text);
        emit refused(text);
    } else if (m_lastOpenError != text) {
        m_lastOpenError = text;
        tell(text);
    }
    return false;
}

namespace {

struct Opening
{
    bool ok = false;
    QString error;
    QString warning;
};

} // namespace

bool MonitorSession::openFile(bool atStart)
{
    auto opening = std::make_shared<Opening>();
    Database::Options options;
    options.busyTimeoutMs = WriteBusyTimeoutMs;
    const QString path = m_setup.databasePath;
    const QString connection = m_exec->connectionName();
    await([opening, path, options, connection](QSqlDatabase) {
        opening->ok = Database::open(path, options, &opening->error, connection, &opening->warning);
    });
    if (m_stopped)
        return false;
    if (!opening->ok) {
        reportUnopened(opening->error, atStart);
        return false;
    }
    m_fileOpen = true;
    m_lastOpenError.clear();
    if (!opening->warning.isEmpty())
        tell(opening->warning);
    databaseReady(true);
    readSettings(true);
    emit databaseOpened();
    return true;
}

// At a pass, while the file is not open: it may have appeared or been
// mended since.
void MonitorSession::reopenFile(std::function<void(bool)> done)
{
    // The server is tried at every tick, never inside a pass: a pass
    // without it probes the last book read.
    if (isServer() || m_stopped || !takeDatabaseLock(false)) {
        done(false);
        return;
    }
    auto opening = std::make_shared<Opening>();
    Database::Options options;
    options.busyTimeoutMs = WriteBusyTimeoutMs;
    const QString path = m_setup.databasePath;
    const QString connection = m_exec->connectionName();
    m_exec->run(
        this,
        [opening, path, options, connection](QSqlDatabase) {
            opening->ok = Database::open(path, options, &opening->error, connection, &opening->warning);
        },
        [this, opening, done] {
            if (!opening->ok) {
                reportUnopened(opening->error, false);
                done(false);
                return;
            }
            m_fileOpen = true;
            m_lastOpenError.clear();
            if (!opening->warning.isEmpty())
                tell(opening->warning);
            databaseReady(false);
            tell(QCoreApplication::translate("monitor::Form1", "База данных открыта: %1").arg(QFileInfo(m_setup.databasePath).absoluteFilePath()));
            // The settings could not be read at start-up: they are read now.
            readSettings(false);
            emit databaseOpened();
            done(true);
        });
}

void MonitorSession::reportUnopened(const QString &error, bool atStart)
{
    if (!atStart && error == m_lastOpenError)
        return;
    m_lastOpenError = error;
    toStderr(error);
    if (atStart)
        emit unopenedAtStart(error);
    emit databaseError(QCoreApplication::translate("monitor::Form1", "Открытие базы данных"), error);
}

void MonitorSession::databaseReady(bool wait)
{
    // Writes a previous run could not make (another program held the file,
    // or the server was away, when it ended) go first, in their order.
    WriteQueue *queue = m_engine->writeQueue();
    QString keptError;
    if (!queue->load(pendingWritesPath(), &keptError))
        tell(QCoreApplication::translate("monitor::Form1", "Не удалось прочитать отложенные записи %1: %2").arg(pendingWritesPath(), keptError));
    readOpenOutages(wait);
    queue->retry();
}

void MonitorSession::readOpenOutages(bool wait)
{
    struct Read
    {
        bool ok = false;
        bool lost = false;
        QList<OpenOutage> rows;
        QString error;
    };
    auto read = std::make_shared<Read>();
    ServerSession *server = m_server;
    runJob(
        [read, server](QSqlDatabase db) {
            QSqlError failure;
            read->ok = OpenOutages::read(db, &read->rows, &read->error, &failure);
            if (!read->ok && server)
                read->lost = server->lost(failure);
        },
        [this, read] {
            if (read->ok) {
                m_open->reset(read->rows, m_engine->writeQueue()->pending());
                return;
            }
            if (read->lost)
                return;
            const QString what = QCoreApplication::translate("monitor::frmOtchet", "Отсутствующие соединения");
            toStderr(QStringLiteral("database error: %1: %2").arg(what, read->error));
            emit databaseError(what, read->error);
        },
        wait);
}

void MonitorSession::connectServerSession()
{
    Database::Options options;
    options.busyTimeoutMs = WriteBusyTimeoutMs;
    const DatabaseConfig config = m_setup.database;
    const QString connection = m_exec->connectionName();
    // Made where its connection lives: its reconnection knocks and its
    // statements run on that thread, between the other jobs.
    auto made = std::make_shared<ServerSession *>(nullptr);
    await([made, config, options, connection](QSqlDatabase) {
        *made = new ServerSession(config, options, connection);
    });
    m_server = *made;
    if (!m_server)
        return;
    m_engine->setConnectionWatch(m_server);
    watchServer();
}

void MonitorSession::watchServer()
{
    const QString name = m_setup.database.describe();
    ServerSession *server = m_server;
    connect(server, &ServerSession::connectionLost, this, [this, server, name](const QString &why) {
        if (server != m_server)
            return;
        m_serverUsable = false;
        m_lastOpenError.clear();
        tell(QCoreApplication::translate("monitor::Form1", "Потеряна связь с сервером базы данных %1 (%2). Проверка адресов продолжается; записи о "
                     "сбоях ждут и будут сделаны, когда связь восстановится.")
                 .arg(name, why.trimmed()));
        emit databaseLost(why.trimmed());
    });
    connect(server, &ServerSession::reconnectFailed, this, [this, server](const QString &error) {
        if (server == m_server)
            reportUnopened(error, false);
    });
    connect(server, &ServerSession::heldByOther, this, [this, server, name](const QString &holder) {
        if (server != m_server)
            return;
        m_serverUsable = false;
        const QString text = QCoreApplication::translate("monitor::Form1", "Базу данных %1 занял другой монитор (%2), пока связь с сервером была потеряна. "
                                     "Этот монитор продолжает проверку, но ничего не записывает, пока тот работает; "
                                     "закройте один из них.")
                                 .arg(name, holder);
        if (text == m_lastOpenError)
            return;
        m_lastOpenError = text;
        tell(text);
    });
    connect(server, &ServerSession::reconnected, this, [this, server, name] {
        if (server != m_server)
            return;
        m_serverUsable = true;
        m_lastOpenError.clear();
        auto warningText = std::make_shared<QString>();
        runJob([server, warningText](QSqlDatabase) { *warningText = server->warning(); },
               [this, warningText, name] {
                   if (!warningText->isEmpty())
                       tell(*warningText);
                   if (!m_settingsRead) {
                       // The server could not be reached at start-up: the
                       // settings are read now.
                       tell(QCoreApplication::translate("monitor::Form1", "База данных открыта: %1").arg(name));
                       readSettings(false);
                       databaseReady(false);
                       emit databaseOpened();
                   } else {
                       tell(QCoreApplication::translate("monitor::Form1", "Связь с сервером базы данных %1 восстановлена.").arg(name));
                       databaseReady(false);
                       emit databaseBack();
                   }
               },
               false);
    });
}

bool MonitorSession::openServer()
{
    struct Opened
    {
        ServerSession::OpenResult result = ServerSession::OpenResult::Failed;
        QString text;
        QString warning;
    };
    auto opened = std::make_shared<Opened>();
    ServerSession *server = m_server;
    if (server) {
        await([server, opened](QSqlDatabase) {
            opened->result = server->openAtStart(&opened->text);
            opened->warning = server->warning();
        });
    }
    if (m_stopped)
        return true;
    switch (opened->result) {
    case ServerSession::OpenResult::Opened:
        m_serverUsable = true;
        if (!opened->warning.isEmpty())
            tell(opened->warning);
        readSettings(true);
        databaseReady(true);
        emit databaseOpened();
        return true;
    case ServerSession::OpenResult::HeldByOther: {
        const QString refusal = QCoreApplication::translate("monitor::Form1", "Программа уже запущена!") + QLatin1String("\n\n")
                                + QCoreApplication::translate("monitor::Form1", "Базу данных %1 уже использует другой монитор: %2.")
                                      .arg(m_setup.database.describe(), opened->text);
        toStderr(refusal);
        emit refused(refusal);
        return false;
    }
    case ServerSession::OpenResult::Failed:
        break;
    }
    // As for a missing file; the server is tried again at every tick.
    reportUnopened(opened->text, true);
    return true;
}

void MonitorSession::onStatementGivenUp()
{
    if (m_awaiting)
        m_awaiting->quit();
    const QString text = tr("База данных не ответила за %1 с: соединение с ней открывается заново. Проверка адресов "
                            "продолжается; записи о сбоях ждут и будут сделаны, когда она ответит.")
                             .arg(DatabaseExecutor::StatementLimitMs / 1000);
    tell(text);
    if (m_server) {
        // The old session stays with the thread that was given up; a new
        // one knocks from the fresh thread at the next ticks, and ends the
        // old server session (its own, by name) when it takes the lock.
        m_serverUsable = false;
        m_server = nullptr;
        Database::Options options;
        options.busyTimeoutMs = WriteBusyTimeoutMs;
        const DatabaseConfig config = m_setup.database;
        const QString connection = m_exec->connectionName();
        auto made = std::make_shared<ServerSession *>(nullptr);
        m_exec->run(
            this, [made, config, options, connection](QSqlDatabase) {
                *made = new ServerSession(config, options, connection);
            },
            [this, made] {
                if (!*made || m_server)
                    return;
                m_server = *made;
                m_engine->setConnectionWatch(m_server);
                watchServer();
            });
    } else {
        // The next pass opens the file again on the fresh connection.
        m_fileOpen = false;
    }
    emit databaseLost(text);
}

void MonitorSession::readSettings(bool wait)
{
    struct Read
    {
        bool ok = false;
        OptionsRecord record;
        QStringList problems;
        QString error;
        ExtraSettings extra;
    };
    auto read = std::make_shared<Read>();
    const QString connection = m_exec->connectionName();
    runJob(
        [read, connection](QSqlDatabase db) {
            read->ok = OptionsStore::read(&read->record, &read->problems, &read->error, connection);
            // Settings beyond the options row are optional: a database
            // without them reads as the defaults.
            QString ignored;
            ExtraSettings::read(db, &read->extra, &ignored);
        },
        [this, read] {
            if (!read->ok) {
                const QString what = QCoreApplication::translate("monitor::Form1", "Чтение настроек");
                toStderr(QStringLiteral("database error: %1: %2").arg(what, read->error));
                emit databaseError(what, read->error);
                return;
            }
            // The monitor runs on the defaults, and says which ones.
            for (const QString &problem : read->problems)
                tell(QCoreApplication::translate("monitor::Form1", "Настройки: %1; используется значение по умолчанию.").arg(problem));
            m_refreshSecs = RefreshInterval::seconds(read->record.refreshTime);
            m_sndErr = read->record.sndErr;
            m_sndRest = read->record.sndRest;
            m_showOnErr = read->record.view != 0;
            m_extra = read->extra;
            m_settingsRead = true;
            m_engine->setRefreshSecs(m_refreshSecs);
            emit settingsRead();
        },
        wait);
}

bool MonitorSession::databaseUsable() const
{
    return isServer() ? m_serverUsable : m_fileOpen;
}

QString MonitorSession::countsText() const
{
    return m_engine->countsText();
}

void MonitorSession::runFirstPass()
{
    m_engine->setLastCheck(m_clock->now());
    QEventLoop wait;
    bool finished = false;
    const auto onFinished = connect(m_engine, &PollingEngine::passFinished, &wait, [&] {
        finished = true;
        wait.quit();
    });
    m_firstPassWait = &wait;
    m_engine->CheckAll();
    // The pass runs on the event loop; the caller's splash stays up until it is over.
    if (!finished && m_engine->isRunning() && !m_stopped)
        wait.exec();
    disconnect(onFinished);
    m_firstPassWait = nullptr;
    // A finished pass anchored the schedule itself; anchoring it again here
    // would swallow a clock step made since.
    if (!finished)
        m_engine->setLastCheck(m_clock->now());
}

void MonitorSession::tick()
{
    if (m_stopped)
        return;
    // A server that went away is tried again once a tick, before the kept
    // writes are (in the engine's tick). Ticks do not pile up behind a
    // statement that takes long.
    if (m_server && m_exec->jobsWaiting() < 2) {
        ServerSession *server = m_server;
        m_exec->post([server](QSqlDatabase) { server->tick(); });
    }
    m_engine->tick();
}

void MonitorSession::checkNow()
{
    if (!m_stopped)
        m_engine->CheckAll();
}

void MonitorSession::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    if (m_firstPassWait)
        m_firstPassWait->quit();
    if (m_awaiting)
        m_awaiting->quit();
    // Quitting ends the watch in the middle of a pass: no outage may be
    // written after this point without the alert that belongs to it.
    m_engine->stop();
    // Within a second whatever holds the database: kept writes are tried a
    // little longer, and the rest waits for the next start in a file.
    keepPendingWrites();
    if (m_watchdog)
        m_watchdog->stop();
    releaseDatabase();
}

QString MonitorSession::pendingWritesPath() const
{
    if (isServer()) {
        // Beside the programs, named after the server's database, so that
        // two installations' monitors (or a later switch to another
        // server) never take back each other's writes.
        const DatabaseConfig &c = m_setup.database;
        QString name = QStringLiteral("%1@%2_%3").arg(c.name(), c.host()).arg(c.port());
        for (QChar &ch : name) {
            if (!ch.isLetterOrNumber() && ch != QLatin1Char('@') && ch != QLatin1Char('.') && ch != QLatin1Char('-')
                && ch != QLatin1Char('_'))
                ch = QLatin1Char('_');
        }
        return QDir(m_setup.programDirectory).filePath(name + QStringLiteral(".orvant-pending"));
    }
    return QFileInfo(m_setup.databasePath).absoluteFilePath() + QStringLiteral(".orvant-pending");
}

void MonitorSession::keepPendingWrites()
{
    WriteQueue *queue = m_engine->writeQueue();
    if (queue->unsavedCount() == 0)
        return;
    // A database thread stuck in a statement will not make them now.
    if (m_exec->jobElapsedMs() <= DatabaseExecutor::HopelessMs)
        queue->flushFor(FinalFlushMs);
    if (queue->unsavedCount() == 0)
        return;
    // The reason is the database's own (busy, read-only, dropped, refused).
    auto tr = [](const char *text) { return QCoreApplication::translate("monitor::Form1", text); };
    const QString why = queue->lastError().isEmpty() ? tr("причина неизвестна") : queue->lastError();
    QString error;
    if (queue->save(pendingWritesPath(), &error)) {
        toStderr(tr("Записи о сбоях (%1) не сделаны (%2); они сохранены в %3 и будут сделаны при следующем запуске.")
                     .arg(queue->unsavedCount())
                     .arg(why, pendingWritesPath()));
    } else {
        toStderr(tr("Записи о сбоях (%1) потеряны: они не сделаны (%2), а файл %3 не записывается: %4")
                     .arg(queue->unsavedCount())
                     .arg(why, pendingWritesPath(), error));
    }
}

void MonitorSession::tell(const QString &text)
{
    toStderr(text);
    emit notice(text);
}

} // namespace monitor

namespace monitor {

namespace {

// A failed alert statement on a server may be the first to meet a lost
// connection: the server session must learn it, as from the engine's own
// statements, or the loss goes unnoticed. Runs on the database thread.
void noticeLoss(ServerSession *server, const QSqlDatabase &db, bool failed)
{
    if (!server || !failed)
        return;
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("select 1")))
        server->lost(probe.lastError());
}

} // namespace

void MonitorSession::reloadAlerts()
{
    if (m_stopped || !databaseUsable())
        return;
    auto loaded = std::make_shared<AlertGate::Loaded>();
    m_exec->run(
        this,
        [loaded, server = m_server](QSqlDatabase db) {
            *loaded = AlertGate::load(db);
            noticeLoss(server, db, !loaded->ok);
        },
        [this, loaded] {
            // A database without the alerts' tables (one opened read-only,
            // made by an older version) runs on the defaults, which ring as
            // always: stderr says so once, the event list stays the outages'.
            const QString error = loaded->ok ? QString() : loaded->error;
            if (!error.isEmpty() && error != m_alertsError)
                toStderr(QStringLiteral("alert settings unavailable, defaults used: %1").arg(error));
            m_alertsError = error;
            m_alerts.setLoaded(*loaded);
            emit alertsReloaded();
        });
}

void MonitorSession::storeMarks(const QList<AlertRecords::Mark> &marks)
{
    if (marks.isEmpty() || !databaseUsable())
        return;
    auto error = std::make_shared<QString>();
    m_exec->run(
        this,
        [marks, error, server = m_server](QSqlDatabase db) {
            noticeLoss(server, db, !AlertRecords::writeMarks(db, marks, error.get()));
        },
        [this, error] {
            if (error->isEmpty())
                return;
            const QString what = QCoreApplication::translate("monitor::Form1", "Запись причин тихих сбоев");
            toStderr(QStringLiteral("database error: %1: %2").arg(what, *error));
            emit databaseError(what, *error);
        });
}

void MonitorSession::muteHost(const QString &ip, const QDateTime &until)
{
    if (!databaseUsable())
        return;
    auto error = std::make_shared<QString>();
    m_exec->run(
        this,
        [ip, until, error, server = m_server](QSqlDatabase db) {
            noticeLoss(server, db, !AlertRecords::writeMute(db, {ip, until}, error.get()));
        },
        [this, error] {
            if (!error->isEmpty()) {
                const QString what = QCoreApplication::translate("monitor::Form1", "Отключение сигналов");
                toStderr(QStringLiteral("database error: %1: %2").arg(what, *error));
                emit databaseError(what, *error);
            }
            reloadAlerts();
        });
}

void MonitorSession::unmuteHost(const QString &ip)
{
    if (!databaseUsable())
        return;
    auto error = std::make_shared<QString>();
    m_exec->run(
        this,
        [ip, error, server = m_server](QSqlDatabase db) {
            noticeLoss(server, db, !AlertRecords::liftMute(db, ip, error.get()));
        },
        [this, error] {
            if (!error->isEmpty()) {
                const QString what = QCoreApplication::translate("monitor::Form1", "Включение сигналов");
                toStderr(QStringLiteral("database error: %1: %2").arg(what, *error));
                emit databaseError(what, *error);
            }
            reloadAlerts();
        });
}

} // namespace monitor
