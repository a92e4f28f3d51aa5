#include "Database.h"
#include "GrapherDialogs.h"
#include "frmMain.h"

#include "Translations.h"

#include <QApplication>

using namespace grapher;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installTranslations(app);
    GrapherDialogs dialogs;

    QString error;
    // The grapher only reads: a file or a directory it may not write in is
    // no obstacle.
    Database::Options options;
    options.readOnly = true;
    DatabaseConfig config;
    if (!DatabaseConfig::load(Database::programDirectory(), &config, &error)
        || !Database::open(config, options, &error, QLatin1String(QSqlDatabase::defaultConnection), nullptr)) {
        dialogs.warning(nullptr, QString::fromUtf8(frmMain::Caption),
                        QStringLiteral("Не удалось открыть базу данных.\n%1").arg(error));
        return 1;
    }
    int rc = 0;
    {
        frmMain window(&dialogs);
        window.show();
        rc = app.exec();
    }
    Database::close();
    return rc;
}
