#include "VantageRecords.h"

#include "Database.h"
#include "DateTimeText.h"
#include "ExtraSettings.h"
#include "Failure.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSqlQuery>
#include <QSysInfo>

namespace VantageRecords {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("VantageRecords", text);
}

// A list bound as one value: the server's statements unpack it with
// json_array_elements.
QString jsonValue(const QJsonArray &list)
{
    return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
}

// Seconds from the start of the Julian day count (DateTimeText) to 1970.
constexpr qint64 EpochInJulianSeconds = qint64(2440588) * DateTimeText::SecondsPerDay;

bool run(QSqlQuery &query, const Statements::Statement &statement, const QVariantList &values, QString *error)
{
    if (runStatement(query, statement, values))
        return true;
    if (error)
        *error = statementError(query);
    return false;
}

bool run(const QSqlDatabase &db, const Statements::Statement &statement, const QVariantList &values, QString *error)
{
    QSqlQuery query(db);
    return run(query, statement, values, error);
}

// After the last next(): a failed read is no end of the rows.
bool ended(const QSqlQuery &query, QString *error)
{
    if (endedCleanly(query))
        return true;
    if (error)
        *error = statementError(query);
    return false;
}

QString utcTextOf(const QDateTime &moment)
{
    return utcText(moment.toSecsSinceEpoch());
}

QDateTime momentOf(const QString &utc)
{
    const std::optional<qint64> seconds = fromUtcText(utc);
    return seconds ? QDateTime::fromSecsSinceEpoch(*seconds) : QDateTime();
}

} // namespace

QString onlyOnServerText(const QString &database)
{
    return tr("Наблюдательные пункты работают только с сервером PostgreSQL, а база данных — файл %1.").arg(database);
}

bool requireServer(const QSqlDatabase &db, QString *error)
{
    if (Database::dialectOf(db) == Statements::Dialect::Postgres)
        return true;
    if (error) {
        const DatabaseConfig config = Database::configOf(db.connectionName());
        *error = onlyOnServerText(config.path().isEmpty() ? db.databaseName() : config.describe());
    }
    return false;
}

QString utcText(qint64 secondsSince1970)
{
    const qint64 julian = secondsSince1970 + EpochInJulianSeconds;
    return DateTimeText::fromDateAndTime(DateTimeText::dateOf(julian), DateTimeText::timeOf(julian));
}

std::optional<qint64> fromUtcText(QStringView text)
{
    const std::optional<DateTimeText::Seconds> julian = DateTimeText::toSeconds(text);
    if (!julian)
        return std::nullopt;
    return *julian - EpochInJulianSeconds;
}

QString localText(qint64 secondsSince1970)
{
    return DateTimeText::fromDateTime(QDateTime::fromSecsSinceEpoch(secondsSince1970));
}

std::optional<qint64> fromLocalText(const QString &text)
{
    const QDateTime local = DateTimeText::toDateTime(text);
    if (!local.isValid())
        return std::nullopt;
    return local.toSecsSinceEpoch();
}

bool registerVantage(const QSqlDatabase &db, const QString &name, int intervalSeconds, const QString &sessionName,
                     QString *error)
{
    return requireServer(db, error)
           && run(db, Statements::RegisterVantage,
                  {name, intervalSeconds, QSysInfo::machineHostName(), QCoreApplication::applicationPid(), sessionName},
                  error);
}

bool heartbeat(const QSqlDatabase &db, const QString &name, int intervalSeconds, const QString &sessionName,
               QString *error)
{
    return requireServer(db, error)
           && run(db, Statements::VantageHeartbeat,
                  {name, intervalSeconds, QSysInfo::machineHostName(), QCoreApplication::applicationPid(), sessionName},
                  error);
}

bool beginOutage(const QSqlDatabase &db, const QString &vantage, const QString &ip, const QDateTime &begin,
                 QString *error)
{
    return requireServer(db, error) && run(db, Statements::InsertVantageOutage, {vantage, ip, utcTextOf(begin)}, error);
}

bool endOutage(const QSqlDatabase &db, const QString &vantage, const QString &ip, const QDateTime &begin,
               const QDateTime &end, QString *error)
{
    if (!requireServer(db, error))
        return false;
    if (!begin.isValid())
        return run(db, Statements::CloseOpenVantageOutage, {utcTextOf(end), vantage, ip}, error);
    return run(db, Statements::CloseVantageOutage, {utcTextOf(end), vantage, ip, utcTextOf(begin)}, error);
}

bool openOutages(const QSqlDatabase &db, const QString &vantage, QList<OwnOutage> *outages, QString *error)
{
    outages->clear();
    QSqlQuery q(db);
    if (!requireServer(db, error) || !run(q, Statements::SelectOpenOutagesOfVantage, {vantage}, error))
        return false;
    while (q.next())
        outages->append({q.value(0).toString(), momentOf(q.value(1).toString())});
    return ended(q, error);
}

bool recordPass(const QSqlDatabase &db, qint64 pass, const QString &vantage, QString *error)
{
    return requireServer(db, error) && run(db, Statements::InsertVantagePass, {pass, vantage}, error);
}

bool forgetPasses(const QSqlDatabase &db, qint64 firstPass, qint64 lastPass, QString *error)
{
    return requireServer(db, error) && run(db, Statements::DeleteVantagePasses, {firstPass, lastPass}, error);
}

bool listVantages(const QSqlDatabase &db, QList<VantageState> *vantages, QString *error)
{
    vantages->clear();
    QSqlQuery q(db);
    if (!requireServer(db, error)
        || !run(q, Statements::SelectVantages, {WriterLockKey >> 32, WriterLockKey & 0xffffffff}, error))
        return false;
    while (q.next()) {
        VantageState v;
        v.name = q.value(0).toString();
        v.host = q.value(1).toString();
        v.pid = q.value(2).toLongLong();
        v.intervalSeconds = q.value(3).toInt();
        v.lastPass = q.value(4).toLongLong();
        v.started = q.value(5).toLongLong();
        v.ageSeconds = q.value(6).toLongLong();
        v.writer = q.value(7).toBool();
        vantages->append(v);
    }
    return ended(q, error);
}

bool readRule(const QSqlDatabase &db, VantageRule *rule, QString *error)
{
    ExtraSettings settings;
    if (!ExtraSettings::read(db, &settings, error))
        return false;
    *rule = VantageRule::fromSettings(settings);
    return true;
}

bool writeRule(const QSqlDatabase &db, const VantageRule &rule, QString *error)
{
    return ExtraSettings::write(db, QLatin1String(VantageRule::SettingName), rule.text(), error);
}

bool readWriterInputs(const QSqlDatabase &db, WriterInputs *inputs, QString *error)
{
    *inputs = WriterInputs();
    if (!requireServer(db, error) || !listVantages(db, &inputs->vantages, error) || !readRule(db, &inputs->rule, error))
        return false;

    QHash<QString, qint64> horizon;  // per address: the oldest begin that matters
    auto reach = [&](const QString &ip, qint64 begin) {
        auto it = horizon.find(ip);
        if (it == horizon.end())
            horizon.insert(ip, begin);
        else
            *it = std::min(*it, begin);
    };
    QSet<QString> inBook;
    {
        QSqlQuery q(db);
        if (!run(q, Statements::SelectAddressesForPass, {}, error))
            return false;
        while (q.next()) {
            inputs->book.append({q.value(0).toString(), q.value(1).toString()});
            inBook.insert(inputs->book.constLast().ip);
        }
        if (!ended(q, error))
            return false;
    }
    {
        QSqlQuery q(db);
        if (!run(q, Statements::SelectAllOpenOutages, {}, error))
            return false;
        while (q.next()) {
            // A begin the writer cannot read (written by hand) is taken as
            // now's distant past: the row is judged, and closes if it must.
            const qint64 begin = fromLocalText(q.value(2).toString()).value_or(0);
            inputs->openLogRows.append({q.value(1).toString(), begin});
            reach(inputs->openLogRows.constLast().ip, begin);
        }
        if (!ended(q, error))
            return false;
    }
    {
        QSqlQuery q(db);
        if (!run(q, Statements::SelectOpenVantageOutages, {}, error))
            return false;
        while (q.next()) {
            const QString ip = q.value(1).toString();
            const std::optional<qint64> begin = fromUtcText(q.value(2).toString());
            if (!begin || !inBook.contains(ip))
                continue;
            inputs->intervals[ip].append({q.value(0).toString(), *begin, VantageRule::Open});
            reach(ip, *begin);
        }
        if (!ended(q, error))
            return false;
    }
    {
        QJsonArray live;
        for (const VantageState &v : std::as_const(inputs->vantages)) {
            if (v.isLive())
                live.append(v.name);
        }
        QSqlQuery q(db);
        if (!run(q, Statements::SelectFreshVantageOutages,
                 {jsonValue(live), FreshPerPass}, error))
            return false;
        while (q.next()) {
            inputs->freshSeqs.append(q.value(0).toLongLong());
            const QString ip = q.value(2).toString();
            const std::optional<qint64> begin = fromUtcText(q.value(3).toString());
            const std::optional<qint64> end = fromUtcText(q.value(4).toString());
            if (!begin || !end || !inBook.contains(ip))
                continue;
            // Its interval comes with the read below, which starts at its begin.
            auto it = inputs->freshSince.find(ip);
            if (it == inputs->freshSince.end())
                inputs->freshSince.insert(ip, *begin);
            else
                *it = std::min(*it, *begin);
            reach(ip, *begin);
        }
        if (!ended(q, error))
            return false;
    }
    QJsonArray wanted;
    for (auto it = horizon.cbegin(); it != horizon.cend(); ++it) {
        if (inBook.contains(it.key()))
            wanted.append(
                QJsonObject{{QStringLiteral("ip"), it.key()}, {QStringLiteral("since"), utcText(it.value())}});
    }
    if (wanted.isEmpty())
        return true;
    QSqlQuery q(db);
    if (!run(q, Statements::SelectVantageOutagesEndedAfter,
             {jsonValue(wanted)}, error))
        return false;
    while (q.next()) {
        const std::optional<qint64> begin = fromUtcText(q.value(2).toString());
        const std::optional<qint64> end = fromUtcText(q.value(3).toString());
        if (begin && end)
            inputs->intervals[q.value(1).toString()].append({q.value(0).toString(), *begin, *end});
    }
    return ended(q, error);
}

bool applyDecision(const QSqlDatabase &db, const VantageWriter::Decision &decision,
                   const QList<qint64> &freshSeqs, VantageWriter::Decision *applied, QString *error)
{
    VantageWriter::Decision done;
    if (applied)
        *applied = done;
    if (decision.isEmpty() && freshSeqs.isEmpty())
        return true;
    if (!requireServer(db, error))
        return false;
    QSqlQuery q(db);
    if (!run(q, Statements::BeginImmediate, {}, error))
        return false;
    auto undo = [&]() {
        QSqlQuery rollback(db);
        runStatement(rollback, Statements::Rollback);
        return false;
    };
    for (const VantageWriter::Close &c : decision.closes) {
        if (!run(q, Statements::CloseOutageOfAddress, {localText(c.end), c.ip}, error))
            return undo();
        if (q.numRowsAffected() > 0)
            done.closes << c;
    }
    for (VantageWriter::Open o : decision.opens) {
        QString begin = localText(o.begin);
        // A history replayed after a break may put the rule's begin inside
        // the address's last closed row: the new row starts where that ended.
        if (!run(q, Statements::SelectLastClosedOutageOfAddress, {o.ip}, error))
            return undo();
        if (q.next()) {
            const QString lastEnd = q.value(1).toString();
            if (lastEnd > begin && DateTimeText::toSeconds(lastEnd)) {
                begin = lastEnd;
                o.begin = fromLocalText(lastEnd).value_or(o.begin);
            }
        } else if (!endedCleanly(q)) {
            if (error)
                *error = statementError(q);
            return undo();
        }
        q.finish();
        if (!run(q, Statements::InsertRuledOutage, {begin, o.ip, o.description, o.ip, begin}, error))
            return undo();
        if (q.numRowsAffected() > 0)
            done.opens << o;
    }
    for (const VantageWriter::Record &r : decision.records) {
        const QString begin = localText(r.begin);
        const QString end = localText(r.end);
        if (!run(q, Statements::InsertRuledClosedOutage, {begin, end, r.ip, r.description, r.ip, end, begin}, error))
            return undo();
        if (q.numRowsAffected() > 0)
            done.records << r;
    }
    if (!freshSeqs.isEmpty()) {
        QJsonArray seqs;
        for (qint64 seq : freshSeqs)
            seqs.append(seq);
        if (!run(q, Statements::DeleteFreshVantageOutages, {jsonValue(seqs)}, error))
            return undo();
    }
    if (!run(q, Statements::Commit, {}, error))
        return undo();
    if (applied)
        *applied = done;
    return true;
}

} // namespace VantageRecords
