#include "StatusJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace web {

namespace StatusJson {

namespace {

QDateTime localOf(Seconds stored)
{
    return QDateTime(DateTimeText::dateOf(stored), DateTimeText::timeOf(stored));
}

// Thousandths are as exact as the figures are.
QJsonValue rounded(std::optional<double> v)
{
    if (!v)
        return QJsonValue::Null;
    return std::round(*v * 1000.0) / 1000.0;
}

QJsonValue percent(const Availability::Figures &f)
{
    const auto milli = f.availabilityMilliPercent();
    if (!milli)
        return QJsonValue::Null;
    return double(*milli) / 1000.0;
}

QJsonObject hostObject(const HostBoard &h)
{
    QJsonObject o;
    o.insert(QLatin1String("address"), h.address);
    o.insert(QLatin1String("description"), h.description);
    o.insert(QLatin1String("state"), QLatin1String(StatusBoard::stateName(h.state)));
    o.insert(QLatin1String("down_since"), h.downSince ? time(*h.downSince) : QJsonValue(QJsonValue::Null));
    o.insert(QLatin1String("last_rtt_ms"),
             h.lastRttUs ? rounded(double(*h.lastRttUs) / 1000.0) : QJsonValue(QJsonValue::Null));
    o.insert(QLatin1String("loss_pct_1h"),
             h.lossShareHour ? rounded(*h.lossShareHour * 100.0) : QJsonValue(QJsonValue::Null));
    QJsonObject availability;
    for (int w = 0; w < 5; ++w)
        availability.insert(QLatin1String(StatusBoard::WindowNames[w]), percent(h.windows[w]));
    o.insert(QLatin1String("availability_pct"), availability);
    o.insert(QLatin1String("parent"), h.parent.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(h.parent));
    o.insert(QLatin1String("muted"), h.muted);
    o.insert(QLatin1String("maintenance"), h.maintenance);
    return o;
}

} // namespace

QJsonValue time(Seconds stored)
{
    const QDateTime t = localOf(stored);
    const int offset = t.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
           + QStringLiteral("%1%2:%3")
                 .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                 .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                 .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

qint64 epochSeconds(Seconds stored)
{
    return localOf(stored).toSecsSinceEpoch();
}

QByteArray hosts(const StatusBoard &board)
{
    QJsonArray list;
    for (const HostBoard &h : board.hosts)
        list.append(hostObject(h));
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

QByteArray page(const StatusBoard &board, bool databaseAnswers)
{
    QJsonObject o;
    o.insert(QLatin1String("generated"), time(board.now));
    o.insert(QLatin1String("watching"), board.watching);
    o.insert(QLatin1String("last_pass"), board.lastPass ? time(*board.lastPass) : QJsonValue(QJsonValue::Null));
    o.insert(QLatin1String("database"), databaseAnswers);
    QJsonArray days;
    for (int d = StatusBoard::BarDays - 1; d >= 0; --d)
        days.append(board.today.addDays(-d).toString(Qt::ISODate));
    o.insert(QLatin1String("days"), days);
    QJsonArray hours;
    if (!board.hosts.empty()) {
        for (const ChartPoint &p : board.hosts.front().chart)
            hours.append(epochSeconds(p.start));
    }
    o.insert(QLatin1String("chart_hours"), hours);
    QJsonArray list;
    for (const HostBoard &h : board.hosts) {
        QJsonObject host = hostObject(h);
        // Two flat arrays keep a thousand hosts' bars small.
        QJsonArray watched, down;
        for (const DayCell &c : h.days) {
            watched.append(c.watched);
            down.append(c.down);
        }
        host.insert(QLatin1String("days_watched_s"), watched);
        host.insert(QLatin1String("days_down_s"), down);
        QJsonArray rtt, loss;
        for (const ChartPoint &p : h.chart) {
            rtt.append(rounded(p.rttMs));
            loss.append(p.lossShare ? rounded(*p.lossShare * 100.0) : QJsonValue(QJsonValue::Null));
        }
        host.insert(QLatin1String("chart_rtt_ms"), rtt);
        host.insert(QLatin1String("chart_loss_pct"), loss);
        list.append(host);
    }
    o.insert(QLatin1String("hosts"), list);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray outages(const StatusBoard &board, const QString &address, const QDate &from, const QDate &to)
{
    const admin::AvailabilityPeriod p{StatusBoard::dayPeriod(from).from, StatusBoard::dayPeriod(to).to};
    QJsonArray list;
    const auto found = board.outages.constFind(address);
    if (found != board.outages.cend()) {
        for (const Availability::Outage &o : *found) {
            // As the listing under admin's figures selects them.
            if (o.begin >= p.to || (o.end && *o.end < p.from))
                continue;
            QJsonObject row;
            row.insert(QLatin1String("begin"), time(o.begin));
            row.insert(QLatin1String("end"), o.end ? time(*o.end) : QJsonValue(QJsonValue::Null));
            row.insert(QLatin1String("duration_s"), std::max<qint64>(0, o.end.value_or(board.now) - o.begin));
            list.append(row);
        }
    }
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

} // namespace StatusJson

} // namespace web
