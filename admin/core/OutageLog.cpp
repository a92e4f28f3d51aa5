#include "OutageLog.h"

#include "AdminRules.h"
#include "Database.h"
#include "Failure.h"
#include "DurationText.h"
#include "OutageLogModel.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace admin {

bool OutageLog::deleteBefore(const QDate &day, int *deleted, QString *error, const QString &connectionName)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!runStatement(query, Statements::DeleteLogBefore, {AdminRules::clearCutOff(day)}))
        return failWith(error, statementError(query));
    if (deleted)
        *deleted = query.numRowsAffected();
    return true;
}

bool OutageLog::summary(Summary *result, QString *error, const QString &connectionName)
{
    return summary(connectionName.isEmpty() ? QSqlDatabase::database() : QSqlDatabase::database(connectionName),
                   QString(), result, error);
}

bool OutageLog::summary(QSqlDatabase db, const QString &filter, Summary *result, QString *error)
{
    QSqlQuery query(db);
    const QString pattern = OutageLogModel::likePattern(filter);
    const bool ran = filter.isEmpty()
                         ? runStatement(query, Statements::SelectLogSummary)
                         : runStatement(query, Statements::SelectLogSummaryFiltered, {filter, pattern, pattern});
    if (!ran || !query.next())
        return failWith(error, statementError(query));
    Summary s;
    s.rows = query.value(0).toLongLong();
    s.open = qint64(query.value(1).toDouble());
    s.anyClosed = !query.value(2).isNull();
    s.closedTotalSecs = query.value(2).toLongLong();
    s.closedLongestSecs = query.value(3).toLongLong();
    s.largestId = query.value(4).toLongLong();
    *result = s;
    return true;
}

QString OutageLog::summaryText(const Summary &summary, const QLocale &locale)
{
    auto tr = [](const char *text) { return QCoreApplication::translate("admin::OutageLog", text); };
    QString text = tr("Обрывов: %1, открыто: %2").arg(locale.toString(summary.rows), locale.toString(summary.open));
    if (summary.anyClosed)
        text += tr("; закрытые: всего %1, дольше всех %2")
                    .arg(DurationText::format(summary.closedTotalSecs), DurationText::format(summary.closedLongestSecs));
    return text;
}

} // namespace admin
