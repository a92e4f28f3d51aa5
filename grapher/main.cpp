#include "Database.h"
#include "DatabaseConfig.h"
#include "frmLatency.h"
#include "frmMain.h"

#include "Translations.h"
#include "WidgetPrompts.h"

#include <QCoreApplication>
#include <QApplication>

using namespace grapher;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installTranslations(app);
    WidgetPrompts prompts(WidgetPrompts::EchoEveryMessage);

    QString error;
    // The grapher only reads: a file or a directory it may not write in is
    // no obstacle.
    Database::Options options;
    options.readOnly = true;
    DatabaseConfig config;
    if (!DatabaseConfig::load(Database::programDirectory(), &config, &error)
        || !Database::open(config, options, &error, QLatin1String(QSqlDatabase::defaultConnection), nullptr)) {
        prompts.ask(nullptr, QMessageBox::Warning, QString::fromUtf8(frmMain::Caption),
                    QCoreApplication::translate("grapher::main", "Не удалось открыть базу данных.\n%1").arg(error));
        return 1;
    }
    int rc = 0;
    // "grapher --latency": the chart of round trips and loss instead of the
    // time-of-day histogram.
    if (app.arguments().contains(QStringLiteral("--latency"))) {
        {
            frmLatency window(prompts);
            window.show();
            rc = app.exec();
        }
        Database::close();
        return rc;
    }
    {
        frmMain window(prompts);
        window.show();
        rc = app.exec();
    }
    Database::close();
    return rc;
}
