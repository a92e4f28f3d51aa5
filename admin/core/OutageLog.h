#pragma once

#include <QDate>
#include <QString>

namespace admin {

// Clearing of the outage log `logs`.
class OutageLog
{
public:
    // Deletes every outage, open or closed, that began before midnight at the
    // start of `day`; outages of that day and later stay. *deleted gets the
    // number of rows removed.
    static bool deleteBefore(const QDate &day, int *deleted, QString *error);
};

} // namespace admin
