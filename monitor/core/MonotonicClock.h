#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

namespace monitor {

// Where the echo probe reads the time its sends and timeouts are measured
// in: a monotonic count of nanoseconds from any origin. The steady clock by
// default; tests move one by hand to check what is sent when.
class MonotonicClock
{
public:
    MonotonicClock() = default;
    virtual ~MonotonicClock() = default;
    MonotonicClock(const MonotonicClock &) = delete;
    MonotonicClock &operator=(const MonotonicClock &) = delete;

    virtual qint64 nsecs() const = 0;
};

// Time since start(), read from an injected clock or else the steady one.
class ElapsedTime
{
public:
    void use(const MonotonicClock *clock) { m_clock = clock; }
    void start()
    {
        m_steady.start();
        m_origin = m_clock ? m_clock->nsecs() : 0;
    }
    qint64 nsecsElapsed() const { return m_clock ? m_clock->nsecs() - m_origin : m_steady.nsecsElapsed(); }

private:
    const MonotonicClock *m_clock = nullptr;
    QElapsedTimer m_steady;
    qint64 m_origin = 0;
};

} // namespace monitor
