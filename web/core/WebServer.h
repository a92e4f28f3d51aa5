#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QList>
#include <QPair>

class QHttpServerRequest;
class QTcpSocket;

namespace web {

class AuthFile;
class PageAssets;
class StatusStore;

// orvant-web's HTTP side: the status page and its files, the JSON API,
// /metrics and /healthz, every answer made from the store's newest snapshot
// on this thread (Qt HttpServer 6.4 cannot answer a request later: its
// responder keeps the bare socket, which a client that hangs up deletes,
// and it reads the connection's next request into the same object
// meanwhile). So no request waits for the database, and one that does not
// answer leaves the server serving the last snapshot.
//
// Routing is by the decoded path's segments; a segment "." or ".." is
// never followed (404), and nothing is ever read from disk. Methods other
// than GET and HEAD get 405; with an auth file, everything but /healthz
// needs a user's credentials (401 otherwise).
class WebServer final : public QAbstractHttpServer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebServer)

public:
    WebServer(StatusStore *store, const PageAssets *assets, AuthFile *auth, QObject *parent = nullptr);
    ~WebServer() override;

    using Headers = QList<QPair<QByteArray, QByteArray>>;
    struct Reply
    {
        int status = 200;
        QByteArray contentType;
        QByteArray body;
        Headers headers;
    };
    // The answer to a request, without writing it (the tests' entry too).
    Reply answer(const QHttpServerRequest &request) const;

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    Reply route(const QHttpServerRequest &request, const QStringList &segments) const;
    Reply outages(const QHttpServerRequest &request, const QString &address) const;
    Reply data(const QByteArray &contentType, const QByteArray &body) const;
    Reply unavailable() const;

    StatusStore *m_store;
    const PageAssets *m_assets;
    AuthFile *m_auth;
};

} // namespace web
