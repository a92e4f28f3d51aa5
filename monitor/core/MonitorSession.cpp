#include "MonitorSession.h"

#include "Clock.h"
#include "Database.h"
#include "OptionsStore.h"
#include "PollingEngine.h"
#include "RefreshInterval.h"
#include "ServerSession.h"
#include "SingleInstance.h"
#include "WriteQueue.h"

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
    wireEngine();
}

MonitorSession::~MonitorSession()
{
    if (m_started && !m_stopped)
        stop();
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
        emit passStarted();
    });
    connect(engine, &PollingEngine::outageBegan, this,
            [this](const QString &ip, const QString &desc, int timeoutMs, const QDateTime &at) {
                m_open->apply({OutageWrite::Begin, ip, desc, at});
                m_passBegan.append({desc, ip});
                emit outageBegan(ip, desc, timeoutMs, at);
            });
    connect(engine, &PollingEngine::outageEnded, this,
            [this](const QString &ip, const QString &desc, int timeoutMs, const QDateTime &at) {
                m_open->apply({OutageWrite::End, ip, QString(), at});
                m_passEnded.append({desc, ip});
                emit outageEnded(ip, desc, timeoutMs, at);
            });
    connect(engine, &PollingEngine::passFinished, this, [this](int errCount, int restCount) {
        emit passFinished(errCount, restCount);
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
        if (m_server && !m_server->usable()) {
            tell(QCoreApplication::translate("monitor::Form1", "Нет связи с сервером базы данных %1 (%2): записи о сбоях (%3) ждут и будут сделаны, "
                         "когда связь восстановится.")
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
    engine->setDatabaseOpener([this] { return reopenFile(); });
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

bool MonitorSession::openFile(bool atStart)
{
    QString error;
    QString warningText;
    Database::Options options;
    options.busyTimeoutMs = WriteBusyTimeoutMs;
    if (!Database::open(m_setup.databasePath, options, &error, QLatin1String(QSqlDatabase::defaultConnection),
                        &warningText)) {
        reportUnopened(error, atStart);
        return false;
    }
    m_lastOpenError.clear();
    if (!warningText.isEmpty())
        tell(warningText);
    databaseReady();
    readSettings();
    emit databaseOpened();
    return true;
}

// At a pass, while the file is not open: it may have appeared or been
// mended since.
bool MonitorSession::reopenFile()
{
    // The server is tried at every tick, never inside a pass: a pass
    // without it probes the last book read.
    if (isServer() || m_stopped || !takeDatabaseLock(false))
        return false;
    QString error;
    QString warningText;
    Database::Options options;
    options.busyTimeoutMs = WriteBusyTimeoutMs;
    if (!Database::open(m_setup.databasePath, options, &error, QLatin1String(QSqlDatabase::defaultConnection),
                        &warningText)) {
        reportUnopened(error, false);
        return false;
    }
    m_lastOpenError.clear();
    if (!warningText.isEmpty())
        tell(warningText);
    databaseReady();
    tell(QCoreApplication::translate("monitor::Form1", "База данных открыта: %1").arg(QFileInfo(m_setup.databasePath).absoluteFilePath()));
    // The settings could not be read at start-up: they are read now.
    readSettings();
    m_engine->setRefreshSecs(m_refreshSecs);
    emit databaseOpened();
    return true;
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

void MonitorSession::databaseReady()
{
    // Writes a previous run could not make (another program held the file,
    // or the server was away, when it ended) go first, in their order.
    WriteQueue *queue = m_engine->writeQueue();
    QString keptError;
    if (!queue->load(pendingWritesPath(), &keptError))
        tell(QCoreApplication::translate("monitor::Form1", "Не удалось прочитать отложенные записи %1: %2").arg(pendingWritesPath(), keptError));
    readOpenOutages();
    queue->retry();
}

void MonitorSession::readOpenOutages()
{
    QList<OpenOutage> rows;
    QString error;
    QSqlError failure;
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    if (!OpenOutages::read(db, &rows, &error, &failure)) {
        if (m_server && m_server->lost(failure))
            return;
        const QString what = QCoreApplication::translate("monitor::frmOtchet", "Отсутствующие соединения");
        toStderr(QStringLiteral("database error: %1: %2").arg(what, error));
        emit databaseError(what, error);
        return;
    }
    m_open->reset(rows, m_engine->writeQueue()->pending());
}

void MonitorSession::connectServerSession()
{
    Database::Options options;
    options.busyTimeoutMs = WriteBusyTimeoutMs;
    m_server = new ServerSession(m_setup.database, options, QLatin1String(QSqlDatabase::defaultConnection), this);
    m_engine->setConnectionWatch(m_server);
    const QString name = m_setup.database.describe();
    connect(m_server, &ServerSession::connectionLost, this, [this, name](const QString &why) {
        m_lastOpenError.clear();
        tell(QCoreApplication::translate("monitor::Form1", "Потеряна связь с сервером базы данных %1 (%2). Проверка адресов продолжается; записи о "
                     "сбоях ждут и будут сделаны, когда связь восстановится.")
                 .arg(name, why.trimmed()));
        emit databaseLost(why.trimmed());
    });
    connect(m_server, &ServerSession::reconnectFailed, this,
            [this](const QString &error) { reportUnopened(error, false); });
    connect(m_server, &ServerSession::heldByOther, this, [this, name](const QString &holder) {
        const QString text = QCoreApplication::translate("monitor::Form1", "Базу данных %1 занял другой монитор (%2), пока связь с сервером была потеряна. "
                                     "Этот монитор продолжает проверку, но ничего не записывает, пока тот работает; "
                                     "закройте один из них.")
                                 .arg(name, holder);
        if (text == m_lastOpenError)
            return;
        m_lastOpenError = text;
        tell(text);
    });
    connect(m_server, &ServerSession::reconnected, this, [this, name] {
        m_lastOpenError.clear();
        if (!m_server->warning().isEmpty())
            tell(m_server->warning());
        if (!m_settingsRead) {
            // The server could not be reached at start-up: the settings are
            // read now.
            tell(QCoreApplication::translate("monitor::Form1", "База данных открыта: %1").arg(name));
            readSettings();
            m_engine->setRefreshSecs(m_refreshSecs);
            databaseReady();
            emit databaseOpened();
        } else {
            tell(QCoreApplication::translate("monitor::Form1", "Связь с сервером базы данных %1 восстановлена.").arg(name));
            databaseReady();
            emit databaseBack();
        }
    });
}

bool MonitorSession::openServer()
{
    QString text;
    switch (m_server->openAtStart(&text)) {
    case ServerSession::OpenResult::Opened:
        if (!m_server->warning().isEmpty())
            tell(m_server->warning());
        readSettings();
        databaseReady();
        emit databaseOpened();
        return true;
    case ServerSession::OpenResult::HeldByOther: {
        const QString refusal = QCoreApplication::translate("monitor::Form1", "Программа уже запущена!") + QLatin1String("\n\n")
                                + QCoreApplication::translate("monitor::Form1", "Базу данных %1 уже использует другой монитор: %2.")
                                      .arg(m_setup.database.describe(), text);
        toStderr(refusal);
        emit refused(refusal);
        return false;
    }
    case ServerSession::OpenResult::Failed:
        break;
    }
    // As for a missing file; the server is tried again at every tick.
    reportUnopened(text, true);
    return true;
}

void MonitorSession::readSettings()
{
    OptionsRecord record;
    QStringList problems;
    QString error;
    if (!OptionsStore::read(&record, &problems, &error)) {
        toStderr(QStringLiteral("database error: %1: %2").arg(QCoreApplication::translate("monitor::Form1", "Чтение настроек"), error));
        emit databaseError(QCoreApplication::translate("monitor::Form1", "Чтение настроек"), error);
        return;
    }
    // The monitor runs on the defaults, and says which ones.
    for (const QString &problem : problems)
        tell(QCoreApplication::translate("monitor::Form1", "Настройки: %1; используется значение по умолчанию.").arg(problem));
    m_refreshSecs = RefreshInterval::seconds(record.refreshTime);
    m_sndErr = record.sndErr;
    m_sndRest = record.sndRest;
    m_showOnErr = record.view != 0;
    m_settingsRead = true;
}

bool MonitorSession::databaseUsable() const
{
    if (m_server)
        return m_server->usable();
    return QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).isOpen();
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
    m_engine->setLastCheck(m_clock->now());
}

void MonitorSession::tick()
{
    if (m_stopped)
        return;
    // A server that went away is tried again once a tick, before the kept
    // writes are (in the engine's tick).
    if (m_server)
        m_server->tick();
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
    // Quitting ends the watch in the middle of a pass: no outage may be
    // written after this point without the alert that belongs to it.
    m_engine->stop();
    // Within a second whatever holds the database: kept writes are tried a
    // little longer, and the rest waits for the next start in a file.
    keepPendingWrites();
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
    if (queue->isEmpty())
        return;
    queue->flushFor(FinalFlushMs);
    if (queue->isEmpty())
        return;
    QString error;
    if (queue->save(pendingWritesPath(), &error)) {
        toStderr(QStringLiteral("%1 outage writes could not be made (the database is busy); kept in %2 for the next start")
                     .arg(queue->size())
                     .arg(pendingWritesPath()));
    } else {
        toStderr(QStringLiteral("%1 outage writes are lost: the database is busy and %2 cannot be written: %3")
                     .arg(queue->size())
                     .arg(pendingWritesPath(), error));
    }
}

void MonitorSession::tell(const QString &text)
{
    toStderr(text);
    emit notice(text);
}

} // namespace monitor
