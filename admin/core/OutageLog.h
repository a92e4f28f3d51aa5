#pragma once

#include <QDate>
#include <QLocale>
#include <QSqlDatabase>
#include <QString>

namespace admin {

// Clearing of the outage log `logs`.
class OutageLog
{
public:
    // Deletes every outage, open or closed, that began before midnight at the
    // start of `day`; outages of that day and later stay. *deleted gets the
    // number of rows removed.
    static bool deleteBefore(const QDate &day, int *deleted, QString *error, const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));

    // The log's figures, counted by the database in one statement.
    struct Summary
    {
        qint64 rows = 0;
        qint64 open = 0;
        bool anyClosed = false;
        qint64 closedTotalSecs = 0;
        qint64 closedLongestSecs = 0;
        qint64 largestId = 0;  // 0 for an empty log
    };
    // Reads the whole log: on a large one it takes a while, so the admin
    // runs it on a connection of its own off the UI thread.
    static bool summary(Summary *result, QString *error, const QString &connectionName = QString());
    // The figures of the outages whose address or description holds
    // `filter` (the log listing's filter; every outage when empty).
    static bool summary(QSqlDatabase db, const QString &filter, Summary *result, QString *error);
    // The line the admin shows under the listing.
    static QString summaryText(const Summary &summary, const QLocale &locale);
};

} // namespace admin
