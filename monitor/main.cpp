// The monitor: splash, main window start-up (first pass included), then the
// one-second timer drives the polling passes until the operator quits.
#include "BootTickSource.h"
#include "CanberraSoundPlayer.h"
#include "Clock.h"
#include "Database.h"
#include "DatabaseConfig.h"
#include "DeliveryQueue.h"
#include "DesktopNotifier.h"
#include "Form1.h"
#include "Headless.h"
#include "IcmpTransport.h"
#include "DateTimeText.h"
#include "LatencyService.h"
#include "OutagePathTracer.h"
#include "LocalNetwork.h"
#include "MonitorSession.h"
#include "PollingEngine.h"
#include "ProgramCommandLine.h"
#include "ShutdownSignals.h"
#include "SystemTrayIcon.h"
#include "Translations.h"
#include "WatchedTime.h"
#include "WidgetPrompts.h"
#include "frmAbout.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace monitor;

namespace {

// Deliveries under way at the end get this long to finish: the monitor
// ends within a second and a half whatever a receiver or the database does.
constexpr int DeliveryGraceMs = 300;

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
    MonitorSession *running = nullptr;
    QObject::connect(&shutdown, &ShutdownSignals::received, &app, [&](int) {
        stopRequested = true;
        if (mainWindow)
            mainWindow->quitWithoutAsking();
        else if (running)
            running->stop();
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
    running = session.get();
    MonitorStore *store = session->store();
    WatchedTimeKeeper watchedTime(engine.get(), &clock);
    // Round trips and loss of every pass, kept through the store.
    LatencyService latency(store, &clock);
    QObject::connect(engine.get(), &PollingEngine::passEnded, &latency, &LatencyService::passEnded);
    QObject::connect(&latency, &LatencyService::failed, [](const QString &what, const QString &error) {
        std::fprintf(stderr, "orvant: %s: %s\n", what.toLocal8Bit().constData(), error.toLocal8Bit().constData());
    });
    // The route to a host whose outage begins, kept with the outage. Made
    // before the alert channels are wired: they wait for its traces.
    OutagePathTracer paths(engine.get(), session->hostState(), &session->alerts(), store);
    QObject::connect(&paths, &OutagePathTracer::failed, [](const QString &what, const QString &error) {
        std::fprintf(stderr, "orvant: %s: %s\n", what.toLocal8Bit().constData(), error.toLocal8Bit().constData());
    });
    // The alert channels (a command, a webhook, e-mail): each pass's changes
    // become messages in the outbox, which the store keeps.
    alerts::DeliveryQueue deliveries;
    deliveries.setClock([&clock] { return clock.now(); });
    // The channels hear what the desk heard, at every pass's end (reminders
    // fall due between changes): the quiet changes marked suppressed, a
    // late alarm with its outage's own begin.
    //
    // A vantage point's channels hear the log instead, which the writer
    // alone changes: one message per outage of the rule, however many sites
    // see it, naming them. Only the writer sends, so two vantages never
    // send one outbox's message twice; a vantage that takes the log over
    // takes the outbox with it.
    const bool vantage = database.isVantage();
    bool deliveriesStarted = false;
    if (!vantage) {
        // A down message waits for the paths traced for its hosts (a few
        // seconds at most), so that it carries them.
        QObject::connect(engine.get(), &PollingEngine::passEnded, &deliveries,
                         [&deliveries, &paths, state = session->hostState()](const PassReport &report) {
                             paths.afterTraces(report, [&deliveries, &paths, state, report] {
                                 QList<alerts::HostChange> changes = report.alertChanges();
                                 for (alerts::HostChange &c : changes)
                                     c.path = paths.pathOf(c.address, DateTimeText::fromDateTime(c.begin));
                                 deliveries.passEnded(changes, report.endedAt, state->downNow(report.endedMonoMs));
                             });
                         });
        // Quitting gives the waiting messages to the channels at once.
        QObject::connect(session.get(), &MonitorSession::stopping, &paths, [&paths] { paths.releaseWaiters(); });
    } else {
        QObject::connect(session.get(), &MonitorSession::vantagePassed, &deliveries,
                         [&deliveries, &deliveriesStarted, &clock, store = session->store()](const VantagePass &pass) {
                             // The outbox is every vantage's: only the writer
                             // of the log sends from it.
                             if (!pass.writer) {
                                 deliveries.setPaused(true);
                                 return;
                             }
                             if (!deliveriesStarted) {
                                 deliveriesStarted = true;
                                 deliveries.start(store);
                             }
                             deliveries.setPaused(false);
                             // At every pass, as a plain monitor's: reminders
                             // fall due between changes.
                             deliveries.passEnded(pass.alertChanges(), clock.now(), pass.logDownNow);
                         });
        // A broken connection loses the writer's lock with the session:
        // another vantage may be sending by the time this one is back, and
        // its first pass back tells whether it writes still.
        QObject::connect(session->store(), &MonitorStore::connectionLost, &deliveries,
                         [&deliveries] { deliveries.setPaused(true); });
    }
    QObject::connect(session.get(), &MonitorSession::stopping, &deliveries, [&deliveries] {
        const int left = deliveries.finishDeliveries(DeliveryGraceMs);
        if (left > 0)
            std::fprintf(stderr, "%s\n",
                         QCoreApplication::translate("monitor::main",
                                                     "orvant: оповещений ещё в пути при завершении: %n; следующий "
                                                     "запуск отправит их снова",
                                                     nullptr, left)
                             .toLocal8Bit()
                             .constData());
    });
    // Round trips the database did not take (away, read-only) wait for the
    // next start in a file, as the outage writes do.
    QObject::connect(session.get(), &MonitorSession::stopping, &latency, [&latency, &session] {
        QString error;
        if (!latency.save(session->pendingSamplesPath(), &error))
            std::fprintf(stderr, "orvant: %s\n",
                         QCoreApplication::translate("monitor::main", "Замеры задержек не сохранены в %1: %2")
                             .arg(session->pendingSamplesPath(), error)
                             .toLocal8Bit()
                             .constData());
    });

    Form1Services services;
    services.clock = &clock;
    services.ticks = &ticks;
    services.tray = &tray;
    services.sound = &sound;
    services.notifier = &notifier;
    services.programDirectory = Database::programDirectory();
    services.paths = &paths;

    int status = 0;
    {
        Form1 form(prompts, *session, services);
        mainWindow = &form;
        QObject::connect(&form, &Form1::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);

        const bool started = form.load();
        // Only once this program is the database's one monitor: a second
        // monitor refused by the lock must not send the outbox too.
        if (started) {
            if (!vantage)
                deliveries.start(store);
            QString error;
            if (!latency.load(session->pendingSamplesPath(), &error))
                std::fprintf(stderr, "orvant: %s\n",
                             QCoreApplication::translate("monitor::main", "Не удалось прочитать замеры задержек %1: %2")
                                 .arg(session->pendingSamplesPath(), error)
                                 .toLocal8Bit()
                                 .constData());
        } else {
            status = 2;
        }
        splash.close();
        if (started && !form.isUnloaded() && !stopRequested) {
            form.show();
            status = app.exec();
        }
        mainWindow = nullptr;
        // Unloads the window (if not yet) before the engine and the
        // database go away.
    }
    session->stop();
    const bool leftBehind = store->leftThreadBehind();
    running = nullptr;
    if (leftBehind) {
        // A thread is still inside a statement that will not come back: the
        // process ends without waiting for it (and without tearing down what
        // it may still touch).
        std::fflush(nullptr);
        std::_Exit(status);
    }
    session.reset();
    engine.reset();
    transport.reset();
    return status;
}
