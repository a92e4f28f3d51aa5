#include "ConnectionGuard.h"

#include <QTcpSocket>

namespace web {

QTcpSocket *ConnectionGuard::admit(const std::function<QTcpSocket *()> &next, const Limits &limits,
                                   const std::shared_ptr<int> &open)
{
    // Bounded by the connections pending now.
    while (QTcpSocket *socket = next()) {
        if (*open >= limits.maxConnections) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            refuse(socket, "503 Service Unavailable", "too many connections\n");
            continue;
        }
        new ConnectionGuard(socket, limits, open);
        return socket;
    }
    return nullptr;
}

ConnectionGuard::ConnectionGuard(QTcpSocket *socket, const Limits &limits, std::shared_ptr<int> open)
    : QObject(socket), m_socket(socket), m_limits(limits), m_open(std::move(open))
{
    ++*m_open;
    m_reading = connect(socket, &QTcpSocket::readyRead, this, &ConnectionGuard::onReadyRead);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ConnectionGuard::onTimeout);
    m_timer.start(m_limits.idleTimeoutMs);
}

ConnectionGuard::~ConnectionGuard()
{
    --*m_open;
}

void ConnectionGuard::onReadyRead()
{
    // The server reads a request inside a transaction of the socket and
    // commits it once the request is whole: no transaction, a new request.
    if (!m_socket->isTransactionStarted()) {
        m_bytes = 0;
        if (!m_inRequest) {
            m_inRequest = true;
            m_timer.start(m_limits.requestTimeoutMs);
        }
    }
    m_bytes += m_socket->bytesAvailable();
    if (m_bytes > m_limits.maxRequestBytes) {
        // The server's own reading of it is cut off here, before it runs.
        disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
        m_timer.stop();
        refuse(m_socket, "413 Payload Too Large", "request too large\n");
        return;
    }
    if (!m_checkQueued) {
        m_checkQueued = true;
        QMetaObject::invokeMethod(this, &ConnectionGuard::afterServer, Qt::QueuedConnection);
    }
}

void ConnectionGuard::afterServer()
{
    m_checkQueued = false;
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (!m_reading) {
        // Qt's parser refused the request and disconnected every signal of
        // the socket, ours too; nothing would ever answer or close it.
        m_timer.stop();
        connect(m_socket, &QTcpSocket::disconnected, m_socket, &QObject::deleteLater);
        refuse(m_socket, "400 Bad Request", "bad request\n");
        return;
    }
    if (!m_socket->isTransactionStarted()) {
        m_inRequest = false;
        m_bytes = 0;
        m_timer.start(m_limits.idleTimeoutMs);
    }
}

void ConnectionGuard::onTimeout()
{
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
    if (m_inRequest)
        refuse(m_socket, "408 Request Timeout", "request not complete in time\n");
    else
        m_socket->disconnectFromHost();
}

void ConnectionGuard::refuse(QTcpSocket *socket, const QByteArray &status, const QByteArray &text)
{
    socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: "
                  + QByteArray::number(text.size()) + "\r\nConnection: close\r\n\r\n" + text);
    socket->disconnectFromHost();
    // A peer that does not read what it is sent would keep the socket in
    // its closing state for ever.
    QTimer::singleShot(5000, socket, [socket] { socket->abort(); });
}

} // namespace web
