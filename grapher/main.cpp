#include "Database.h"
#include "DatabaseConfig.h"
#include "GrapherStore.h"
#include "ProgramCommandLine.h"
#include "frmLatency.h"
#include "frmMain.h"

#include "ScreenPlacement.h"
#include "Translations.h"
#include "WidgetPrompts.h"

#include <QCoreApplication>
#include <QApplication>

#include <memory>

using namespace grapher;

namespace {

// A database that fails at once (no file, a refused connection) is told
// before any window shows, as it always was; one that does not answer keeps
// no window from showing longer than this.
constexpr int OpenAnswerMs = 200;

} // namespace

int main(int argc, char **argv)
{
    ProgramCommandLine commandLine(ProgramCommandLine::Program::Grapher);
    if (const int status = commandLine.answerBeforeStart(argc, argv); status >= 0)
        return status;
    QApplication app(argc, argv);
    installTranslations(app);
    if (const int status = commandLine.check(QCoreApplication::arguments()); status >= 0)
        return status;
    WidgetPrompts prompts(WidgetPrompts::EchoEveryMessage);
    const auto refuse = [&prompts](QWidget *over, const QString &error) {
        const QString text = QCoreApplication::translate("grapher::main", "Не удалось открыть базу данных.\n%1");
        prompts.ask(over, QMessageBox::Warning, QString::fromUtf8(frmMain::Caption), text.arg(error));
    };

    QString error;
    DatabaseConfig config;
    if (!DatabaseConfig::load(Database::programDirectory(), &config, &error)) {
        refuse(nullptr, error);
        return 1;
    }
    GrapherStore store;
    const StoreReply<ProgramStore::Opened> opened = store.open(config);
    if (opened.waitFor(OpenAnswerMs) && !opened.value().outcome.ok) {
        refuse(nullptr, opened.value().outcome.error);
        return 1;
    }
    // "grapher --latency": the chart of round trips and loss instead of the
    // time-of-day histogram.
    std::unique_ptr<QWidget> window;
    if (commandLine.latency())
        window = std::make_unique<frmLatency>(prompts, store);
    else
        window = std::make_unique<frmMain>(prompts, store);
    placeOnScreen(window.get());
    window->show();
    // The data follow when the database answers; a database that does not
    // open is told over the window, which then goes.
    opened.then(window.get(), [&](const ProgramStore::Opened &answer) {
        if (answer.outcome.ok)
            return;
        refuse(window.get(), answer.outcome.error);
        QCoreApplication::exit(1);
    });
    const int rc = app.exec();
    window.reset();
    // A statement the database does not answer is given up, not waited for.
    store.shutdown();
    return rc;
}
