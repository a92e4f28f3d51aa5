#include "StatusJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace web {

namespace StatusJson {

namespace {

// The board's JSON is written straight into bytes: a thousand hosts' days
// and charts are a hundred thousand numbers, which QJsonDocument builds
// several times slower. Only numbers, fixed keys and strings escaped here
// go into it; the tests read it back with QJsonDocument.
void appendString(QByteArray *out, const QString &text)
{
    *out += '"';
    for (const char c : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            *out += '\\';
            *out += c;
        } else if (u < 0x20) {
            static const char hex[] = "0123456789abcdef";
            *out += "\\u00";
            *out += hex[u >> 4];
            *out += hex[u & 15];
        } else {
            *out += c;
        }
    }
    *out += '"';
}

// Thousandths, as exact as the figures are; no trailing zeros.
void appendNumber(QByteArray *out, double value)
{
    QByteArray text = QByteArray::number(std::round(value * 1000.0) / 1000.0, 'f', 3);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    if (text == "-0")
        text = "0";
    *out += text;
}

void appendOptional(QByteArray *out, const std::optional<double> &value)
{
    if (value)
        appendNumber(out, *value);
    else
        *out += "null";
}

void appendTime(QByteArray *out, const std::optional<Seconds> &stored)
{
    if (stored)
        appendString(out, time(*stored).toString());
    else
        *out += "null";
}

std::optional<double> percent(const Availability::Figures &f)
{
    const auto milli = f.availabilityMilliPercent();
    if (!milli)
        return std::nullopt;
    return double(*milli) / 1000.0;
}

// The fields of /api/v1/hosts, in the order the manual lists them; the
// object is left open for the page's fields.
void appendHost(QByteArray *out, const HostBoard &h)
{
    *out += "{\"address\":";
    appendString(out, h.address);
    *out += ",\"description\":";
    appendString(out, h.description);
    *out += ",\"state\":\"";
    *out += StatusBoard::stateName(h.state);
    *out += "\",\"down_since\":";
    appendTime(out, h.downSince);
    *out += ",\"last_rtt_ms\":";
    appendOptional(out, h.lastRttUs ? std::optional<double>(double(*h.lastRttUs) / 1000.0) : std::nullopt);
    *out += ",\"loss_pct_1h\":";
    appendOptional(out, h.lossShareHour ? std::optional<double>(*h.lossShareHour * 100.0) : std::nullopt);
    *out += ",\"availability_pct\":{";
    for (int w = 0; w < 5; ++w) {
        if (w)
            *out += ',';
        *out += '"';
        *out += StatusBoard::WindowNames[w];
        *out += "\":";
        appendOptional(out, percent(h.windows[w]));
    }
    *out += "},\"parent\":";
    if (h.parent.isEmpty())
        *out += "null";
    else
        appendString(out, h.parent);
    *out += ",\"muted\":";
    *out += h.muted ? "true" : "false";
    *out += ",\"maintenance\":";
    *out += h.maintenance ? "true" : "false";
    if (h.vantagesDown) {
        *out += ",\"vantages_down\":[";
        for (qsizetype i = 0; i < h.vantagesDown->size(); ++i) {
            if (i)
                *out += ',';
            appendString(out, h.vantagesDown->at(i));
        }
        *out += ']';
    }
}

template <typename T, typename Write>
void appendArray(QByteArray *out, const std::vector<T> &items, Write write)
{
    *out += '[';
    for (size_t i = 0; i < items.size(); ++i) {
        if (i)
            *out += ',';
        write(items[i]);
    }
    *out += ']';
}

} // namespace

QJsonValue time(Seconds stored)
{
    const QDateTime t = QDateTime(DateTimeText::dateOf(stored), DateTimeText::timeOf(stored));
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
    return QDateTime(DateTimeText::dateOf(stored), DateTimeText::timeOf(stored)).toSecsSinceEpoch();
}

QByteArray hosts(const StatusBoard &board)
{
    QByteArray out;
    out.reserve(int(board.hosts.size()) * 320 + 2);
    appendArray(&out, board.hosts, [&](const HostBoard &h) {
        appendHost(&out, h);
        out += '}';
    });
    return out;
}

QByteArray page(const StatusBoard &board, bool databaseAnswers)
{
    QByteArray out;
    out.reserve(int(board.hosts.size()) * 1400 + 4096);
    out += "{\"generated\":";
    appendTime(&out, board.now);
    out += ",\"watching\":";
    out += board.watching ? "true" : "false";
    out += ",\"last_pass\":";
    appendTime(&out, board.lastPass);
    out += ",\"database\":";
    out += databaseAnswers ? "true" : "false";
    out += ",\"days\":[";
    for (int d = StatusBoard::BarDays - 1; d >= 0; --d) {
        out += '"';
        out += board.today.addDays(-d).toString(Qt::ISODate).toLatin1();
        out += d ? "\"," : "\"";
    }
    out += "],\"chart_hours\":";
    const std::vector<ChartPoint> none;
    appendArray(&out, board.hosts.empty() ? none : board.hosts.front().chart,
                [&](const ChartPoint &p) { out += QByteArray::number(epochSeconds(p.start)); });
    out += ",\"hosts\":";
    // The days as two flat arrays keep a thousand hosts' bars small.
    appendArray(&out, board.hosts, [&](const HostBoard &h) {
        appendHost(&out, h);
        out += ",\"days_watched_s\":";
        appendArray(&out, h.days, [&](const DayCell &c) { out += QByteArray::number(c.watched); });
        out += ",\"days_down_s\":";
        appendArray(&out, h.days, [&](const DayCell &c) { out += QByteArray::number(c.down); });
        out += ",\"chart_rtt_ms\":";
        appendArray(&out, h.chart, [&](const ChartPoint &p) { appendOptional(&out, p.rttMs); });
        out += ",\"chart_loss_pct\":";
        appendArray(&out, h.chart, [&](const ChartPoint &p) {
            appendOptional(&out, p.lossShare ? std::optional<double>(*p.lossShare * 100.0) : std::nullopt);
        });
        out += '}';
    });
    out += '}';
    return out;
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
