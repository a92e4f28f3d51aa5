#include "StatusSnapshot.h"

#include "Gzip.h"
#include "MetricsText.h"
#include "StatusJson.h"

namespace web {

const QByteArray &StatusSnapshot::body(Body body, Encoding encoding) const
{
    const size_t plain = size_t(body) * 2;
    if (!m_bodies[plain]) {
        switch (body) {
        case Body::Hosts:
            m_bodies[plain] = StatusJson::hosts(m_board);
            break;
        case Body::Page:
            m_bodies[plain] = StatusJson::page(m_board, true);
            break;
        case Body::PageDatabaseSilent:
            m_bodies[plain] = StatusJson::page(m_board, false);
            break;
        case Body::Metrics:
            m_bodies[plain] = MetricsText::hosts(m_board) + MetricsText::server(true);
            break;
        case Body::MetricsDatabaseSilent:
            m_bodies[plain] = MetricsText::hosts(m_board) + MetricsText::server(false);
            break;
        }
    }
    if (encoding == Encoding::Identity)
        return *m_bodies[plain];
    std::optional<QByteArray> &packed = m_bodies[plain + 1];
    if (!packed)
        packed = Gzip::compress(*m_bodies[plain]);
    return *packed;
}

} // namespace web
