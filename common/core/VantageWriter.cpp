#include "VantageWriter.h"

#include <QSet>

VantageWriter::Decision VantageWriter::decide(const QList<Host> &book,
                                              const QHash<QString, QList<VantageRule::Interval>> &intervals,
                                              const QList<VantageState> &vantages, const VantageRule &rule,
                                              const QList<OpenRow> &openLogRows, qint64 now,
                                              const QHash<QString, qint64> &freshSince)
{
    QSet<QString> live;
    for (const VantageState &v : vantages) {
        if (v.isLive())
            live.insert(v.name);
    }
    const int threshold = rule.threshold(int(live.size()));

    // An old file may hold two open rows of one address; the server never
    // does. The oldest is the one a close takes.
    QHash<QString, qint64> openRow;
    for (const OpenRow &row : openLogRows) {
        auto it = openRow.find(row.ip);
        if (it == openRow.end())
            openRow.insert(row.ip, row.begin);
        else
            *it = std::min(*it, row.begin);
    }

    Decision decision;
    QSet<QString> seen;
    QList<VantageRule::Interval> ofLive;
    for (const Host &host : book) {
        // A book with an address twice (an old file) is judged once.
        if (seen.contains(host.ip))
            continue;
        seen.insert(host.ip);
        ofLive.clear();
        for (const VantageRule::Interval &i : intervals.value(host.ip)) {
            if (live.contains(i.vantage))
                ofLive << i;
        }
        const auto row = openRow.constFind(host.ip);
        const bool hasRow = row != openRow.constEnd();
        if (!hasRow && ofLive.isEmpty())
            continue;
        const VantageRule::Verdict verdict =
            VantageRule::judge(ofLive, threshold, now, hasRow ? std::optional<qint64>(*row) : std::nullopt);
        const bool closing = hasRow && verdict.rowEnd.has_value();
        if (closing)
            decision.closes << Close{host.ip, *row, *verdict.rowEnd};
        if (verdict.down && (!hasRow || closing))
            decision.opens << Open{host.ip, host.description, verdict.since, verdict.vantagesDown};
        const auto fresh = freshSince.constFind(host.ip);
        if (fresh == freshSince.constEnd())
            continue;
        for (const VantageRule::Verdict::Stretch &stretch : verdict.past) {
            if (stretch.end <= *fresh)
                continue;
            // The open row covers its own span: up to its end when it
            // closes now, for good when it stays open.
            if (hasRow && stretch.end > *row && (!closing || stretch.begin < *verdict.rowEnd))
                continue;
            decision.records << Record{host.ip, host.description, stretch.begin, stretch.end, stretch.vantages};
        }
    }
    return decision;
}
