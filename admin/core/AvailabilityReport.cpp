#include "AvailabilityReport.h"

#include "AddressText.h"
#include "AlertRecords.h"
#include "CsvWriter.h"
#include "Database.h"
#include "DurationText.h"
#include "Failure.h"
#include "MaintenanceTime.h"
#include "Regional.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QSqlQuery>

#include <algorithm>
#include <numeric>

namespace admin {

namespace AvailabilityReport {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("admin::AvailabilityReport", text);
}

QString stored(Availability::Seconds s)
{
    return DateTimeText::fromDateAndTime(DateTimeText::dateOf(s), DateTimeText::timeOf(s));
}

bool readWatched(const QSqlDatabase &db, const AvailabilityPeriod &period, std::vector<Availability::Span> *out,
                 QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectWatchedTouching, {stored(period.to), stored(period.from)})) {
        *error = statementError(q);
        return false;
    }
    std::vector<Availability::Span> spans;
    while (q.next()) {
        const auto b = DateTimeText::secondsOfValue(q.value(0));
        const auto e = DateTimeText::secondsOfValue(q.value(1));
        if (b && e)
            spans.push_back({*b, *e});
    }
    *out = Availability::normalised(std::move(spans), period.from, period.to);
    return true;
}

// Each address's stretches without a route, inside watched time: that
// host's own unwatched time.
bool readUnrouted(const QSqlDatabase &db, const AvailabilityPeriod &period,
                  QHash<QString, std::vector<Availability::Span>> *out, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectUnroutedTouching, {stored(period.to), stored(period.from)})) {
        *error = statementError(q);
        return false;
    }
    while (q.next()) {
        const auto b = DateTimeText::secondsOfValue(q.value(1));
        const auto e = DateTimeText::secondsOfValue(q.value(2));
        if (b && e)
            (*out)[q.value(0).toString()].push_back({*b, *e});
    }
    for (auto it = out->begin(); it != out->end(); ++it)
        *it = Availability::normalised(std::move(*it), period.from, period.to);
    return true;
}

} // namespace

void appendOutages(QStringView joined, std::vector<Availability::Outage> *out)
{
    for (const QStringView row : joined.tokenize(u';')) {
        const qsizetype comma = row.indexOf(u',');
        // A begin that is no date-time dates nothing: the row is left out.
        const auto begin = DateTimeText::toSeconds(comma < 0 ? row : row.first(comma));
        if (!begin)
            continue;
        Availability::Outage o{*begin, std::nullopt};
        // A closed row's end that is no date-time leaves it open, as the
        // listing under the figures reads it.
        if (comma >= 0)
            o.end = DateTimeText::toSeconds(row.sliced(comma + 1));
        out->push_back(o);
    }
}

AvailabilityPeriod period(PeriodKind kind, Availability::Seconds now, const QDate &chosen, const QDate &from,
                          const QDate &to)
{
    const auto midnight = [](const QDate &d) { return DateTimeText::toSeconds(d, QTime(0, 0)); };
    constexpr qint64 Day = DateTimeText::SecondsPerDay;
    switch (kind) {
    case PeriodKind::Last24Hours:
        return {now - Day, now};
    case PeriodKind::Last7Days:
        return {now - 7 * Day, now};
    case PeriodKind::Last30Days:
        return {now - 30 * Day, now};
    case PeriodKind::Month: {
        const QDate first(chosen.year(), chosen.month(), 1);
        return {midnight(first), midnight(first.addMonths(1))};
    }
    case PeriodKind::Year: {
        const QDate first(chosen.year(), 1, 1);
        return {midnight(first), midnight(first.addYears(1))};
    }
    case PeriodKind::Days:
        break;
    }
    const QDate a = qMin(from, to);
    const QDate b = qMax(from, to);
    return {midnight(a), midnight(b.addDays(1))};
}

QString periodText(const AvailabilityPeriod &period)
{
    const auto text = [](Availability::Seconds s) {
        return Regional::generalDateTime(DateTimeText::dateOf(s), DateTimeText::timeOf(s));
    };
    return text(period.from) + QStringLiteral(" – ") + text(period.to);
}

std::optional<std::vector<HostAvailability>> compute(const QSqlDatabase &db, const AvailabilityPeriod &period,
                                                     Availability::Seconds now, QString *error, Maintenance maintenance)
{
    std::optional<Availability::MaintenancePlan> plan;
    if (maintenance == Maintenance::SetAside) {
        QList<AlertRecords::MaintenanceWindow> windows;
        QString why;
        if (!AlertRecords::readWindows(db, &windows, &why)) {
            *error = tr("Не удалось прочитать плановые работы: %1").arg(why);
            return std::nullopt;
        }
        plan.emplace(windows, period.from, period.to);
    }

    std::vector<Availability::Span> watched;
    if (!readWatched(db, period, &watched, error))
        return std::nullopt;
    QHash<QString, std::vector<Availability::Span>> unrouted;
    if (!readUnrouted(db, period, &unrouted, error))
        return std::nullopt;

    std::vector<HostAvailability> hosts;
    QHash<QString, size_t> byAddress;
    {
        QSqlQuery q(db);
        if (!runStatement(q, Statements::SelectAddressesSorted)) {
            *error = statementError(q);
            return std::nullopt;
        }
        while (q.next()) {
            const QString ip = q.value(0).toString();
            if (byAddress.contains(ip))
                continue;
            byAddress.insert(ip, hosts.size());
            hosts.push_back({ip, q.value(1).toString(), {}});
        }
    }
    // The book is read in text order (10.0.0.10 before 10.0.0.2); the
    // report and the file list addresses by value.
    {
        std::vector<std::pair<QByteArray, size_t>> keys;
        keys.reserve(hosts.size());
        for (size_t i = 0; i < hosts.size(); ++i)
            keys.emplace_back(AddressText::sortKey(hosts[i].address), i);
        std::sort(keys.begin(), keys.end());
        std::vector<HostAvailability> sorted;
        sorted.reserve(hosts.size());
        for (const auto &key : keys) {
            byAddress[hosts[key.second].address] = sorted.size();
            sorted.push_back(std::move(hosts[key.second]));
        }
        hosts = std::move(sorted);
    }

    std::vector<std::vector<Availability::Outage>> outages(hosts.size());
    {
        QSqlQuery q(db);
        if (!runStatement(q, Statements::SelectOutagesTouchingByAddress, {stored(period.to), stored(period.from)})) {
            *error = statementError(q);
            return std::nullopt;
        }
        while (q.next()) {
            const auto it = byAddress.constFind(q.value(0).toString());
            if (it != byAddress.cend())
                appendOutages(q.value(1).toString(), &outages[*it]);
        }
        // A read that broke off is no shorter history: the operator is told.
        if (!endedCleanly(q)) {
            *error = statementError(q);
            return std::nullopt;
        }
    }
    for (size_t i = 0; i < hosts.size(); ++i) {
        const auto own = unrouted.constFind(hosts[i].address);
        const std::vector<Availability::Span> hostWatched =
            own == unrouted.cend() ? watched : Availability::without(watched, *own);
        hosts[i].figures = plan ? Availability::figuresSettingAside(hostWatched, plan->spansOf(hosts[i].address),
                                                                    std::move(outages[i]), period.from, period.to, now)
                                : Availability::figures(hostWatched, std::move(outages[i]), period.from, period.to, now);
    }
    return hosts;
}

std::optional<std::vector<Availability::Outage>> outagesOf(const QSqlDatabase &db, const QString &ip,
                                                           const AvailabilityPeriod &period, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectOutagesOfAddressTouching, {ip, stored(period.to), stored(period.from)})) {
        *error = statementError(q);
        return std::nullopt;
    }
    std::vector<Availability::Outage> out;
    while (q.next()) {
        const auto b = DateTimeText::secondsOfValue(q.value(0));
        if (!b)
            continue;
        Availability::Outage o{*b, std::nullopt};
        if (!q.value(1).isNull())
            o.end = DateTimeText::secondsOfValue(q.value(1));
        out.push_back(o);
    }
    return out;
}

QByteArray csvHeader(Maintenance maintenance)
{
    QByteArray line = QByteArrayLiteral(
        "address,description,watched_s,down_s,availability_pct,outages,longest_s,mean_down_s,mtbf_s,unwatched_s");
    if (maintenance == Maintenance::SetAside)
        line += ",maintenance_s";
    return line + "\r\n";
}

QByteArray csvLine(const HostAvailability &host, Maintenance maintenance)
{
    const Availability::Figures &f = host.figures;
    auto opt = [](const std::optional<qint64> &v) { return v ? QByteArray::number(*v) : QByteArray(); };
    const bool data = f.hasData();
    QByteArray line;
    line += CsvWriter::field(host.address) + ',' + CsvWriter::field(host.description) + ',';
    line += QByteArray::number(f.watched) + ',';
    line += (data ? QByteArray::number(f.down) : QByteArray()) + ',';
    line += Availability::percentField(f).toLatin1() + ',';
    line += (data ? QByteArray::number(f.outages) : QByteArray()) + ',';
    line += (data ? QByteArray::number(f.longest) : QByteArray()) + ',';
    line += opt(f.meanDown()) + ',' + opt(f.mtbf()) + ',';
    line += QByteArray::number(f.unwatched);
    if (maintenance == Maintenance::SetAside)
        line += ',' + QByteArray::number(f.maintenance);
    return line + "\r\n";
}

QString html(const std::vector<HostAvailability> &hosts, const QString &periodText, Maintenance maintenance,
             const std::vector<size_t> &rowOrder)
{
    const bool setAside = maintenance == Maintenance::SetAside;
    const QLocale locale = QLocale::system();
    QString out;
    out += QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>")
               .arg(tr("Доступность адресов").toHtmlEscaped());
    out += QStringLiteral("<h2>%1</h2><p>%2</p>")
               .arg(tr("Доступность адресов").toHtmlEscaped(),
                    QCoreApplication::translate("admin::AvailabilityReport", "Период: %1").arg(periodText).toHtmlEscaped());
    if (setAside)
        out += QStringLiteral("<p>%1</p>")
                   .arg(tr("Время плановых работ не считается ни доступностью, ни сбоем.").toHtmlEscaped());
    out += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>");
    QStringList heads{tr("Адрес"),       tr("Описание"),          tr("Доступность"), QString(),
                      tr("Сбоев"),       tr("Время сбоев"),       tr("Самый долгий"),
                      tr("Наблюдение"), tr("Без наблюдения")};
    if (setAside)
        heads << tr("Плановые работы");
    for (const QString &h : heads)
        out += QStringLiteral("<th>%1</th>").arg(h.toHtmlEscaped());
    out += QStringLiteral("</tr>");
    std::vector<size_t> order = rowOrder;
    if (order.empty()) {
        order.resize(hosts.size());
        std::iota(order.begin(), order.end(), size_t(0));
    }
    for (const size_t row : order) {
        if (row >= hosts.size())
            continue;
        const HostAvailability &h = hosts[row];
        const Availability::Figures &f = h.figures;
        const auto milli = f.availabilityMilliPercent();
        // The bar is a two-cell table: QTextDocument draws no CSS widths on
        // spans, but it does draw cell widths and backgrounds.
        QString bar;
        if (milli) {
            const int upWidth = int(*milli * 100 / 100000);
            bar = QStringLiteral("<table width=\"100\" cellspacing=\"0\" cellpadding=\"0\" border=\"0\"><tr>");
            if (upWidth > 0)
                bar += QStringLiteral("<td width=\"%1\" bgcolor=\"#2e7d32\">&nbsp;</td>").arg(upWidth);
            if (upWidth < 100)
                bar += QStringLiteral("<td width=\"%1\" bgcolor=\"#c62828\">&nbsp;</td>").arg(100 - upWidth);
            bar += QStringLiteral("</tr></table>");
        }
        QStringList cells{h.address,
                                h.description,
                                Availability::percentText(f),
                                QString(),
                                f.hasData() ? locale.toString(f.outages) : QString(),
                                f.hasData() ? DurationText::format(f.down) : QString(),
                                f.hasData() ? DurationText::format(f.longest) : QString(),
                                DurationText::format(f.watched),
                                DurationText::format(f.unwatched)};
        if (setAside)
            cells << DurationText::format(f.maintenance);
        out += QStringLiteral("<tr>");
        for (int i = 0; i < cells.size(); ++i)
            out += i == 3 ? QStringLiteral("<td>%1</td>").arg(bar)
                          : QStringLiteral("<td>%1</td>").arg(cells.at(i).toHtmlEscaped());
        out += QStringLiteral("</tr>");
    }
    out += QStringLiteral("</table></body></html>");
    return out;
}

} // namespace AvailabilityReport

} // namespace admin
