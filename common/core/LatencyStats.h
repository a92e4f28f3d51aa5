#pragma once

#include <QtGlobal>

#include <optional>
#include <vector>

// What a run of samples of one host says: how many passes, how many echo
// attempts went out and how many of them stayed unanswered, and the spread
// of the round trips of the answered ones.
//
// Loss is lost / sent over the whole run, not the share of silent passes:
// the probe stops at the first answer, so one pass sends one to four
// attempts and a pass that needed three has told of two losses.
struct LatencySummary
{
    qint64 passes = 0;
    qint64 sent = 0;
    qint64 lost = 0;
    std::optional<qint64> minUs;
    std::optional<qint64> medianUs;
    std::optional<qint64> p90Us;
    std::optional<qint64> maxUs;

    // 0..1; none where nothing was sent.
    std::optional<double> lossShare() const
    {
        if (sent <= 0)
            return std::nullopt;
        return double(lost) / double(sent);
    }
    bool operator==(const LatencySummary &o) const
    {
        return passes == o.passes && sent == o.sent && lost == o.lost && minUs == o.minUs && medianUs == o.medianUs
            && p90Us == o.p90Us && maxUs == o.maxUs;
    }
};

namespace LatencyStats {

// The nearest-rank percentile of sorted values: the smallest value that at
// least `percent` per cent of them do not exceed (so the median of an even
// count is the lower middle value, and every result is a measured round
// trip, never an interpolation). `sorted` must not be empty.
qint64 percentile(const std::vector<qint64> &sorted, int percent);

// Adds samples one by one and sums them up; round trips are sorted at the end.
class Accumulator
{
public:
    void add(int sent, int lost, std::optional<qint64> rttUs);
    LatencySummary summary();
    bool isEmpty() const { return m_passes == 0; }

private:
    qint64 m_passes = 0;
    qint64 m_sent = 0;
    qint64 m_lost = 0;
    std::vector<qint64> m_rtts;
};

} // namespace LatencyStats
