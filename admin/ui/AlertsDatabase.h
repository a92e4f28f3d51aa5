#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <functional>

namespace admin {

// The admin's reads and writes of the alert settings, mutes and maintenance
// windows run on a database thread with a connection of their own to the
// database the program opened: job runs there (returning an error text, empty
// for success), done(error) back here unless context went away meanwhile.
void postAlertsJob(QObject *context, std::function<QString(const QSqlDatabase &)> job,
                   std::function<void(const QString &)> done);

} // namespace admin
