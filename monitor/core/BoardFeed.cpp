#include "BoardFeed.h"

#include "AlertGate.h"
#include "AlertPolicy.h"
#include "DateTimeText.h"
#include "HostState.h"
#include "MonitorSession.h"
#include "MonitorStore.h"
#include "OutagePathTracer.h"
#include "PassReport.h"
#include "PollingEngine.h"

#include <QSet>

namespace monitor {

BoardFeed::BoardFeed(MonitorSession *session, OutagePathTracer *paths, BoardModel *model, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_model(model)
    , m_paths(paths)
{
    connect(session->engine(), &PollingEngine::passEnded, this, &BoardFeed::passEnded);
    if (paths) {
        connect(paths, &OutagePathTracer::traced, this, [this](const OutagePaths::Path &path) {
            if (m_model)
                m_model->setPath(path.ip, DateTimeText::toDateTime(path.begin), path.hops);
        });
        // The paths of outages still open when the board opens.
        for (const OutagePaths::Path &p : paths->paths())
            model->setPath(p.ip, DateTimeText::toDateTime(p.begin), p.hops);
    }
}

BoardModel::Pass BoardFeed::input(const PassReport &report, const HostState &state, const AlertGate *gate,
                                  const QStringList &lastBook, QStringList *book)
{
    BoardModel::Pass pass;
    pass.now = report.endedAt;
    pass.nowMonoMs = report.endedMonoMs;

    QSet<QString> down;
    for (const StoredOutage &o : state.openOutages())
        down.insert(o.ip);
    QHash<QString, QString> parents;
    AlertPolicy::Quiet quiet;
    if (gate) {
        parents = gate->loaded().parents;
        quiet = gate->loaded().quiet;
    }
    const bool anyQuiet = !quiet.mutes.isEmpty() || !quiet.windows.isEmpty();

    auto fill = [&](BoardModel::HostInput &in) {
        const std::optional<HostState::Host> host = state.host(in.ip);
        if (host) {
            if (in.desc.isEmpty())
                in.desc = host->desc;
            in.down = host->condition == HostState::Condition::Down;
            in.unwatched = host->condition == HostState::Condition::Unwatched;
            in.lastRttUs = host->lastRttUs;
            in.failedPasses = host->failedPasses;
            in.vantagesDown = state.vantagesDown(in.ip);
            if (in.down) {
                in.since = DateTimeText::fromVariant(host->since);
                in.sinceMonoMs = host->sinceMonoMs;
            } else {
                in.since = host->lastOutageEnd;
            }
        }
        if (!parents.isEmpty() && !AlertPolicy::downAncestor(in.ip, parents, down).isEmpty())
            in.marks |= BoardModel::Behind;
        if (anyQuiet) {
            switch (AlertPolicy::quietReason(quiet, in.ip, report.endedAt)) {
            case AlertPolicy::Reason::Muted:
                in.marks |= BoardModel::Muted;
                break;
            case AlertPolicy::Reason::Maintenance:
                in.marks |= BoardModel::Maintenance;
                break;
            default:
                break;
            }
        }
    };

    if (report.samples) {
        pass.hosts.reserve(report.samples->size());
        book->clear();
        book->reserve(qsizetype(report.samples->size()));
        for (const LatencySample &s : *report.samples) {
            BoardModel::HostInput in;
            in.ip = s.ip;
            in.desc = s.desc;
            in.sent = s.sent;
            in.lost = s.lost;
            in.rttUs = s.rttUs;
            fill(in);
            pass.hosts.push_back(std::move(in));
            book->append(s.ip);
        }
    } else {
        *book = lastBook;
        pass.hosts.reserve(size_t(lastBook.size()));
        for (const QString &ip : lastBook) {
            BoardModel::HostInput in;
            in.ip = ip;
            fill(in);
            pass.hosts.push_back(std::move(in));
        }
    }
    return pass;
}

void BoardFeed::passEnded(const PassReport &report)
{
    if (!m_model)
        return;
    QStringList book;
    m_model->applyPass(input(report, *m_session->hostState(), &m_session->alerts(), m_book, &book));
    m_book = std::move(book);
    // Paths told before their rows existed (read back at the start) find
    // them now; the ones already shown change nothing.
    if (m_paths) {
        for (const OutagePaths::Path &p : m_paths->paths())
            m_model->setPath(p.ip, DateTimeText::toDateTime(p.begin), p.hops);
    }
    // The thresholds as the book now has them: a read of its own on the
    // store's thread, answered when it is done.
    if (m_readingThresholds || !m_session->store() || !m_session->databaseUsable())
        return;
    m_readingThresholds = true;
    m_session->store()->readRttThresholds(
        this, [this](bool ok, const QHash<QString, OutagePaths::Thresholds> &thresholds, const QString &) {
            m_readingThresholds = false;
            if (ok && m_model)
                m_model->setThresholds(thresholds);
        });
}

} // namespace monitor
