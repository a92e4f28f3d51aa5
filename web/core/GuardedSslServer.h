#pragma once

#include "ConnectionGuard.h"

#include <QSslServer>

#include <memory>

namespace web {

// The same over TLS (--tls-cert, --tls-key): QSslServer hands a connection
// on once its handshake is done, which it bounds in time itself.
class GuardedSslServer final : public QSslServer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GuardedSslServer)

public:
    explicit GuardedSslServer(const ConnectionGuard::Limits &limits, QObject *parent = nullptr)
        : QSslServer(parent), m_limits(limits)
    {
    }
    QTcpSocket *nextPendingConnection() override
    {
        return ConnectionGuard::admit([this] { return QSslServer::nextPendingConnection(); }, m_limits, m_open);
    }

private:
    ConnectionGuard::Limits m_limits;
    std::shared_ptr<int> m_open = std::make_shared<int>(0);
};

} // namespace web
