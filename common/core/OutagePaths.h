#pragma once

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <optional>

// The route traced when an outage began (outage_paths, keyed as the log's
// row by address and begin) and the round-trip thresholds of the board
// (rtt_thresholds): read and written on a connection its caller owns, from
// the thread that owns it.
namespace OutagePaths {

struct Hop
{
    int number = 0;
    QString address;               // empty: no try of it was answered
    std::optional<qint64> rttUs;   // none: unanswered
    bool operator==(const Hop &o) const { return number == o.number && address == o.address && rttUs == o.rttUs; }
};

struct Path
{
    QString ip;
    QString begin;  // the outage's time_begin as stored
    QList<Hop> hops;
};

// One transaction: the whole path or nothing. Written again it stays as first written.
bool write(QSqlDatabase db, const Path &path, QString *error);
// The paths of the outages open now.
bool readOpen(QSqlDatabase db, QList<Path> *paths, QString *error);
// The paths of the given log rows, by row id (absent: none stored).
bool readByIds(QSqlDatabase db, const QVector<qint64> &ids, QHash<qint64, QList<Hop>> *paths, QString *error);

// A path in lines, one hop a line ("1  192.0.2.1  0.4 ms"; "3  *" unanswered).
QString text(const QList<Hop> &hops);

struct Thresholds
{
    int warnMs = 200;
    int badMs = 500;
    bool operator==(const Thresholds &o) const { return warnMs == o.warnMs && badMs == o.badMs; }
};
constexpr int DefaultWarnMs = 200;
constexpr int DefaultBadMs = 500;
// The highest threshold accepted: the longest timeout a host may have.
constexpr int MaxThresholdMs = 60'000;

bool readThresholds(QSqlDatabase db, QHash<QString, Thresholds> *thresholds, QString *error);
// The defaults remove the address's row.
bool writeThresholds(QSqlDatabase db, const QString &ip, const Thresholds &thresholds, QString *error);

} // namespace OutagePaths
