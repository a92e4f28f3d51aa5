#include "AlertsDatabase.h"

#include "Database.h"
#include "DatabaseThread.h"

#include <QCoreApplication>
#include <QPointer>

namespace admin {

void postAlertsJob(QObject *context, std::function<QString(const QSqlDatabase &)> job,
                   std::function<void(const QString &)> done)
{
    // One for the program, gone with the application object.
    static QPointer<DatabaseThread> thread;
    if (!thread)
        thread = new DatabaseThread(QStringLiteral("admin_alerts"), QCoreApplication::instance());
    const DatabaseConfig config = Database::configOf(QLatin1String(QSqlDatabase::defaultConnection));
    const QString name = thread->connectionName();
    thread->post(
        context,
        [job = std::move(job), config, name](QSqlDatabase db) -> QString {
            if (!db.isOpen()) {
                QString error;
                if (!Database::open(config, Database::Options(), &error, name, nullptr))
                    return error;
                db = QSqlDatabase::database(name, false);
            }
            return job(db);
        },
        [done = std::move(done)](const QString &error) {
            if (done)
                done(error);
        });
}

} // namespace admin
