#include "MetricsText.h"

#include "StatusJson.h"

namespace web {

namespace MetricsText {

namespace {

void family(QByteArray *out, const char *name, const char *type, const char *help)
{
    *out += "# HELP ";
    *out += name;
    *out += ' ';
    *out += help;
    *out += "\n# TYPE ";
    *out += name;
    *out += ' ';
    *out += type;
    *out += '\n';
}

QByteArray labels(const HostBoard &h)
{
    return "address=\"" + labelValue(h.address) + "\",description=\"" + labelValue(h.description) + '"';
}

void sample(QByteArray *out, const char *name, const QByteArray &labels, const QByteArray &value)
{
    *out += name;
    *out += '{';
    *out += labels;
    *out += "} ";
    *out += value;
    *out += '\n';
}

QByteArray number(double v)
{
    return QByteArray::number(v, 'g', 12);
}

} // namespace

QByteArray labelValue(const QString &value)
{
    QByteArray out;
    const QByteArray utf8 = value.toUtf8();
    out.reserve(utf8.size());
    for (const char c : utf8) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

QByteArray hosts(const StatusBoard &board)
{
    std::vector<QByteArray> names;
    names.reserve(board.hosts.size());
    for (const HostBoard &h : board.hosts)
        names.push_back(labels(h));

    QByteArray out;
    out.reserve(int(board.hosts.size()) * 1200 + 2048);
    family(&out, "orvant_host_up", "gauge",
           "Whether the host answers (1) or is in an outage the monitor confirmed (0), as of its last pass.");
    for (size_t i = 0; i < board.hosts.size(); ++i)
        sample(&out, "orvant_host_up", names[i], board.hosts[i].downSince ? "0" : "1");

    // Only a database with vantage points has this family.
    if (!board.hosts.empty() && board.hosts.front().vantagesDown) {
        family(&out, "orvant_host_vantages_down", "gauge", "How many live vantage points find the host silent now.");
        for (size_t i = 0; i < board.hosts.size(); ++i)
            sample(&out, "orvant_host_vantages_down", names[i],
                   QByteArray::number(board.hosts[i].vantagesDown ? board.hosts[i].vantagesDown->size() : 0));
    }

    family(&out, "orvant_echo_requests_total", "counter", "Echo requests sent to the host, counted since this server started.");
    for (size_t i = 0; i < board.hosts.size(); ++i)
        sample(&out, "orvant_echo_requests_total", names[i], QByteArray::number(board.hosts[i].echoRequests));
    family(&out, "orvant_echo_replies_total", "counter", "Echo replies from the host, counted since this server started.");
    for (size_t i = 0; i < board.hosts.size(); ++i)
        sample(&out, "orvant_echo_replies_total", names[i], QByteArray::number(board.hosts[i].echoReplies));

    family(&out, "orvant_last_rtt_seconds", "gauge", "Round trip of the host's newest answered sample.");
    for (size_t i = 0; i < board.hosts.size(); ++i) {
        if (board.hosts[i].lastRttUs)
            sample(&out, "orvant_last_rtt_seconds", names[i], number(double(*board.hosts[i].lastRttUs) / 1e6));
    }

    family(&out, "orvant_outages_total", "counter", "Outages of the host in the outage log.");
    for (size_t i = 0; i < board.hosts.size(); ++i)
        sample(&out, "orvant_outages_total", names[i], QByteArray::number(board.hosts[i].outagesTotal));
    family(&out, "orvant_downtime_seconds_total", "counter",
           "Length of the host's outages in the log, an open one up to the monitor's last pass.");
    for (size_t i = 0; i < board.hosts.size(); ++i)
        sample(&out, "orvant_downtime_seconds_total", names[i], QByteArray::number(board.hosts[i].downtimeTotal));

    family(&out, "orvant_availability_ratio", "gauge",
           "Share of the watched time the host was up: the last day (24 hours), and the last 30 and 365 days up to now.");
    static const struct
    {
        int window;
        const char *name;
    } ratios[] = {{0, "1d"}, {2, "30d"}, {4, "365d"}};
    for (size_t i = 0; i < board.hosts.size(); ++i) {
        for (const auto &r : ratios) {
            const auto milli = board.hosts[i].windows[r.window].availabilityMilliPercent();
            if (milli)
                sample(&out, "orvant_availability_ratio", names[i] + ",window=\"" + r.name + '"',
                       number(double(*milli) / 100000.0));
        }
    }

    family(&out, "orvant_host_info", "gauge", "The host's attributes: its parent (empty without one).");
    for (size_t i = 0; i < board.hosts.size(); ++i)
        sample(&out, "orvant_host_info", names[i] + ",parent=\"" + labelValue(board.hosts[i].parent) + '"', "1");

    family(&out, "orvant_monitor_watching", "gauge",
           "Whether the monitor watches now (its passes go on), 0 when it stopped or fell silent.");
    out += "orvant_monitor_watching " + QByteArray(board.watching ? "1" : "0") + '\n';
    if (board.lastPass) {
        family(&out, "orvant_last_pass_timestamp_seconds", "gauge", "When the monitor's last pass ended (Unix time).");
        out += "orvant_last_pass_timestamp_seconds " + QByteArray::number(StatusJson::epochSeconds(*board.lastPass)) + '\n';
    }
    return out;
}

QByteArray server(bool databaseAnswers)
{
    QByteArray out;
    family(&out, "orvant_web_database_up", "gauge",
           "Whether the database answered this server's last reading (0: the figures are the last ones read).");
    out += "orvant_web_database_up " + QByteArray(databaseAnswers ? "1" : "0") + '\n';
    return out;
}

} // namespace MetricsText

} // namespace web
