#pragma once

#include "StatusBoard.h"

#include <QByteArray>

#include <array>
#include <memory>
#include <optional>

namespace web {

// One reading's board and the answers made from it. The board is made on
// the database thread and never changed after; the answers are written (and
// compressed) on the HTTP thread when first asked for, once per snapshot,
// so a reading a second costs nothing for what nobody asks for.
class StatusSnapshot
{
public:
    enum class Body { Hosts, Page, PageDatabaseSilent, Metrics, MetricsDatabaseSilent };
    enum class Encoding { Identity, Gzip };

    explicit StatusSnapshot(StatusBoard board) : m_board(std::move(board)) {}
    const StatusBoard &board() const { return m_board; }
    // HTTP thread only.
    const QByteArray &body(Body body, Encoding encoding) const;

private:
    StatusBoard m_board;
    mutable std::array<std::optional<QByteArray>, 10> m_bodies;
};

} // namespace web
