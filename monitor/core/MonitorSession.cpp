#include "MonitorSession.h"

#include "Clock.h"
#include "Database.h"
#include "PollingEngine.h"
#include "RefreshInterval.h"
#include "SingleInstance.h"
#include "WriteQueue.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <utility>

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
    , m_state(new HostState(this))
    , m_timer(new QTimer(this))
{
    Q_ASSERT(engine && clock);
    m_timer->setObjectName(QStringLiteral("Timer2"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &MonitorSession::tick);
    m_store = setup.databaseThread ? MonitorStore::threaded()
                                   : MonitorStore::inlineOn(QLatin1String(QSqlDatabase::defaultConnection));
    m_store->setDatabase(isServer() ? setup.database : DatabaseConfig::sqliteFile(setup.databasePath),
                         setup.databaseLockDirectory);
    // Told before the engine hears of it, so that the engine's kept write is
    // told as waiting for the database.
    wireStore();
    m_engine->setStore(m_store.get());
    m_state->setVantageName(setup.database.vantageName());
    m_engine->setHostState(m_state);
    m_engine->setAlertGate(&m_alerts);
    wireEngine();
}

MonitorSession::~MonitorSession()
{
    if (m_started && !m_stopped)
        stop();
    m_store->close();
}

void MonitorSession::await(const std::function<void(std::function<void()>)> &begin)
{
    struct Wait
    {
        bool done = false;
        QEventLoop *loop = nullptr;
    };
    auto wait = std::make_shared<Wait>();
    begin([wait] {
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

QString MonitorSession::databaseName() const
{
    return isServer() ? m_setup.database.describe() : QFileInfo(m_setup.databasePath).absoluteFilePath();
}

void MonitorSession::wireStore()
{
    MonitorStore *store = m_store.get();
    connect(store, &MonitorStore::statementGivenUp, this, [this] {
        if (m_awaiting)
            m_awaiting->quit();
        const QString text = tr("База данных не ответила за %1 с: соединение с ней открывается заново. Проверка "
                                "адресов продолжается; записи о сбоях ждут и будут сделаны, когда она ответит.")
                                 .arg(MonitorStore::StatementLimitMs / 1000);
        tell(text);
        emit databaseLost(text);
    });
    connect(store, &MonitorStore::fileGone, this, [this](const QString &path) {
        m_lastOpenError.clear();
        const QString text = tr("Файл базы данных %1 удалён или заменён другим, пока монитор работал. Проверка "
                                "адресов продолжается по последнему прочитанному списку; записи о сбоях ждут и будут "
                                "сделаны, когда на этом месте снова будет база данных.")
                                 .arg(QFileInfo(path).absoluteFilePath());
        tell(text);
        emit databaseLost(text);
    });
    connect(store, &MonitorStore::connectionLost, this, [this](const QString &why) {
        m_lastOpenError.clear();
        tell(tr("Потеряна связь с сервером базы данных %1 (%2). Проверка адресов продолжается; записи о "
                "сбоях ждут и будут сделаны, когда связь восстановится.")
                 .arg(databaseName(), why.trimmed()));
        emit databaseLost(why.trimmed());
    });
    connect(store, &MonitorStore::reconnectFailed, this,
            [this](const QString &error) { reportUnopened(error, false); });
    connect(store, &MonitorStore::heldByOther, this, [this](const QString &holder, bool ownSession) {
        const QString text =
            ownSession ? tr("Сервер базы данных %1 ещё держит прежнее соединение этого монитора, которое перестало "
                            "отвечать (%2). Проверка адресов продолжается; записи о сбоях ждут и будут сделаны, "
                            "когда сервер его закроет.")
                             .arg(databaseName(), holder)
                       : tr("Базу данных %1 занял другой монитор (%2), пока связь с сервером была потеряна. "
                            "Этот монитор продолжает проверку, но ничего не записывает, пока тот работает; "
                            "закройте один из них.")
                             .arg(databaseName(), holder);
        if (text == m_lastOpenError)
            return;
        m_lastOpenError = text;
        tell(text);
    });
    connect(store, &MonitorStore::reconnected, this, [this](const QString &warningText) {
        m_lastOpenError.clear();
        if (!warningText.isEmpty())
            tell(warningText);
        if (!m_settingsRead) {
            // The server could not be reached at start-up: the settings are
            // read now.
            tell(tr("База данных открыта: %1").arg(databaseName()));
            readSettings(false);
            databaseReady(false);
            emit databaseOpened();
        } else {
            tell(tr("Связь с сервером базы данных %1 восстановлена.").arg(databaseName()));
            databaseReady(false);
            emit databaseBack();
        }
    });
}

void MonitorSession::wireEngine()
{
    PollingEngine *engine = m_engine;
    // What keeps alarms quiet is read afresh for every pass.
    connect(engine, &PollingEngine::passStarted, this, &MonitorSession::reloadAlerts);
    connect(engine, &PollingEngine::passEnded, this,
            [this](const PassReport &report) {
                storeMarks(report.marks);
                if (isVantage())
                    vantagePass();
            });
    // The engine writes these to stderr itself.
    connect(engine, &PollingEngine::databaseError, this, &MonitorSession::databaseError);
    connect(engine, &PollingEngine::notice, this, &MonitorSession::notice);
    connect(engine->writeQueue(), &WriteQueue::waiting, this, [this](int count, const QString &why, bool busy) {
        if (isServer() && !m_store->isUsable()) {
            tell(tr("Нет связи с сервером базы данных %1 (%2): записи о сбоях (%3) ждут и будут сделаны, "
                    "когда связь восстановится.")
                     .arg(databaseName(), why)
                     .arg(count));
            return;
        }
        if (isServer()) {
            tell(tr("Сервер базы данных %1 пока не принимает записи (%2): записи о сбоях (%3) ждут "
                    "и будут сделаны, как только он их примет.")
                     .arg(databaseName(), why)
                     .arg(count));
            return;
        }
        // Only a lock is another program's doing: a file that is gone, full
        // or read-only is told as what it is.
        if (!m_store->isUsable()) {
            tell(tr("База данных %1 сейчас недоступна (%2): записи о сбоях (%3) ждут и будут сделаны, "
                    "когда она снова будет доступна.")
                     .arg(databaseName(), why)
                     .arg(count));
            return;
        }
        if (!busy) {
            tell(tr("База данных %1 не принимает записи (%2): записи о сбоях (%3) ждут и будут сделаны, "
                    "как только она их примет.")
                     .arg(databaseName(), why)
                     .arg(count));
            return;
        }
        tell(tr("База данных занята другой программой (%1): записи о сбоях (%2) ждут и будут сделаны, "
                "как только она освободится.")
                 .arg(why)
                 .arg(count));
    });
    connect(engine->writeQueue(), &WriteQueue::resumed, this,
            [this](int written) { tell(tr("Отложенные записи о сбоях сделаны (%1).").arg(written)); });
    engine->setAsyncDatabaseOpener([this](std::function<void(bool)> done) {
        // The server is tried at every tick, never inside a pass: a pass
        // without it probes the last book read.
        if (isServer() || m_stopped) {
            done(false);
            return;
        }
        openDatabase(false, std::move(done));
    });
}

MonitorSession::StartResult MonitorSession::start()
{
    // Before anything else touches the database: one monitor per user.
    m_instance = std::make_unique<SingleInstance>(QStringLiteral("orvant"), m_setup.lockDirectory);
    m_instance->tryAcquire();
    if (m_instance->state() == ExclusiveLock::State::HeldByOther) {
        emit refused(tr("Программа уже запущена!"));
        return StartResult::AlreadyRunning;
    }
    // And one monitor per database, whoever runs it and by whatever path
    // (or from whichever machine, on a server).
    struct Outcome
    {
        bool refused = false;
        bool opened = false;
    };
    auto outcome = std::make_shared<Outcome>();
    await([this, outcome](std::function<void()> finished) {
        m_store->open(this, true, [this, outcome, finished](const MonitorStore::Opening &opening) {
            // An answer after a signal ended the start-up tells nobody.
            if (!m_stopped) {
                outcome->refused = !onOpening(opening, true);
                outcome->opened = opening.result == MonitorStore::Opening::Opened;
            }
            finished();
        });
    });
    if (outcome->refused)
        return StartResult::AlreadyRunning;
    m_started = true;
    if (m_instance->state() == ExclusiveLock::State::Failed) {
        // Not a reason to stop watching: the database's own lock still
        // keeps a second monitor away from the file.
        const QString text = tr("Не удалось создать файл блокировки %1 (%2): проверка второго экземпляра "
                                "программы невозможна. Проверьте, что каталог доступен для записи и на диске "
                                "есть место.")
                                 .arg(m_instance->lockFilePath(), m_instance->errorText());
        tell(text);
        emit warning(text);
    }
    if (outcome->opened && !m_stopped) {
        databaseReady(true);
        readSettings(true);
        emit databaseOpened();
    }
    m_engine->setRefreshSecs(m_refreshSecs);
    if (!m_stopped)
        m_timer->start();
    return StartResult::Started;
}

// What an opening means for the operator. False when another monitor owns
// the database: this one must not run (at start) or write (later).
bool MonitorSession::onOpening(const MonitorStore::Opening &opening, bool atStart)
{
    if (!opening.lockFile.isEmpty()) {
        const QString text = tr("Не удалось создать файл блокировки базы данных %1 (%2): второй монитор на "
                                "этой базе данных не будет обнаружен. Проверьте права на каталог %3.")
                                 .arg(opening.lockFile, opening.lockError, QFileInfo(opening.lockFile).absolutePath());
        tell(text);
        if (atStart)
            emit warning(text);
    }
    switch (opening.result) {
    case MonitorStore::Opening::Opened:
        m_lastOpenError.clear();
        if (!opening.warning.isEmpty())
            tell(opening.warning);
        return true;
    case MonitorStore::Opening::Failed:
        if (!m_stopped)
            reportUnopened(opening.error, atStart);
        return true;
    case MonitorStore::Opening::HeldByOther:
        break;
    }
    QString text = tr("Программа уже запущена!");
    if (isServer()) {
        text += QLatin1String("\n\n") + tr("Базу данных %1 уже использует другой монитор: %2.")
                                             .arg(databaseName(), opening.holder);
    } else if (!opening.holder.isEmpty()) {
        text += QLatin1String("\n\n") + tr("Базу данных %1 уже использует монитор пользователя %2 (процесс %3).")
                                             .arg(databaseName(), opening.holder)
                                             .arg(opening.holderPid);
    }
    if (atStart) {
        toStderr(text);
        emit refused(text);
    } else if (m_lastOpenError != text) {
        m_lastOpenError = text;
        tell(text);
    }
    return false;
}

// At a pass, while the file is not open: it may have appeared or been
// mended since.
void MonitorSession::openDatabase(bool atStart, std::function<void(bool)> done)
{
    m_store->open(this, atStart, [this, done](const MonitorStore::Opening &opening) {
        if (m_stopped || !onOpening(opening, false) || opening.result != MonitorStore::Opening::Opened) {
            done(false);
            return;
        }
        databaseReady(false);
        tell(tr("База данных открыта: %1").arg(databaseName()));
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
    emit databaseError(tr("Открытие базы данных"), error);
}

void MonitorSession::databaseReady(bool wait)
{
    // Writes a previous run could not make (another program held the file,
    // or the server was away, when it ended) go first, in their order.
    WriteQueue *queue = m_engine->writeQueue();
    QString keptError;
    if (!queue->load(pendingWritesPath(), &keptError))
        tell(tr("Не удалось прочитать отложенные записи %1: %2").arg(pendingWritesPath(), keptError));
    // Who is down is read from the log again, with these writes laid over
    // it; should that fail, the next pass reads it with the book.
    m_state->readAgain();
    readOpenOutages(wait);
    queue->retry();
}

void MonitorSession::readOpenOutages(bool wait)
{
    auto handle = [this](const MonitorStore::OpenRead &read) {
        if (read.ok) {
            m_state->reset(read.rows, m_engine->writeQueue()->pending());
            return;
        }
        if (read.lost)
            return;
        const QString what = tr("Отсутствующие соединения");
        toStderr(tr("Ошибка базы данных: %1: %2").arg(what, read.error));
        emit databaseError(what, read.error);
    };
    if (!wait) {
        m_store->readOpenOutages(this, handle);
        return;
    }
    await([&](std::function<void()> finished) {
        m_store->readOpenOutages(this, [handle, finished](const MonitorStore::OpenRead &read) {
            handle(read);
            finished();
        });
    });
}

void MonitorSession::readSettings(bool wait)
{
    auto handle = [this](const MonitorStore::Settings &read) {
        if (!read.ok) {
            const QString what = tr("Чтение настроек");
            toStderr(tr("Ошибка базы данных: %1: %2").arg(what, read.error));
            emit databaseError(what, read.error);
            return;
        }
        // The monitor runs on the defaults, and says which ones.
        for (const QString &problem : read.problems)
            tell(tr("Настройки: %1; используется значение по умолчанию.").arg(problem));
        m_refreshSecs = RefreshInterval::seconds(read.record.refreshTime);
        m_sndErr = read.record.sndErr;
        m_sndRest = read.record.sndRest;
        m_showOnErr = read.record.view != 0;
        m_extra = read.extra;
        m_settingsRead = true;
        m_engine->setRefreshSecs(m_refreshSecs);
        emit settingsRead();
    };
    if (!wait) {
        m_store->readSettings(this, handle);
        return;
    }
    await([&](std::function<void()> finished) {
        m_store->readSettings(this, [handle, finished](const MonitorStore::Settings &read) {
            handle(read);
            finished();
        });
    });
}

bool MonitorSession::databaseUsable() const
{
    return m_store->isUsable();
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
    const auto onFinished = connect(m_engine, &PollingEngine::passEnded, &wait, [&] {
        finished = true;
        wait.quit();
    });
    m_firstPassWait = &wait;
    m_engine->startPass();
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
    // writes are (in the engine's tick).
    m_store->tick();
    m_engine->tick();
}

void MonitorSession::checkNow()
{
    if (!m_stopped)
        m_engine->startPass();
}

void MonitorSession::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_timer->stop();
    if (m_firstPassWait)
        m_firstPassWait->quit();
    if (m_awaiting)
        m_awaiting->quit();
    // Quitting ends the watch in the middle of a pass: no outage may be
    // written after this point without the alert that belongs to it.
    m_engine->stop();
    emit stopping();
    // Within a second whatever holds the database: kept writes are tried a
    // little longer, and the rest waits for the next start in a file.
    keepPendingWrites();
    m_store->close();
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
        // A vantage point's own: several may run from one directory.
        if (isVantage())
            name += QLatin1Char('-') + c.vantageName();
        return QDir(m_setup.programDirectory).filePath(name + QStringLiteral(".orvant-pending"));
    }
    return QFileInfo(m_setup.databasePath).absoluteFilePath() + QStringLiteral(".orvant-pending");
}

void MonitorSession::keepPendingWrites()
{
    WriteQueue *queue = m_engine->writeQueue();
    if (queue->unsavedCount() == 0)
        return;
    // A database that is away, or a thread stuck in a statement, will not
    // make them now: they go to the file at once.
    if (m_store->isUsable() && m_store->jobElapsedMs() <= MonitorStore::HopelessMs)
        queue->flushFor(FinalFlushMs);
    if (queue->unsavedCount() == 0)
        return;
    // The reason is the database's own (busy, read-only, dropped, refused).
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

void MonitorSession::reportWriteError(const QString &what, const QString &error)
{
    if (error.isEmpty())
        return;
    toStderr(tr("Ошибка базы данных: %1: %2").arg(what, error));
    emit databaseError(what, error);
}

void MonitorSession::reloadAlerts()
{
    if (m_stopped || !databaseUsable())
        return;
    m_store->readAlerts(this, [this](const AlertGate::Loaded &loaded) {
        // A database without the alerts' tables (one opened read-only, made
        // by an older version) runs on the defaults, which ring as always:
        // stderr says so once, the event list stays the outages'.
        const QString error = loaded.ok ? QString() : loaded.error;
        if (!error.isEmpty() && error != m_alertsError)
            toStderr(tr("Настройки сигналов не прочитаны, действуют значения по умолчанию: %1").arg(error));
        m_alertsError = error;
        m_alerts.setLoaded(loaded);
        emit alertsReloaded();
    });
}

void MonitorSession::storeMarks(const QList<AlertRecords::Mark> &marks)
{
    if (marks.isEmpty() || !databaseUsable())
        return;
    m_store->writeMarks(this, marks,
                        [this](const QString &error) { reportWriteError(tr("Запись причин тихих сбоев"), error); });
}

void MonitorSession::muteHost(const QString &ip, const QDateTime &until)
{
    if (!databaseUsable())
        return;
    m_store->writeMute(this, {ip, until}, [this](const QString &error) {
        reportWriteError(tr("Отключение сигналов"), error);
        reloadAlerts();
    });
}

void MonitorSession::unmuteHost(const QString &ip)
{
    if (!databaseUsable())
        return;
    m_store->liftMute(this, ip, [this](const QString &error) {
        reportWriteError(tr("Включение сигналов"), error);
        reloadAlerts();
    });
}

} // namespace monitor
