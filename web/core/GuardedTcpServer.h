#pragma once

#include "ConnectionGuard.h"

#include <QTcpServer>

#include <memory>

namespace web {

// A QTcpServer whose connections are guarded (ConnectionGuard) before the
// HTTP server sees them.
class GuardedTcpServer final : public QTcpServer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GuardedTcpServer)

public:
    explicit GuardedTcpServer(const ConnectionGuard::Limits &limits, QObject *parent = nullptr)
        : QTcpServer(parent), m_limits(limits)
    {
    }
    QTcpSocket *nextPendingConnection() override
    {
        return ConnectionGuard::admit([this] { return QTcpServer::nextPendingConnection(); }, m_limits, m_open);
    }
    int openConnections() const { return *m_open; }

private:
    ConnectionGuard::Limits m_limits;
    std::shared_ptr<int> m_open = std::make_shared<int>(0);
};

} // namespace web
