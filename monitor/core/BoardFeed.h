#pragma once

#include "BoardModel.h"
#include "OutagePaths.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

namespace monitor {

class AlertGate;
class HostState;
class MonitorSession;
class MonitorStore;
class OutagePathTracer;
struct PassReport;

// Feeds the board from what the passes leave: after each pass, every host
// of the book as the host state holds it, with the pass's samples and the
// marks of the alert settings. The round-trip thresholds come with the
// pass from the store, and the paths from the tracer as each ends.
class BoardFeed final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BoardFeed)

public:
    // Nothing is owned; paths may be null.
    BoardFeed(MonitorSession *session, OutagePathTracer *paths, BoardModel *model, QObject *parent = nullptr);

    // The board's input from one pass: every sampled host (the book of the
    // pass), or the hosts of the last pass that probed when this one did
    // not. Pure, for tests and benchmarks.
    static BoardModel::Pass input(const PassReport &report, const HostState &state, const AlertGate *gate,
                                  const QStringList &lastBook, QStringList *book);

    void passEnded(const PassReport &report);

private:
    MonitorSession *m_session;
    QPointer<BoardModel> m_model;
    QPointer<OutagePathTracer> m_paths;
    QStringList m_book;
    // Descriptions of the book as the last probing pass read it.
    bool m_readingThresholds = false;
};

} // namespace monitor
