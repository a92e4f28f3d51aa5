// The part of the session that only a vantage point has: after every pass
// its heartbeat, its try at the writer's lock and, as the writer, the rule
// applied to the log; and its own observations kept in its pending file
// while the server is away.

#include "MonitorSession.h"

#include "PollingEngine.h"
#include "VantageRecords.h"
#include "WriteQueue.h"

#include <QFileInfo>

#include <cstdio>

namespace monitor {

namespace {

void toStderr(const QString &text)
{
    std::fprintf(stderr, "orvant: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

void MonitorSession::vantagePass()
{
    // What the vantage saw waits in its file as well as in memory, so that
    // neither the server's absence nor the monitor's end loses it.
    keepVantageWrites();
    if (m_stopped || !m_store->isUsable() || m_vantagePassRunning)
        return;
    m_vantagePassRunning = true;
    m_store->vantagePass(this, m_refreshSecs, [this](const VantagePass &pass) {
        m_vantagePassRunning = false;
        onVantagePass(pass);
    });
}

void MonitorSession::keepVantageWrites()
{
    WriteQueue *queue = m_engine->writeQueue();
    // An empty queue removes the file: nothing is owed any more.
    if (queue->unsavedCount() == 0 && !QFileInfo::exists(pendingWritesPath()))
        return;
    QString error;
    if (!queue->save(pendingWritesPath(), &error) && error != m_vantageError) {
        m_vantageError = error;
        tell(tr("Наблюдения этого пункта не сохранены в %1: %2").arg(pendingWritesPath(), error));
    }
}

void MonitorSession::onVantagePass(const VantagePass &pass)
{
    if (m_stopped)
        return;
    const QString name = m_setup.database.vantageName();
    if (!pass.ok) {
        // A lost connection is told by the store; anything else once.
        if (m_store->isUsable() && pass.error != m_vantageError) {
            m_vantageError = pass.error;
            toStderr(tr("Ошибка базы данных: %1: %2").arg(tr("Наблюдательный пункт"), pass.error));
            emit databaseError(tr("Наблюдательный пункт"), pass.error);
        }
        return;
    }
    m_vantageError.clear();
    m_state->setVantagesDown(pass.vantagesDown);
    if (pass.writer != m_vantageWriter) {
        m_vantageWriter = pass.writer;
        if (pass.writer)
            tell(tr("Наблюдательный пункт «%1» ведёт журнал сбоев по правилу «%2».").arg(name, pass.rule.text()));
    }
    for (const VantageWriter::Close &c : pass.applied.closes)
        tell(tr("Журнал сбоев: %1 снова доступен по правилу «%2» (с %3).")
                 .arg(c.ip, pass.rule.text(), VantageRecords::localText(c.end)));
    for (const VantageWriter::Open &o : pass.applied.opens)
        tell(tr("Журнал сбоев: %1 недоступен по правилу «%2» с %3; недоступен для пунктов: %4.")
                 .arg(o.ip, pass.rule.text(), VantageRecords::localText(o.begin), o.vantages.join(QLatin1String(", "))));
    for (const VantageWriter::Record &r : pass.applied.records)
        tell(tr("Журнал сбоев: %1 был недоступен по правилу «%2» с %3 по %4 (известно с опозданием); "
                "недоступен для пунктов: %5.")
                 .arg(r.ip, pass.rule.text(), VantageRecords::localText(r.begin), VantageRecords::localText(r.end),
                      r.vantages.join(QLatin1String(", "))));
    emit vantagePassed(pass);
}

} // namespace monitor
