#include "LatencyService.h"

#include "Clock.h"
#include "MonitorStore.h"
#include "PassReport.h"

namespace monitor {

LatencyService::LatencyService(MonitorStore *store, const Clock *clock, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_clock(clock)
{
    qRegisterMetaType<std::vector<monitor::LatencySample>>();
}

void LatencyService::report(const QString &what, const QString &error)
{
    if (error.isEmpty()) {
        m_lastError.clear();
        return;
    }
    if (error == m_lastError)
        return;
    m_lastError = error;
    emit failed(what, error);
}

void LatencyService::passEnded(const PassReport &report)
{
    record(report.probeStartedAt, report.samples);
}

void LatencyService::record(const QDateTime &at, const std::vector<LatencySample> &samples)
{
    if (samples.empty())
        return;
    if (int(m_waiting.size()) >= MaxWaitingPasses) {
        m_waiting.pop_front();
        report(tr("Запись задержек"), tr("база данных недоступна, самые старые замеры отброшены"));
    }
    m_waiting.push_back({at, samples});
    flush();
}

// One waiting pass at a time, oldest first; the next only once it is written.
void LatencyService::flush()
{
    if (m_flushing || m_waiting.empty() || !m_store)
        return;
    m_flushing = true;
    const Pass &pass = m_waiting.front();
    m_store->recordSamples(this, pass.at, pass.samples, [this](const QString &error) {
        m_flushing = false;
        report(tr("Запись задержек"), error);
        if (!error.isEmpty())
            return;  // the next pass tries again
        m_waiting.pop_front();
        if (!m_waiting.empty())
            flush();
        else
            maintain(StepsPerPass);
    });
}

void LatencyService::maintain(int stepsLeft)
{
    if (stepsLeft <= 0 || !m_store || (m_maintaining && stepsLeft == StepsPerPass))
        return;
    m_maintaining = true;
    m_store->maintainSamples(this, m_clock->now(), [this, stepsLeft](bool worked, const QString &error) {
        m_maintaining = false;
        if (!error.isEmpty())
            report(tr("Обобщение задержек"), error);
        // Passes come first: a step waits while one is to be written.
        if (worked && m_waiting.empty())
            maintain(stepsLeft - 1);
    });
}

} // namespace monitor
