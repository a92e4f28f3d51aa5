#include "Database.h"
#include "DatabaseThread.h"
#include "DatabaseConfig.h"
#include "ProgramCommandLine.h"
#include "frmLatency.h"
#include "frmMain.h"

#include "Translations.h"
#include "WidgetPrompts.h"

#include <QCoreApplication>
#include <QApplication>

using namespace grapher;

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

    QString error;
    DatabaseConfig config;
    std::unique_ptr<DatabaseThread> database;
    if (DatabaseConfig::load(Database::programDirectory(), &config, &error))
        database = frmMain::openDatabase(config, &error);
    if (!database) {
        prompts.ask(nullptr, QMessageBox::Warning, QString::fromUtf8(frmMain::Caption),
                    QCoreApplication::translate("grapher::main", "Не удалось открыть базу данных.\n%1").arg(error));
        return 1;
    }
    int rc = 0;
    // "grapher --latency": the chart of round trips and loss instead of the
    // time-of-day histogram.
    if (commandLine.latency()) {
        {
            frmLatency window(prompts, std::move(database));
            window.show();
            rc = app.exec();
        }
        Database::close();
        return rc;
    }
    {
        frmMain window(prompts, std::move(database));
        window.show();
        rc = app.exec();
    }
    return rc;
}
