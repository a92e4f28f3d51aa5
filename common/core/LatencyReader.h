#pragma once

#include "DateTimeText.h"
#include "LatencyStats.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <vector>

// Reads round trips and loss back: one host's course over a period at a
// resolution that keeps the points few, and every host's last day.
namespace LatencyReader {

struct Host
{
    qint64 id = 0;
    QString ip;
    QString desc;
};

// One point of a course: a pass, an hour or a day from `start`, in
// wall-clock seconds as stored (DateTimeText::Seconds, no zone): a chart
// places thousands of them, and a local QDateTime costs a zone lookup each.
struct Point
{
    DateTimeText::Seconds start = 0;
    qint64 spanSecs = 0;  // 0 for a single pass
    LatencySummary summary;
};

enum class Tier { Raw, Hourly, Daily };

// The finest rows that keep a period to a few thousand points: single
// passes up to two days, hours up to four months, days beyond.
Tier tierFor(qint64 periodSecs);

bool hosts(QSqlDatabase db, QList<Host> *out, QString *error);

// One host's points of [from, to), oldest first. The tier's own rows where
// they are made; the part they do not cover yet (the hour or day still being
// filled) is summed up from the raw samples; periods older than the raw
// samples kept are read from the hourly rows.
bool series(QSqlDatabase db, qint64 hostId, const QDateTime &from, const QDateTime &to, Tier tier,
            std::vector<Point> *out, QString *error);

struct Recent
{
    std::optional<qint64> lastRttUs;  // of the newest sample; none when it went unanswered
    LatencySummary summary;
};

// Every host's samples since `from`, by address.
bool recent(QSqlDatabase db, const QDateTime &from, QHash<QString, Recent> *out, QString *error);

} // namespace LatencyReader
