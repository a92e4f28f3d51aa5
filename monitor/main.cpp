// The monitor: splash, main window start-up (first pass included), then the
// one-second timer drives the polling passes until the operator quits.
#include "AlertService.h"
#include "BootTickSource.h"
#include "CanberraSoundPlayer.h"
#include "Clock.h"
#include "Database.h"
#include "DatabaseConfig.h"
#include "DatabaseThread.h"
#include "ExtraSettings.h"
#include "DesktopNotifier.h"
#include "Form1.h"
#include "NotificationText.h"
#include "Headless.h"
#include "IcmpTransport.h"
#include "MonitorSession.h"
#include "LatencyService.h"
#include "PassAlerts.h"
#include "PollingEngine.h"
#include "ProgramCommandLine.h"
#include "LocalNetwork.h"
#include "WatchedTime.h"
#include "ShutdownSignals.h"
#include "SystemTrayIcon.h"
#include "WidgetPrompts.h"
#include "frmAbout.h"

#include "Translations.h"

#include <QApplication>
#include <QHash>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <memory>

using namespace monitor;

namespace {

void pause(int ms, const ShutdownSignals *interrupter)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    QObject::connect(interrupter, &ShutdownSignals::received, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char **argv)
{
    ProgramCommandLine commandLine(ProgramCommandLine::Program::Monitor);
    if (const int status = commandLine.answerBeforeStart(argc, argv); status >= 0)
        return status;
    // Without any display the monitor still watches and logs; it just has no
    // windows to show.
    Headless::chooseOffscreenWithoutDisplay("orvant");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvant"));
    installTranslations(app);
    if (const int status = commandLine.check(QCoreApplication::arguments()); status >= 0)
        return status;
    // The main window spends most of its life hidden in the tray; only a
    // confirmed quit (or a signal) ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // A signal ends the monitor cleanly at any moment: during the splash,
    // inside a dialog, during the first pass or in the running program.
    ShutdownSignals shutdown;
    bool stopRequested = false;
    Form1 *mainWindow = nullptr;
    QObject::connect(&shutdown, &ShutdownSignals::received, &app, [&](int) {
        stopRequested = true;
        if (mainWindow)
            mainWindow->quitWithoutAsking();
        while (QWidget *modal = QApplication::activeModalWidget()) {
            if (!modal->close())
                break;
        }
        QCoreApplication::quit();
    });

    frmAbout splash;
    splash.showCentred();
    pause(300, &shutdown);
    if (stopRequested)
        return 0;

    SystemClock clock;
    BootTickSource ticks;
    BootClock bootClock;
    CanberraSoundPlayer sound;
    WidgetPrompts prompts;
    SystemTrayIcon tray;
    auto transport = std::make_unique<IcmpTransport>();
    auto engine = std::make_unique<PollingEngine>(transport.get(), &clock);
    engine->setScheduleClock(&bootClock);
    DesktopNotifier notifier;
    // Watched time and this machine's own network: see WatchedTime.h.
    LocalNetwork localNetwork;
    engine->setLocalNetwork(&localNetwork);
    WatchedTimeKeeper watchedTime(engine.get(), &clock);

    // orvant.conf names a server, or is absent (the file beside the
    // programs). A configuration that cannot be used stops the monitor with
    // its reason: watching another database than the operator chose would
    // be worse than not watching.
    DatabaseConfig database;
    QString configError;
    if (!DatabaseConfig::load(Database::programDirectory(), &database, &configError)) {
        splash.close();
        std::fprintf(stderr, "orvant: %s\n", configError.toLocal8Bit().constData());
        prompts.ask(nullptr, QMessageBox::Critical, QStringLiteral("Orvant"), configError, QMessageBox::Ok,
                    QMessageBox::Ok);
        return 1;
    }

    SessionSetup setup;
    setup.databasePath = database.isServer() ? Database::defaultPath() : database.path();
    setup.database = database;
    setup.programDirectory = Database::programDirectory();
    setup.databaseThread = true;
    auto session = std::make_unique<MonitorSession>(setup, engine.get(), &clock);
    // Round trips and loss of every pass, kept on a connection and thread of their own.
    LatencyService latency(database, QStringLiteral("orvant-latency"));
    QObject::connect(engine.get(), &PollingEngine::passMeasured, &latency, &LatencyService::record);
    QObject::connect(&latency, &LatencyService::failed, [](const QString &what, const QString &error) {
        std::fprintf(stderr, "orvant: %s: %s\n", what.toLocal8Bit().constData(), error.toLocal8Bit().constData());
    });
    // The watched time is written on a database thread of its own, with a
    // connection of its own to the same database, so the window never waits
    // for it. Declared after the keeper: its queued writes (the stop's
    // included) are made before the keeper goes.
    DatabaseThread watchedThread(QStringLiteral("orvant_watched"));
    // Said once a run: a database it cannot open is tried again at every pass.
    auto openFailureTold = std::make_shared<std::atomic_bool>(false);
    const auto watchedConnection = [database, openFailureTold](const QSqlDatabase &db) {
        if (db.isOpen())
            return db;
        QString error;
        // A short wait for another program's lock: the stretch is extended
        // again by the next pass, and the monitor's end waits for no lock.
        Database::Options options;
        options.busyTimeoutMs = 200;
        if (!Database::open(database, options, &error, QStringLiteral("orvant_watched"), nullptr)) {
            if (!openFailureTold->exchange(true))
                qWarning("watched time not recorded: %s", qUtf8Printable(error));
            return QSqlDatabase();
        }
        return QSqlDatabase::database(QStringLiteral("orvant_watched"), false);
    };
    watchedTime.setRunner([&watchedThread, watchedConnection](WatchedTimeKeeper::DatabaseJob job) {
        watchedThread.post([watchedConnection, job = std::move(job)](QSqlDatabase db) {
            const QSqlDatabase open = watchedConnection(db);
            if (open.isOpen())
                job(open);
        });
    });
    // The alert channels (a command, a webhook, e-mail): each pass's changes
    // go to their delivery thread, which has a connection of its own.
    alerts::AlertService alertDelivery(database);
    PassAlerts passAlerts(engine.get(), session.get(),
                          [&alertDelivery](const QList<alerts::HostChange> &changes, const QDateTime &at) {
                              alertDelivery.passEnded(changes, at);
                          });

    Form1Services services;
    services.clock = &clock;
    services.ticks = &ticks;
    services.tray = &tray;
    services.sound = &sound;
    services.notifier = &notifier;
    services.programDirectory = Database::programDirectory();

    int status = 0;
    {
        Form1 form(prompts, *session, services);
        mainWindow = &form;
        QObject::connect(&form, &Form1::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);

        const bool started = form.load();
        if (started)
            alertDelivery.start();
        splash.close();
        if (started && !form.isUnloaded() && !stopRequested) {
            form.show();
            status = app.exec();
        }
        mainWindow = nullptr;
        // Unloads the window (if not yet) before the engine and the
        // database go away.
    }
    session.reset();
    engine.reset();
    transport.reset();
    Database::close();
    return status;
}
