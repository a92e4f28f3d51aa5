#pragma once

#include "MonitorStore.h"
#include "WriteQueue.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

namespace monitor {

// One outage that has not ended: its row of the log, or a write of it that
// still waits in the queue.
using OpenOutage = StoredOutage;

// The outages open now, as the monitor itself decided them.
//
// The log is read once when the database opens (and again when it comes
// back after being away); from then on every decision of a pass updates the
// picture as its write is handed to the queue, so a write that still waits
// for another program's lock is already part of it. The report window and
// the notifier follow this picture instead of asking the database.
class OpenOutages final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OpenOutages)

public:
    explicit OpenOutages(QObject *parent = nullptr);

    // The log's open rows with the writes still waiting laid over them.
    void reset(const QList<OpenOutage> &rows, const QList<OutageWrite> &waiting);
    // A decision handed to the queue. As in the log, an address has at most
    // one open outage, and an end closes the oldest one.
    void apply(const OutageWrite &w);

    QList<OpenOutage> rows() const { return m_rows; }
    bool isOpen(const QString &ip) const;
    int count() const { return int(m_rows.size()); }
    // Whether the picture came from the log at least once.
    bool isKnown() const { return m_known; }

signals:
    void changed();
    // The picture was read from the log again (the database opened or came back).
    void reread();

private:
    bool applyQuietly(const OutageWrite &w);

    QList<OpenOutage> m_rows;
    bool m_known = false;
};

} // namespace monitor
