#pragma once

#include <QObject>

class QSocketNotifier;

namespace monitor {

// Turns SIGTERM and SIGINT into a Qt signal on the UI thread, so that the
// monitor ends through its normal unload (no question asked) instead of dying
// in the middle of a statement. The handler only writes to a pipe; everything
// else happens in the event loop.
class ShutdownSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShutdownSignals)

public:
    explicit ShutdownSignals(QObject *parent = nullptr);
    ~ShutdownSignals() override;

    bool isActive() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace monitor
