#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <functional>

class DatabaseThread;

namespace admin {

// The admin's reads and writes of the alert settings, mutes and maintenance
// windows run on the admin's database thread, on the connection the program
// opened (a lost server connection is opened again first): job runs there
// (returning an error text, empty for success), done(error) back here unless
// context went away meanwhile.
void postAlertsJob(DatabaseThread &thread, QObject *context, std::function<QString(const QSqlDatabase &)> job,
                   std::function<void(const QString &)> done);

} // namespace admin
