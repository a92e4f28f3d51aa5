#pragma once

#include "Clock.h"

namespace monitor {

// A clock the test sets and moves by hand (also backwards).
class FakeClock final : public Clock
{
public:
    explicit FakeClock(const QDateTime &start = QDateTime(QDate(2024, 9, 14), QTime(13, 5, 9)))
        : m_now(start)
    {
    }

    QDateTime now() const override { return m_now; }
    void set(const QDateTime &t) { m_now = t; }
    void advanceMs(qint64 ms) { m_now = m_now.addMSecs(ms); }

private:
    QDateTime m_now;
};

} // namespace monitor
