#include "WebServer.h"

#include "AuthFile.h"
#include "Gzip.h"
#include "MetricsText.h"
#include "PageAssets.h"
#include "StatusJson.h"
#include "StatusReader.h"
#include "StatusStore.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QUrlQuery>

namespace web {

namespace {

constexpr char Json[] = "application/json";
constexpr char Text[] = "text/plain; charset=utf-8";
// The page and its script may only reach this server, and no other page may
// frame it.
constexpr char PagePolicy[] = "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
                              "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

QPair<QByteArray, QByteArray> header(const char *name, const char *value)
{
    return {QByteArray(name), QByteArray(value)};
}

WebServer::Reply plain(int status, const QByteArray &text)
{
    return {status, Text, text, {}};
}

WebServer::Reply jsonError(int status, const QString &message)
{
    QJsonObject o;
    o.insert(QLatin1String("error"), message);
    return {status, Json, QJsonDocument(o).toJson(QJsonDocument::Compact), {}};
}

// The path's segments, each percent-decoded on its own (an encoded "/"
// stays inside its segment). Null for a path that is not absolute.
std::optional<QStringList> segmentsOf(const QUrl &url)
{
    const QString path = url.path(QUrl::FullyEncoded);
    if (!path.startsWith(QLatin1Char('/')))
        return std::nullopt;
    QStringList segments;
    const QStringList raw = path.mid(1).split(QLatin1Char('/'));
    for (const QString &s : raw)
        segments << QUrl::fromPercentEncoding(s.toLatin1());
    if (segments == QStringList{QString()})
        segments.clear();
    return segments;
}

} // namespace

WebServer::WebServer(StatusStore *store, const PageAssets *assets, AuthFile *auth, QObject *parent)
    : QAbstractHttpServer(parent), m_store(store), m_assets(assets), m_auth(auth)
{
}

WebServer::~WebServer() = default;

bool WebServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const Reply reply = answer(request);
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(QHttpServerResponder::StatusCode(reply.status));
    responder.writeHeader("Content-Type", reply.contentType);
    responder.writeHeader("Content-Length", QByteArray::number(reply.body.size()));
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    for (const auto &h : reply.headers)
        responder.writeHeader(h.first, h.second);
    const bool head = request.method() == QHttpServerRequest::Method::Head;
    responder.writeBody(head ? QByteArray() : reply.body);
    if (request.value("connection").compare("close", Qt::CaseInsensitive) == 0)
        socket->disconnectFromHost();
    return true;
}

void WebServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    // Never called: handleRequest answers every request.
    handleRequest(request, socket);
}

WebServer::Reply WebServer::answer(const QHttpServerRequest &request) const
{
    const std::optional<QStringList> segments = segmentsOf(request.url());
    if (!segments)
        return plain(400, "bad request\n");
    const bool health = *segments == QStringList{QStringLiteral("healthz")};
    if (m_auth && !health && !m_auth->accepts(request.value("authorization"))) {
        Reply r = plain(401, "authentication required\n");
        r.headers.append(header("WWW-Authenticate", "Basic realm=\"Orvant\", charset=\"UTF-8\""));
        return r;
    }
    const auto method = request.method();
    if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Head) {
        Reply r = plain(405, "method not allowed\n");
        r.headers.append(header("Allow", "GET, HEAD"));
        return r;
    }
    for (const QString &s : *segments) {
        if (s == QLatin1String(".") || s == QLatin1String("..") || s.contains(QLatin1Char('/')))
            return plain(404, "not found\n");
    }
    return route(request, *segments);
}

WebServer::Reply WebServer::route(const QHttpServerRequest &request, const QStringList &s) const
{
    const int n = int(s.size());
    if (n == 0 || (n == 1 && s[0] == QLatin1String("index.html"))) {
        Reply r{200, "text/html; charset=utf-8",
                m_assets->page(PageTexts::fromAcceptLanguage(request.value("accept-language"))),
                {{"Content-Security-Policy", PagePolicy}, {"Cache-Control", "no-cache"}, {"Vary", "Accept-Language"},
                 {"X-Frame-Options", "DENY"}}};
        return r;
    }
    if (n == 2 && s[0] == QLatin1String("assets")) {
        if (const PageAssets::Asset *a = m_assets->asset(s[1]))
            return {200, a->contentType, a->body, {{"Cache-Control", "no-cache"}}};
        return plain(404, "not found\n");
    }
    if (n == 1 && s[0] == QLatin1String("healthz")) {
        if (m_store->databaseAnswers())
            return {200, Text, "ok\n", {{"Cache-Control", "no-store"}}};
        const QString why = m_store->lastError().isEmpty() ? QStringLiteral("no reading yet") : m_store->lastError();
        return {503, Text, "database: " + why.toUtf8() + '\n', {{"Cache-Control", "no-store"}}};
    }
    const std::shared_ptr<const StatusSnapshot> snapshot = m_store->snapshot();
    // The page and Prometheus are told when the figures are the last ones read.
    const bool answers = m_store->databaseAnswers();
    auto body = [&](const char *type, StatusSnapshot::Body which) {
        if (!snapshot)
            return unavailable();
        const bool gzip = Gzip::accepted(request.value("accept-encoding"));
        Reply r = data(type, snapshot->body(which, gzip ? StatusSnapshot::Encoding::Gzip
                                                        : StatusSnapshot::Encoding::Identity));
        r.headers.append(header("Vary", "Accept-Encoding"));
        if (gzip)
            r.headers.append(header("Content-Encoding", "gzip"));
        return r;
    };
    if (n == 1 && s[0] == QLatin1String("metrics"))
        return body(MetricsText::ContentType,
                    answers ? StatusSnapshot::Body::Metrics : StatusSnapshot::Body::MetricsDatabaseSilent);
    if (n >= 3 && s[0] == QLatin1String("api") && s[1] == QLatin1String("v1")) {
        if (n == 3 && s[2] == QLatin1String("hosts"))
            return body(Json, StatusSnapshot::Body::Hosts);
        if (n == 3 && s[2] == QLatin1String("board"))
            return body(Json, answers ? StatusSnapshot::Body::Page : StatusSnapshot::Body::PageDatabaseSilent);
        if (n == 5 && s[2] == QLatin1String("hosts") && s[4] == QLatin1String("outages"))
            return outages(request, s[3]);
    }
    return plain(404, "not found\n");
}

WebServer::Reply WebServer::outages(const QHttpServerRequest &request, const QString &address) const
{
    const std::shared_ptr<const StatusSnapshot> snapshot = m_store->snapshot();
    if (!snapshot)
        return unavailable();
    const StatusBoard &board = snapshot->board();
    if (!board.byAddress.contains(address))
        return jsonError(404, QStringLiteral("no host %1 in the address book").arg(address));
    const QUrlQuery query = request.query();
    auto date = [&](const char *name, const QDate &fallback, QDate *out) {
        const QString text = query.queryItemValue(QLatin1String(name), QUrl::FullyDecoded);
        *out = text.isEmpty() ? fallback : QDate::fromString(text, Qt::ISODate);
        return out->isValid() && (text.isEmpty() || text.size() == 10);
    };
    QDate to, from;
    if (!date("to", board.today, &to))
        return jsonError(400, QStringLiteral("to: a date YYYY-MM-DD expected"));
    if (!date("from", to.addDays(-29), &from))
        return jsonError(400, QStringLiteral("from: a date YYYY-MM-DD expected"));
    if (from > to)
        return jsonError(400, QStringLiteral("from is after to"));
    const QDate first = StatusReader::firstKeptDay(board.today);
    if (from < first)
        return jsonError(400, QStringLiteral("outages are served from %1 on (the last %2 days)")
                                  .arg(first.toString(Qt::ISODate))
                                  .arg(StatusReader::KeptDays));
    return data(Json, StatusJson::outages(board, address, from, to));
}

WebServer::Reply WebServer::data(const QByteArray &contentType, const QByteArray &body) const
{
    return {200, contentType, body, {{"Cache-Control", "no-store"}}};
}

WebServer::Reply WebServer::unavailable() const
{
    Reply r = jsonError(503, m_store->lastError().isEmpty() ? QStringLiteral("the database has not been read yet")
                                                            : m_store->lastError());
    r.headers.append(header("Retry-After", "5"));
    r.headers.append(header("Cache-Control", "no-store"));
    return r;
}

} // namespace web
