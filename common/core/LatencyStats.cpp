#include "LatencyStats.h"

#include <algorithm>
#include <cmath>

namespace LatencyStats {

qint64 percentile(const std::vector<qint64> &sorted, int percent)
{
    const qint64 n = qint64(sorted.size());
    // rank = ceil(percent * n / 100), in integers so that 90 % of 10 is 9,
    // not 9.000000001 rounded up to 10.
    qint64 rank = (qint64(percent) * n + 99) / 100;
    rank = std::clamp<qint64>(rank, 1, n);
    return sorted[size_t(rank - 1)];
}

void Accumulator::add(int sent, int lost, std::optional<qint64> rttUs)
{
    ++m_passes;
    m_sent += sent;
    m_lost += lost;
    if (rttUs)
        m_rtts.push_back(*rttUs);
}

LatencySummary Accumulator::summary()
{
    LatencySummary s;
    s.passes = m_passes;
    s.sent = m_sent;
    s.lost = m_lost;
    if (!m_rtts.empty()) {
        std::sort(m_rtts.begin(), m_rtts.end());
        s.minUs = m_rtts.front();
        s.medianUs = percentile(m_rtts, 50);
        s.p90Us = percentile(m_rtts, 90);
        s.maxUs = m_rtts.back();
    }
    return s;
}

} // namespace LatencyStats
