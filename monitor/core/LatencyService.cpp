#include "LatencyService.h"

#include "Clock.h"
#include "MonitorStore.h"
#include "PassReport.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>

#include <iterator>

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
    if (report.samples && !report.samples->empty())
        keep({report.probeStartedAt, report.samples});
}

void LatencyService::record(const QDateTime &at, const std::vector<LatencySample> &samples)
{
    if (!samples.empty())
        keep({at, std::make_shared<const std::vector<LatencySample>>(samples)});
}

void LatencyService::keep(Pass pass)
{
    m_waitingSamples += qsizetype(pass.samples->size());
    m_waiting.push_back(std::move(pass));
    // The one under way (the front, while flushing) stays.
    while (m_waitingSamples > MaxWaitingSamples && m_waiting.size() > (m_flushing ? 2u : 1u)) {
        auto oldest = m_flushing ? std::next(m_waiting.begin()) : m_waiting.begin();
        m_waitingSamples -= qsizetype(oldest->samples->size());
        m_waiting.erase(oldest);
        report(tr("Запись задержек"), tr("база данных долго недоступна, самые старые замеры отброшены"));
    }
    flush();
}

namespace {

constexpr quint32 SamplesFileMagic = 0x4F525354;  // "ORST"
constexpr quint32 SamplesFileVersion = 1;

} // namespace

bool LatencyService::save(const QString &path, QString *error) const
{
    const size_t skip = m_flushing ? 1 : 0;
    if (m_waiting.size() <= skip) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            *error = tr("не удалось удалить %1").arg(path);
            return false;
        }
        return true;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    QDataStream out(&file);
    out.setVersion(QDataStream::Qt_6_4);
    out << SamplesFileMagic << SamplesFileVersion << quint64(m_waiting.size() - skip);
    for (auto it = m_waiting.begin() + qsizetype(skip); it != m_waiting.end(); ++it) {
        out << it->at << quint64(it->samples->size());
        for (const LatencySample &s : *it->samples)
            out << s.ip << s.desc << qint32(s.sent) << qint32(s.lost) << bool(s.rttUs) << qint64(s.rttUs.value_or(0))
                << qint32(s.timeoutMs);
    }
    if (out.status() != QDataStream::Ok || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool LatencyService::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0;
    quint32 version = 0;
    quint64 passes = 0;
    in >> magic >> version >> passes;
    std::deque<Pass> loaded;
    qsizetype count = 0;
    for (quint64 p = 0; magic == SamplesFileMagic && version == SamplesFileVersion && p < passes
                        && in.status() == QDataStream::Ok;
         ++p) {
        QDateTime at;
        auto samples = std::make_shared<std::vector<LatencySample>>();
        quint64 n = 0;
        in >> at >> n;
        for (quint64 i = 0; i < n && in.status() == QDataStream::Ok; ++i) {
            LatencySample s;
            qint32 sent = 0, lost = 0, timeout = 0;
            bool hasRtt = false;
            qint64 rtt = 0;
            in >> s.ip >> s.desc >> sent >> lost >> hasRtt >> rtt >> timeout;
            s.sent = sent;
            s.lost = lost;
            s.timeoutMs = timeout;
            if (hasRtt)
                s.rttUs = rtt;
            samples->push_back(std::move(s));
        }
        count += qsizetype(samples->size());
        loaded.push_back({at, std::move(samples)});
    }
    file.close();
    if (magic != SamplesFileMagic || version != SamplesFileVersion || in.status() != QDataStream::Ok) {
        *error = tr("файл %1 повреждён").arg(path);
        return false;
    }
    // Removed before they are taken back: kept twice, they could be written twice.
    if (!file.remove()) {
        *error = file.errorString();
        return false;
    }
    // Behind the one under way, ahead of every newer pass.
    auto at = m_flushing && !m_waiting.empty() ? std::next(m_waiting.begin()) : m_waiting.begin();
    m_waiting.insert(at, std::make_move_iterator(loaded.begin()), std::make_move_iterator(loaded.end()));
    m_waitingSamples += count;
    flush();
    return true;
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
        m_waitingSamples -= qsizetype(m_waiting.front().samples->size());
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
