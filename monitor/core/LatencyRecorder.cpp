#include "LatencyRecorder.h"

#include "VantageRecords.h"

#include "Database.h"
#include "DateTimeText.h"
#include "LatencyStats.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QVariant>

namespace monitor {

namespace {

QVariant optionalValue(const std::optional<qint64> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::LongLong));
}

bool fail(QSqlQuery &q, QString *error)
{
    if (error)
        *error = statementError(q);
    return false;
}

class Transaction
{
public:
    explicit Transaction(QSqlDatabase db)
        : m_db(db)
    {
    }
    ~Transaction()
    {
        if (m_open) {
            QSqlQuery q(m_db);
            runStatement(q, Statements::Rollback);
        }
    }
    bool begin(QString *error)
    {
        QSqlQuery q(m_db);
        if (!runStatement(q, Statements::BeginImmediate))
            return fail(q, error);
        m_open = true;
        return true;
    }
    bool commit(QString *error)
    {
        QSqlQuery q(m_db);
        if (!runStatement(q, Statements::Commit))
            return fail(q, error);
        m_open = false;
        return true;
    }

private:
    QSqlDatabase m_db;
    bool m_open = false;
};

bool scalar(QSqlDatabase db, const Statements::Statement &st, const QVariantList &values, QVariant *out,
            QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, st, values))
        return fail(q, error);
    *out = q.next() ? q.value(0) : QVariant();
    return true;
}

} // namespace

LatencyRecorder::LatencyRecorder(QSqlDatabase db)
    : m_db(db)
{
}

std::optional<qint64> LatencyRecorder::plausibleRtt(std::optional<qint64> rttUs, int timeoutMs)
{
    // Zero is a real answer (a loop-back reply can come back within the
    // microsecond); more than the host's timeout cannot have been counted.
    if (!rttUs || *rttUs < 0)
        return std::nullopt;
    if (timeoutMs > 0 && *rttUs > qint64(timeoutMs) * 1000)
        return std::nullopt;
    return rttUs;
}

void LatencyRecorder::forget()
{
    m_loaded = false;
    m_hostIds.clear();
    m_hostDesc.clear();
    m_hourId = m_dayId = 0;
    m_hourText.clear();
    m_dayText.clear();
}

bool LatencyRecorder::load(QString *error)
{
    if (m_loaded)
        return true;
    QSqlQuery q(m_db);
    if (!runStatement(q, Statements::SelectLatencyHosts))
        return fail(q, error);
    while (q.next()) {
        const qint64 id = q.value(0).toLongLong();
        m_hostIds.insert(q.value(1).toString(), id);
        m_hostDesc.insert(id, q.value(2).toString());
    }
    QSqlQuery h(m_db);
    if (!runStatement(h, Statements::SelectNewestLatencyHour))
        return fail(h, error);
    if (h.next()) {
        // A restart within the hour goes on filling it, unless it was
        // consolidated already (it never is while it is the newest).
        if (h.value(2).toInt() == 0) {
            m_hourId = h.value(0).toLongLong();
            m_hourText = h.value(1).toString();
        }
        if (h.value(5).toInt() == 0) {
            m_dayId = h.value(3).toLongLong();
            m_dayText = h.value(4).toString();
        }
    }
    m_loaded = true;
    return true;
}

bool LatencyRecorder::ensureHour(const QDateTime &at, QString *error)
{
    const QString hourText = at.toString(QStringLiteral("yyyy-MM-dd HH:00:00"));
    if (m_hourId != 0 && hourText == m_hourText)
        return true;
    const QString dayText = at.toString(QStringLiteral("yyyy-MM-dd"));
    // Any other hour, later or (clock set back) earlier, is a new row: an
    // older row may already be consolidated, and a row is only ever filled
    // while it is the newest.
    if (m_dayId == 0 || dayText != m_dayText) {
        QVariant id;
        if (!scalar(m_db, Statements::InsertLatencyDay, {dayText}, &id, error))
            return false;
        m_dayId = id.toLongLong();
        m_dayText = dayText;
    }
    QVariant id;
    if (!scalar(m_db, Statements::InsertLatencyHour, {hourText, m_dayId}, &id, error))
        return false;
    m_hourId = id.toLongLong();
    m_hourText = hourText;
    return true;
}

bool LatencyRecorder::hostId(const LatencySample &s, qint64 *id, QString *error)
{
    const auto it = m_hostIds.constFind(s.ip);
    if (it != m_hostIds.constEnd()) {
        *id = it.value();
        // The newest description goes with the address, so a renamed host
        // is exported and charted under the name the operator knows now.
        if (m_hostDesc.value(*id) != s.desc) {
            QSqlQuery q(m_db);
            if (!runStatement(q, Statements::UpdateLatencyHostDescription, {s.desc, *id}))
                return fail(q, error);
            m_hostDesc.insert(*id, s.desc);
        }
        return true;
    }
    QVariant v;
    // Vantages on one server may meet the same new address in one moment.
    if (!scalar(m_db, m_vantage.isEmpty() ? Statements::InsertLatencyHost : Statements::UpsertLatencyHost,
                {s.ip, s.desc}, &v, error))
        return false;
    *id = v.toLongLong();
    m_hostIds.insert(s.ip, *id);
    m_hostDesc.insert(*id, s.desc);
    return true;
}

bool LatencyRecorder::recordPass(const QDateTime &at, const std::vector<LatencySample> &samples, QString *error)
{
    if (samples.empty())
        return true;
    if (!load(error))
        return false;
    Transaction tx(m_db);
    if (!tx.begin(error))
        return false;
    bool ok = ensureHour(at, error);
    QVariant passId;
    if (ok)
        ok = scalar(m_db, Statements::InsertLatencyPass, {DateTimeText::fromDateTime(at), m_hourId}, &passId, error);
    // A vantage's passes are told apart from the other vantages' by its name.
    if (ok && !m_vantage.isEmpty())
        ok = VantageRecords::recordPass(m_db, passId.toLongLong(), m_vantage, error);
    // The pass's rows go as one array in one statement: ten thousand
    // statements would cost more in binding than the rows cost to write.
    QJsonArray rows;
    QHash<qint64, bool> seen;
    for (size_t i = 0; ok && i < samples.size(); ++i) {
        const LatencySample &s = samples[i];
        qint64 id = 0;
        ok = hostId(s, &id, error);
        // The book may hold an address twice: its first row of the pass counts.
        if (!ok || seen.contains(id))
            continue;
        seen.insert(id, true);
        const int sent = qMax(0, s.sent);
        const int lost = qBound(0, s.lost, sent);
        const std::optional<qint64> rtt = lost < sent ? plausibleRtt(s.rttUs, s.timeoutMs) : std::nullopt;
        rows.append(QJsonArray{id, sent, lost, rtt ? QJsonValue(*rtt) : QJsonValue()});
    }
    if (ok) {
        QSqlQuery q(m_db);
        ok = runStatement(q, Statements::InsertLatencySamples,
                          {passId, QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact))})
            || fail(q, error);
    }
    if (ok)
        ok = tx.commit(error);
    if (!ok)
        forget();  // the ids made in the transaction are gone with it
    return ok;
}

LatencyRecorder::Step LatencyRecorder::consolidateStep(QString *error)
{
    QSqlQuery q(m_db);
    if (!runStatement(q, Statements::SelectHourToConsolidate))
        return fail(q, error), Step::Failed;
    if (q.next())
        return consolidate(false, q.value(0).toLongLong(), q.value(1).toLongLong(), error);
    QSqlQuery d(m_db);
    if (!runStatement(d, Statements::SelectDayToConsolidate))
        return fail(d, error), Step::Failed;
    if (d.next())
        return consolidate(true, d.value(0).toLongLong(), d.value(1).toLongLong(), error);
    return Step::Idle;
}

LatencyRecorder::Step LatencyRecorder::consolidate(bool day, qint64 unit, qint64 doneHost, QString *error)
{
    QVariant passes, lastHost;
    if (!scalar(m_db, day ? Statements::CountDayPasses : Statements::CountHourPasses, {unit}, &passes, error)
        || !scalar(m_db, Statements::SelectLastLatencyHost, {}, &lastHost, error))
        return Step::Failed;
    const qint64 hosts = qMax<qint64>(1, m_stepSamples / qMax<qint64>(1, passes.toLongLong()));
    const qint64 upTo = qMin(doneHost + hosts, qMax(lastHost.toLongLong(), doneHost));
    const bool last = upTo >= lastHost.toLongLong();

    std::vector<std::pair<qint64, LatencySummary>> rows;
    {
        QSqlQuery s(m_db);
        if (!runStatement(s, day ? Statements::SelectDaySamples : Statements::SelectHourSamples,
                          {doneHost, upTo, unit}))
            return fail(s, error), Step::Failed;
        qint64 current = -1;
        LatencyStats::Accumulator acc;
        while (s.next()) {
            const qint64 host = s.value(0).toLongLong();
            if (host != current && !acc.isEmpty()) {
                rows.emplace_back(current, acc.summary());
                acc = {};
            }
            current = host;
            const QVariant rtt = s.value(3);
            acc.add(s.value(1).toInt(), s.value(2).toInt(),
                    rtt.isNull() ? std::nullopt : std::optional<qint64>(rtt.toLongLong()));
        }
        if (!acc.isEmpty())
            rows.emplace_back(current, acc.summary());
    }

    Transaction tx(m_db);
    if (!tx.begin(error))
        return Step::Failed;
    for (const auto &[host, r] : rows) {
        QSqlQuery ins(m_db);
        // A plain insert: a row already there would be an hour counted
        // twice, and fails the step instead.
        if (!runStatement(ins, day ? Statements::InsertLatencyDaily : Statements::InsertLatencyHourly,
                          {unit, host, r.passes, r.sent, r.lost, optionalValue(r.minUs), optionalValue(r.medianUs),
                           optionalValue(r.p90Us), optionalValue(r.maxUs)}))
            return fail(ins, error), Step::Failed;
    }
    QSqlQuery mark(m_db);
    if (!runStatement(mark, day ? Statements::MarkLatencyDayProgress : Statements::MarkLatencyHourProgress,
                      {upTo, last ? 1 : 0, unit, doneHost}))
        return fail(mark, error), Step::Failed;
    if (mark.numRowsAffected() != 1) {
        if (error)
            *error = QStringLiteral("consolidation progress of %1 moved meanwhile").arg(unit);
        return Step::Failed;
    }
    if (!tx.commit(error))
        return Step::Failed;
    return Step::Worked;
}

LatencyRecorder::Step LatencyRecorder::retentionStep(const QDateTime &now, const Retention &retention,
                                                     QString *error)
{
    // Raw samples: a prefix of the passes, oldest first, only of consolidated days.
    const QString rawKeep = DateTimeText::fromDateTime(now.addDays(-qMax(1, retention.rawDays)));
    QSqlQuery first(m_db);
    if (!runStatement(first, Statements::SelectOldestLatencyPass, {rawKeep}))
        return fail(first, error), Step::Failed;
    if (first.next()) {
        const qint64 from = first.value(0).toLongLong();
        const qint64 perPass = qMax<qint64>(1, first.value(1).toLongLong());
        qint64 to = from + qMax<qint64>(0, m_stepSamples / perPass - 1);
        // Shrink the range until nothing in it must stay.
        for (;;) {
            QVariant keep;
            if (!scalar(m_db, Statements::CountLatencyPassesToKeep, {from, to, rawKeep}, &keep, error))
                return Step::Failed;
            if (keep.toLongLong() == 0 || to == from)
                break;
            to = from + (to - from) / 2;
        }
        Transaction tx(m_db);
        if (!tx.begin(error))
            return Step::Failed;
        QSqlQuery del(m_db), delPasses(m_db);
        if (!runStatement(del, Statements::DeleteLatencySamples, {from, to}))
            return fail(del, error), Step::Failed;
        if (!runStatement(delPasses, Statements::DeleteLatencyPasses, {from, to}))
            return fail(delPasses, error), Step::Failed;
        if (!m_vantage.isEmpty() && !VantageRecords::forgetPasses(m_db, from, to, error))
            return Step::Failed;
        return tx.commit(error) ? Step::Worked : Step::Failed;
    }
    // Hourly rows: one old hour per step.
    const QString hourKeep =
        now.addYears(-qMax(1, retention.hourlyYears)).toString(QStringLiteral("yyyy-MM-dd HH:00:00"));
    QSqlQuery oldHour(m_db);
    if (!runStatement(oldHour, Statements::SelectOldestLatencyHour, {hourKeep}))
        return fail(oldHour, error), Step::Failed;
    if (oldHour.next()) {
        const qint64 hour = oldHour.value(0).toLongLong();
        Transaction tx(m_db);
        if (!tx.begin(error))
            return Step::Failed;
        QSqlQuery del(m_db);
        if (!runStatement(del, Statements::DeleteLatencyHourly, {hour}))
            return fail(del, error), Step::Failed;
        return tx.commit(error) ? Step::Worked : Step::Failed;
    }
    return Step::Idle;
}

} // namespace monitor
