#pragma once

#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QTcpSocket;

namespace web {

// Limits on one client connection, kept beside Qt HttpServer (6.4 has none
// of its own): a request may not grow past maxRequestBytes (none of ours
// has a body, so anything that large is refused with 413), must arrive
// whole within requestTimeoutMs (a client sending a byte now and then
// cannot hold a connection), and an idle connection is closed after
// idleTimeoutMs. A request Qt's parser gave up on (it then leaves the
// connection unanswered and open) gets 400 and is closed. The guard reads no
// request itself: it counts bytes as they come and answers only with whole
// fixed responses, after which the connection closes.
//
// Lives as the socket's child; its readyRead runs before the server's
// because it is connected first (admit() runs in nextPendingConnection).
class ConnectionGuard final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConnectionGuard)

public:
    struct Limits
    {
        qint64 maxRequestBytes = 16 * 1024;
        int requestTimeoutMs = 10'000;
        int idleTimeoutMs = 60'000;
        int maxConnections = 512;
    };

    // The next pending connection of a server that is not over its limit of
    // open connections, guarded; the ones over it get 503 and are closed.
    // `open` counts the guarded connections of one server.
    static QTcpSocket *admit(const std::function<QTcpSocket *()> &next, const Limits &limits,
                             const std::shared_ptr<int> &open);

private:
    ConnectionGuard(QTcpSocket *socket, const Limits &limits, std::shared_ptr<int> open);
    ~ConnectionGuard() override;

    void onReadyRead();
    void afterServer();
    void onTimeout();
    // Answers with a fixed response and closes the connection.
    static void refuse(QTcpSocket *socket, const QByteArray &status, const QByteArray &text);

    QTcpSocket *m_socket;
    Limits m_limits;
    std::shared_ptr<int> m_open;
    QMetaObject::Connection m_reading;
    QTimer m_timer;
    qint64 m_bytes = 0;
    bool m_inRequest = false;
    bool m_checkQueued = false;
};

} // namespace web
