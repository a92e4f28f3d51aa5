#include "AlertRecords.h"

#include "Database.h"
#include "DateTimeText.h"
#include "ExtraSettings.h"
#include "Regional.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QStringList>

namespace AlertRecords {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("AlertRecords", text);
}

constexpr char TimeFormat[] = "HH:mm";

bool run(const QSqlDatabase &db, const Statements::Statement &statement, const QVariantList &values,
         QString *error, QSqlQuery *out = nullptr)
{
    QSqlQuery local(db);
    QSqlQuery &query = out ? *out : local;
    if (out)
        query = QSqlQuery(db);
    if (runStatement(query, statement, values))
        return true;
    if (error)
        *error = statementError(query);
    return false;
}

// "Every host" is stored as an empty address, never as NULL: a null key
// would be neither found nor lifted, nor replaced by the next mute of all.
QString address(const QString &ip)
{
    return ip.isNull() ? QStringLiteral("") : ip;
}

QVariant textOrNull(const QString &text)
{
    return text.isNull() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

} // namespace

bool inWindow(const MaintenanceWindow &window, const QDateTime &now)
{
    if (!window.from.isValid() || !window.to.isValid() || !now.isValid())
        return false;
    const QTime t = now.time();
    const int today = now.date().dayOfWeek() - 1;  // 0 Monday
    const int yesterday = (today + 6) % 7;
    auto startsOn = [&](int day) { return ((window.weekdays >> day) & 1) != 0; };
    if (window.from < window.to)
        return startsOn(today) && t >= window.from && t < window.to;
    if (window.from == window.to)
        return startsOn(today);
    // Past midnight: the evening of a start day, or the morning after one.
    return (startsOn(today) && t >= window.from) || (startsOn(yesterday) && t < window.to);
}

bool holds(const Mute &mute, const QDateTime &now)
{
    return !mute.until.isValid() || now < mute.until;
}

QString reasonText(const QString &reason, const QString &detail)
{
    if (reason == QLatin1String("behind"))
        return tr("за недоступным %1").arg(detail);
    if (reason == QLatin1String("flapping"))
        return tr("связь неустойчива");
    if (reason == QLatin1String("muted"))
        return tr("сигналы отключены");
    if (reason == QLatin1String("maintenance"))
        return tr("плановые работы");
    if (reason == QLatin1String("unconfirmed"))
        return tr("не подтверждён повторными проверками");
    return reason;
}

QString untilText(const Mute &mute)
{
    if (!mute.until.isValid())
        return tr("до включения");
    return tr("до %1").arg(Regional::generalDateTime(mute.until));
}

QString windowText(const MaintenanceWindow &window)
{
    static const char *const days[] = {QT_TRANSLATE_NOOP("AlertRecords", "пн"), QT_TRANSLATE_NOOP("AlertRecords", "вт"),
                                       QT_TRANSLATE_NOOP("AlertRecords", "ср"), QT_TRANSLATE_NOOP("AlertRecords", "чт"),
                                       QT_TRANSLATE_NOOP("AlertRecords", "пт"), QT_TRANSLATE_NOOP("AlertRecords", "сб"),
                                       QT_TRANSLATE_NOOP("AlertRecords", "вс")};
    QStringList named;
    for (int d = 0; d < 7; ++d) {
        if ((window.weekdays >> d) & 1)
            named << tr(days[d]);
    }
    return named.join(QStringLiteral(", ")) + QLatin1Char(' ') + window.from.toString(QLatin1String(TimeFormat))
        + QChar(0x2013) + window.to.toString(QLatin1String(TimeFormat));
}

bool readMutes(const QSqlDatabase &db, QList<Mute> *mutes, QString *error)
{
    QSqlQuery query(db);
    if (!run(db, Statements::SelectAlertMutes, {}, error, &query))
        return false;
    mutes->clear();
    while (query.next()) {
        const QVariant until = query.value(1);
        mutes->append({query.value(0).toString(), until.isNull() ? QDateTime() : DateTimeText::fromVariant(until)});
    }
    return true;
}

bool writeMute(const QSqlDatabase &db, const Mute &mute, QString *error)
{
    return run(db, Statements::UpsertAlertMute,
               {address(mute.ip), mute.until.isValid() ? QVariant(DateTimeText::fromDateTime(mute.until))
                                              : QVariant(QMetaType(QMetaType::QString))},
               error);
}

bool liftMute(const QSqlDatabase &db, const QString &ip, QString *error)
{
    return run(db, Statements::DeleteAlertMute, {address(ip)}, error);
}

bool readWindows(const QSqlDatabase &db, QList<MaintenanceWindow> *windows, QString *error)
{
    QSqlQuery query(db);
    if (!run(db, Statements::SelectMaintenanceWindows, {}, error, &query))
        return false;
    windows->clear();
    while (query.next()) {
        MaintenanceWindow w;
        w.id = query.value(0).toLongLong();
        w.ip = query.value(1).toString();
        w.weekdays = query.value(2).toInt();
        w.from = QTime::fromString(query.value(3).toString(), QLatin1String(TimeFormat));
        w.to = QTime::fromString(query.value(4).toString(), QLatin1String(TimeFormat));
        windows->append(w);
    }
    return true;
}

bool addWindow(const QSqlDatabase &db, const MaintenanceWindow &window, QString *error)
{
    return run(db, Statements::InsertMaintenanceWindow,
               {address(window.ip), window.weekdays & AllWeekdays, window.from.toString(QLatin1String(TimeFormat)),
                window.to.toString(QLatin1String(TimeFormat))},
               error);
}

bool removeWindow(const QSqlDatabase &db, qint64 id, QString *error)
{
    return run(db, Statements::DeleteMaintenanceWindow, {id}, error);
}

bool writeMarks(const QSqlDatabase &db, const QList<Mark> &marks, QString *error)
{
    for (const Mark &m : marks) {
        if (!run(db, Statements::InsertOutageMark,
                 {m.ip, DateTimeText::fromDateTime(m.begin), m.reason, textOrNull(m.detail)}, error))
            return false;
    }
    return true;
}

bool readMark(const QSqlDatabase &db, const QString &ip, const QVariant &begin, Mark *mark, QString *error)
{
    const QDateTime when = DateTimeText::fromVariant(begin);
    QSqlQuery query(db);
    if (!run(db, Statements::SelectOutageMark,
             {ip, when.isValid() ? DateTimeText::fromDateTime(when) : begin.toString()}, error, &query))
        return false;
    *mark = Mark{ip, when, QString(), QString()};
    if (query.next()) {
        mark->reason = query.value(0).toString();
        mark->detail = query.value(1).toString();
    }
    return true;
}

Settings settingsFrom(const ExtraSettings &extra)
{
    Settings s;
    s.flapping = extra.flag(QLatin1String(FlappingKey), false);
    s.flapHighPercent = extra.integer(QLatin1String(FlapHighKey), s.flapHighPercent, 1, 100);
    s.flapLowPercent = qMin(extra.integer(QLatin1String(FlapLowKey), s.flapLowPercent, 0, 100), s.flapHighPercent);
    s.confirmPasses = extra.integer(QLatin1String(ConfirmKey), 1, 1, MaxConfirmPasses);
    return s;
}

QHash<QString, QString> settingsValues(const Settings &settings)
{
    return {{QLatin1String(FlappingKey), settings.flapping ? QStringLiteral("1") : QStringLiteral("0")},
            {QLatin1String(FlapHighKey), QString::number(settings.flapHighPercent)},
            {QLatin1String(FlapLowKey), QString::number(settings.flapLowPercent)},
            {QLatin1String(ConfirmKey), QString::number(settings.confirmPasses)}};
}

QDateTime tomorrowMorning(const QDateTime &now)
{
    return QDateTime(now.date().addDays(1), QTime(8, 0));
}

} // namespace AlertRecords
