#include "AlertsDatabase.h"

#include "Database.h"
#include "DatabaseThread.h"


namespace admin {

void postAlertsJob(DatabaseThread &thread, QObject *context, std::function<QString(const QSqlDatabase &)> job,
                   std::function<void(const QString &)> done)
{
    thread.post(
        context,
        [job = std::move(job), name = thread.connectionName()](QSqlDatabase db) -> QString {
            QString error;
            if (!Database::reconnectIfLost(name, &error))
                return error;
            const QString failure = job(QSqlDatabase::database(name, false));
            return failure.isEmpty() ? failure : Database::withLossNoted(failure, name);
        },
        [done = std::move(done)](const QString &error) {
            if (done)
                done(error);
        });
}

} // namespace admin
