#include "PreciseTimer.h"

#include <QSocketNotifier>
#include <QTimer>

#include <climits>

#include <sys/timerfd.h>
#include <unistd.h>

namespace monitor {

PreciseTimer::PreciseTimer(QObject *parent)
    : QObject(parent)
    , m_fd(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &PreciseTimer::onReadable);
        return;
    }
    m_fallback = new QTimer(this);
    m_fallback->setSingleShot(true);
    m_fallback->setTimerType(Qt::PreciseTimer);
    connect(m_fallback, &QTimer::timeout, this, [this] {
        m_active = false;
        emit timeout();
    });
}

PreciseTimer::~PreciseTimer()
{
    if (m_fd >= 0) {
        m_notifier->setEnabled(false);
        ::close(m_fd);
    }
}

void PreciseTimer::start(qint64 inNs)
{
    m_active = true;
    if (m_fallback) {
        m_fallback->start(inNs <= 0 ? 0 : int(qMin<qint64>((inNs + 999'999) / 1'000'000, INT_MAX)));
        return;
    }
    // An all-zero value would disarm the timer instead of firing it.
    const qint64 ns = qMax<qint64>(inNs, 1);
    itimerspec when{};
    when.it_value.tv_sec = time_t(ns / 1'000'000'000);
    when.it_value.tv_nsec = long(ns % 1'000'000'000);
    ::timerfd_settime(m_fd, 0, &when, nullptr);
}

void PreciseTimer::stop()
{
    m_active = false;
    if (m_fallback) {
        m_fallback->stop();
        return;
    }
    const itimerspec never{};
    ::timerfd_settime(m_fd, 0, &never, nullptr);
}

void PreciseTimer::onReadable()
{
    quint64 expirations = 0;
    // Nothing to read: the timer was set anew after it expired; the new
    // moment is still ahead.
    if (::read(m_fd, &expirations, sizeof expirations) != ssize_t(sizeof expirations) || !m_active)
        return;
    m_active = false;
    emit timeout();
}

} // namespace monitor
