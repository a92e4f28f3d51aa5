#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QTime>

// What keeps an outage from interrupting the operator, as the database holds
// it: mutes, weekly maintenance windows, and the marks of outages that did
// not ring. Shared by the monitor (which obeys them) and admin (which edits
// and lists them). Every function takes the connection it runs on, so that
// it can run on whichever thread owns that connection.
class ExtraSettings;

namespace AlertRecords {

// A mute of one address, or of all (empty ip). An invalid `until` lasts
// until the operator lifts it.
struct Mute
{
    QString ip;
    QDateTime until;
};

// Planned work that recurs every week: the days (bit 0 Monday … bit 6
// Sunday) on which it starts and the time of day it spans; a range whose end
// is not after its start runs past midnight into the next day (equal ends:
// the whole day).
struct MaintenanceWindow
{
    qint64 id = 0;
    QString ip;  // empty: every host
    int weekdays = 0;
    QTime from;
    QTime to;
};

inline constexpr int AllWeekdays = 0x7f;

bool inWindow(const MaintenanceWindow &window, const QDateTime &now);
// Whether a mute holds at `now`.
bool holds(const Mute &mute, const QDateTime &now);

// Why an outage did not ring, as stored: reason names "behind", "flapping",
// "muted", "maintenance", "unconfirmed"; detail is the description (or the
// address) of the down parent for "behind".
struct Mark
{
    QString ip;
    QDateTime begin;
    QString reason;
    QString detail;
};

// The operator's words for a mark: "за недоступным Маршрутизатор", …
QString reasonText(const QString &reason, const QString &detail);
// "до 14:30 09.12.2026" or "до включения", for the lists of mutes.
QString untilText(const Mute &mute);
// "пн, ср 22:00–02:00", for the lists of windows.
QString windowText(const MaintenanceWindow &window);

// Each returns false with the database's text in *error on failure.
bool readMutes(const QSqlDatabase &db, QList<Mute> *mutes, QString *error);
bool writeMute(const QSqlDatabase &db, const Mute &mute, QString *error);
bool liftMute(const QSqlDatabase &db, const QString &ip, QString *error);
bool readWindows(const QSqlDatabase &db, QList<MaintenanceWindow> *windows, QString *error);
bool addWindow(const QSqlDatabase &db, const MaintenanceWindow &window, QString *error);
bool removeWindow(const QSqlDatabase &db, qint64 id, QString *error);
bool writeMarks(const QSqlDatabase &db, const QList<Mark> &marks, QString *error);
// The mark of one outage (its address and begin as the log row has them);
// an empty reason when it has none.
bool readMark(const QSqlDatabase &db, const QString &ip, const QVariant &begin, Mark *mark, QString *error);

// How the monitor weighs outages before it rings (settings table, by name).
struct Settings
{
    bool flapping = false;  // off: the alarms as they always were
    int flapHighPercent = 30;
    int flapLowPercent = 20;
    int confirmPasses = 1;
};
inline constexpr char FlappingKey[] = "alerts.flapping";
inline constexpr char FlapHighKey[] = "alerts.flap_high_percent";
inline constexpr char FlapLowKey[] = "alerts.flap_low_percent";
inline constexpr char ConfirmKey[] = "alerts.confirm_passes";
inline constexpr int MaxConfirmPasses = 100;
// Values out of range read as their defaults; a low share above the high
// one is taken as the high one (it would end the flapping it starts).
Settings settingsFrom(const ExtraSettings &extra);
QHash<QString, QString> settingsValues(const Settings &settings);

// The end of the operator's usual choices, counted from now: 15 min, 1 h,
// 4 h, and tomorrow at 08:00.
QDateTime tomorrowMorning(const QDateTime &now);

} // namespace AlertRecords
