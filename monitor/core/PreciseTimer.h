#pragma once

#include <QObject>

class QSocketNotifier;
class QTimer;

namespace monitor {

// A single-shot timer to the nanosecond, for the echo probe's deadlines: a
// QTimer fires on whole milliseconds, rounded up, so each of a host's four
// attempts would wait up to a millisecond longer than its timeout. Runs on a
// timerfd watched by the event loop; where none can be made, on a QTimer.
class PreciseTimer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreciseTimer)

public:
    explicit PreciseTimer(QObject *parent = nullptr);
    ~PreciseTimer() override;

    // Fires once, inNs from now (at once for 0 or less); a running timer is
    // set anew.
    void start(qint64 inNs);
    void stop();
    bool isActive() const { return m_active; }

signals:
    void timeout();

private:
    void onReadable();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_fallback = nullptr;
    bool m_active = false;
};

} // namespace monitor
