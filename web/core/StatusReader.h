#pragma once

#include "StatusData.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QString>

#include <array>

namespace web {

// Reads the database into StatusData, once a second, on the store's
// database thread. Most of what it reads is small (the address book, the
// open rows, the watched stretches, the marks); the year of outages is read
// again only when the log changed, its totals at most every ten seconds, and
// the round trips from the last pass seen on, so that a year of history of a
// thousand hosts costs one small reading a second.
//
// Tables an older database lacks (it is opened read-only, never upgraded)
// read as empty.
class StatusReader
{
public:
    // The days of outages kept, today included: the longest window shown.
    static constexpr int KeptDays = 365;
    // Passes read at one time: a server that was away a while catches up
    // over several readings instead of one long one.
    static constexpr qint64 MaxPassesPerReading = 120;

    // False with *error when a statement failed; the data is then as the
    // last successful reading left it, or partly newer.
    bool refresh(const QSqlDatabase &db, const QDateTime &now, QString *error);
    const StatusData &data() const { return m_data; }

    // The first day whose outages are kept when it is `today`.
    static QDate firstKeptDay(const QDate &today) { return today.addDays(-(KeptDays - 1)); }

private:
    bool readSchema(const QSqlDatabase &db, QString *error);
    bool readBook(const QSqlDatabase &db, QString *error);
    bool readWatched(const QSqlDatabase &db, QString *error);
    bool readOutages(const QSqlDatabase &db, QString *error);
    bool readOpen(const QSqlDatabase &db, QString *error);
    bool readVantages(const QSqlDatabase &db, QString *error);
    bool readTotals(const QSqlDatabase &db, QString *error);
    bool readLatency(const QSqlDatabase &db, Seconds now, QString *error);
    bool readHours(const QSqlDatabase &db, Seconds now, QString *error);
    void addSample(const QString &ip, Seconds at, qint64 sent, qint64 lost, std::optional<qint64> rttUs,
                   bool counted);

    StatusData m_data;
    bool m_schemaRead = false;
    bool m_hasParents = false;
    bool m_hasWatched = false;
    bool m_hasMutes = false;
    bool m_hasWindows = false;
    bool m_hasLatency = false;
    bool m_hasVantages = false;

    std::array<qint64, 4> m_logVersion{};
    bool m_outagesRead = false;
    QElapsedTimer m_outagesAge;
    QElapsedTimer m_totalsAge;
    bool m_totalsStale = true;

    qint64 m_lastPass = -1;  // -1: not begun
    qint64 m_lastHour = -1;
    QElapsedTimer m_hoursAge;
};

} // namespace web
