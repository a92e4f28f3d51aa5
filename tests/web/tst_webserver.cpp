// The HTTP side over a real socket on the loop-back of a network namespace
// of the test's own (in_netns.sh), against a real database file: routes,
// methods, HEAD, the page's language, the outage queries, credentials,
// limits, and a database gone while the server goes on serving.
#include "AuthFile.h"
#include "GuardedTcpServer.h"
#include "PageAssets.h"
#include "PageTexts.h"
#include "StatusStore.h"
#include "TempDatabase.h"
#include "WebServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <crypt.h>
#include <zlib.h>

#include <memory>

using namespace web;

namespace {

struct Got
{
    int status = 0;
    QByteArray head;
    QByteArray body;
    bool closed = false;

    QByteArray header(const QByteArray &name) const
    {
        for (const QByteArray &line : head.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
                return line.mid(colon + 1).trimmed();
        }
        return {};
    }
};

} // namespace

class tst_WebServer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void routes_data();
    void routes();
    void onlyGetAndHead_data();
    void onlyGetAndHead();
    void headHasTheHeadersAndNoBody();
    void pageLanguage_data();
    void pageLanguage();
    void outageQueries_data();
    void outageQueries();
    void credentials();
    void oversizedAndSlowRequestsAreRefusedAndServingGoesOn();
    void connectionsPastTheLimitGet503();
    void gzipForClientsThatTakeIt();
    void databaseGoneHealthFailsDataStays();

private:
    void start(AuthFile *auth = nullptr, const ConnectionGuard::Limits &limits = {});
    Got exchange(const QByteArray &request, int timeoutMs = 5000);
    Got get(const QByteArray &path, const QByteArray &extra = {});

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<PageTexts> m_texts;
    std::unique_ptr<PageAssets> m_assets;
    std::unique_ptr<StatusStore> m_store;
    std::unique_ptr<WebServer> m_server;
    quint16 m_port = 0;
};

void tst_WebServer::init()
{
    m_db = std::make_unique<TempDatabase>(TempDatabase::Backend::File);
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    const QDateTime now = QDateTime::currentDateTime();
    QVERIFY(m_db->exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('fd00::7','v6 host',500)")));
    QVERIFY(m_db->exec(QStringLiteral("insert into watched (time_begin,time_end,how_ended) values (?,?,0)"),
                       {DateTimeText::fromDateTime(now.addDays(-3)), DateTimeText::fromDateTime(now)}));
    QVERIFY(m_db->exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,1,'127.0.0.1','x')"),
                       {DateTimeText::fromDateTime(now.addDays(-1)), DateTimeText::fromDateTime(now.addDays(-1).addSecs(30))}));
    m_texts = std::make_unique<PageTexts>();
    m_texts->loadEnglish({qEnvironmentVariable("ORVANT_BIN_DIR") + QStringLiteral("/translations")});
    m_assets = std::make_unique<PageAssets>(*m_texts);
}

void tst_WebServer::cleanup()
{
    m_server.reset();
    m_store.reset();
    m_assets.reset();
    m_texts.reset();
    m_db.reset();
}

void tst_WebServer::start(AuthFile *auth, const ConnectionGuard::Limits &limits)
{
    m_store = std::make_unique<StatusStore>(m_db->config());
    m_store->setIntervalMs(100);
    m_server = std::make_unique<WebServer>(m_store.get(), m_assets.get(), auth);
    auto *tcp = new GuardedTcpServer(limits, m_server.get());
    QVERIFY(tcp->listen(QHostAddress::LocalHost, 0));
    m_port = tcp->serverPort();
    m_server->bind(tcp);
    m_store->start();
    QTRY_VERIFY(m_store->snapshot() != nullptr);
}

Got tst_WebServer::exchange(const QByteArray &request, int timeoutMs)
{
    Got got;
    QTcpSocket socket;
    QByteArray data;
    connect(&socket, &QTcpSocket::readyRead, &socket, [&] { data += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, m_port);
    socket.write(request);
    const QDeadlineTimer deadline(timeoutMs);
    // Until the server closes, or a whole response with its length is in.
    while (!deadline.hasExpired()) {
        QTest::qWait(5);
        if (socket.state() == QAbstractSocket::UnconnectedState) {
            got.closed = true;
            break;
        }
        const qsizetype end = data.indexOf("\r\n\r\n");
        if (end > 0 && !request.contains("Connection: close")) {
            got.head = data.left(end);
            if (data.size() - end - 4 >= got.header("Content-Length").toLongLong())
                break;
        }
    }
    const qsizetype end = data.indexOf("\r\n\r\n");
    got.head = end < 0 ? data : data.left(end);
    got.body = end < 0 ? QByteArray() : data.mid(end + 4);
    got.status = data.startsWith("HTTP/1.1 ") ? data.mid(9, 3).toInt() : 0;
    return got;
}

Got tst_WebServer::get(const QByteArray &path, const QByteArray &extra)
{
    return exchange("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra + "Connection: close\r\n\r\n");
}

void tst_WebServer::routes_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("type");

    QTest::newRow("page") << QByteArray("/") << 200 << QByteArray("text/html; charset=utf-8");
    QTest::newRow("page by name") << QByteArray("/index.html") << 200 << QByteArray("text/html; charset=utf-8");
    QTest::newRow("script") << QByteArray("/assets/app.js") << 200 << QByteArray("text/javascript; charset=utf-8");
    QTest::newRow("icon") << QByteArray("/assets/favicon.svg") << 200 << QByteArray("image/svg+xml");
    QTest::newRow("no such asset") << QByteArray("/assets/app.jsx") << 404 << QByteArray();
    QTest::newRow("health") << QByteArray("/healthz") << 200 << QByteArray("text/plain; charset=utf-8");
    QTest::newRow("metrics") << QByteArray("/metrics") << 200 << QByteArray("text/plain; version=0.0.4; charset=utf-8");
    QTest::newRow("hosts") << QByteArray("/api/v1/hosts") << 200 << QByteArray("application/json");
    QTest::newRow("board") << QByteArray("/api/v1/board") << 200 << QByteArray("application/json");
    QTest::newRow("outages") << QByteArray("/api/v1/hosts/127.0.0.1/outages") << 200 << QByteArray("application/json");
    QTest::newRow("outages of IPv6") << QByteArray("/api/v1/hosts/fd00%3A%3A7/outages") << 200 << QByteArray("application/json");
    QTest::newRow("unknown host") << QByteArray("/api/v1/hosts/192.0.2.99/outages") << 404 << QByteArray("application/json");
    QTest::newRow("unknown path") << QByteArray("/etc/passwd") << 404 << QByteArray();
    QTest::newRow("trailing slash") << QByteArray("/metrics/") << 404 << QByteArray();
    QTest::newRow("dot dot") << QByteArray("/assets/../metrics") << 404 << QByteArray();
    QTest::newRow("dot dot out of the api") << QByteArray("/api/v1/../../../etc/passwd") << 404 << QByteArray();
    QTest::newRow("encoded dot dot") << QByteArray("/assets/%2e%2e/metrics") << 404 << QByteArray();
    QTest::newRow("encoded slash") << QByteArray("/assets/..%2F..%2Fetc%2Fpasswd") << 404 << QByteArray();
    QTest::newRow("address dot dot") << QByteArray("/api/v1/hosts/../outages") << 404 << QByteArray();
}

void tst_WebServer::routes()
{
    QFETCH(QByteArray, path);
    QFETCH(int, status);
    QFETCH(QByteArray, type);
    start();
    const Got got = get(path);
    QCOMPARE(got.status, status);
    if (!type.isEmpty())
        QCOMPARE(got.header("Content-Type"), type);
    QCOMPARE(got.header("Content-Length").toLongLong(), got.body.size());
    QCOMPARE(got.header("X-Content-Type-Options"), QByteArray("nosniff"));
}

void tst_WebServer::onlyGetAndHead_data()
{
    QTest::addColumn<QByteArray>("method");
    for (const char *m : {"POST", "PUT", "DELETE", "OPTIONS", "PATCH", "TRACE"})
        QTest::newRow(m) << QByteArray(m);
}

void tst_WebServer::onlyGetAndHead()
{
    QFETCH(QByteArray, method);
    start();
    const Got got = exchange(method + " /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 2\r\nConnection: close\r\n\r\nab");
    QCOMPARE(got.status, 405);
    QCOMPARE(got.header("Allow"), QByteArray("GET, HEAD"));
}

void tst_WebServer::headHasTheHeadersAndNoBody()
{
    start();
    const Got full = get("/api/v1/hosts");
    const Got head = exchange("HEAD /api/v1/hosts HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    QCOMPARE(head.status, 200);
    QVERIFY(head.closed);
    QVERIFY(head.body.isEmpty());
    QCOMPARE(head.header("Content-Length").toLongLong(), full.body.size());
    QVERIFY(full.body.startsWith("[{\"address\":\"127.0.0.1\""));
}

void tst_WebServer::pageLanguage_data()
{
    QTest::addColumn<QByteArray>("acceptLanguage");
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QByteArray>("title");

    QTest::newRow("none") << QByteArray() << QByteArray("ru") << QByteArray("Состояние сети");
    QTest::newRow("English") << QByteArray("en-GB,en;q=0.9") << QByteArray("en") << QByteArray("Network status");
    QTest::newRow("Russian first") << QByteArray("ru-RU,en;q=0.5") << QByteArray("ru") << QByteArray("Состояние сети");
    QTest::newRow("by quality") << QByteArray("ru;q=0.3,de;q=0.9,en;q=0.8") << QByteArray("en")
                                << QByteArray("Network status");
    QTest::newRow("neither") << QByteArray("de-DE,fr") << QByteArray("ru") << QByteArray("Состояние сети");
    QTest::newRow("refused English") << QByteArray("en;q=0,ru;q=0.1") << QByteArray("ru") << QByteArray("Состояние сети");
}

void tst_WebServer::pageLanguage()
{
    QFETCH(QByteArray, acceptLanguage);
    QFETCH(QByteArray, lang);
    QFETCH(QByteArray, title);
    if (!m_texts->hasEnglish() && lang == "en")
        QSKIP("the English texts are not built (ORVANT_BIN_DIR/translations)");
    start();
    const Got got = get("/", acceptLanguage.isEmpty() ? QByteArray() : "Accept-Language: " + acceptLanguage + "\r\n");
    QCOMPARE(got.status, 200);
    QVERIFY2(got.body.contains("<html lang=\"" + lang + "\">"), got.body.left(200).constData());
    QVERIFY(got.body.contains("<title>" + title + "</title>"));
    QVERIFY(got.header("Content-Security-Policy").contains("default-src 'none'"));
}

void tst_WebServer::outageQueries_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("rows");
    const QDate today = QDate::currentDate();
    const QByteArray yesterday = today.addDays(-1).toString(Qt::ISODate).toLatin1();
    QTest::newRow("default: 30 days") << QByteArray() << 200 << 1;
    QTest::newRow("that day") << "?from=" + yesterday + "&to=" + yesterday << 200 << 1;
    QTest::newRow("today only") << "?from=" + today.toString(Qt::ISODate).toLatin1() << 200 << 0;
    QTest::newRow("not a date") << QByteArray("?from=yesterday") << 400 << -1;
    QTest::newRow("not ISO") << QByteArray("?to=1.2.2025") << 400 << -1;
    QTest::newRow("from after to") << "?from=" + today.toString(Qt::ISODate).toLatin1() + "&to=" + yesterday << 400 << -1;
    QTest::newRow("before the days kept") << "?from=" + today.addDays(-365).toString(Qt::ISODate).toLatin1() << 400 << -1;
    QTest::newRow("the first day kept") << "?from=" + today.addDays(-364).toString(Qt::ISODate).toLatin1() << 200 << 1;
}

void tst_WebServer::outageQueries()
{
    QFETCH(QByteArray, query);
    QFETCH(int, status);
    QFETCH(int, rows);
    start();
    const Got got = get("/api/v1/hosts/127.0.0.1/outages" + query);
    QCOMPARE(got.status, status);
    if (rows >= 0) {
        QCOMPARE(int(got.body.count("\"begin\"")), rows);
        if (rows)
            QVERIFY(got.body.contains("\"duration_s\":30"));
    } else {
        QVERIFY(got.body.startsWith("{\"error\":"));
    }
}

void tst_WebServer::credentials()
{
    char salt[CRYPT_GENSALT_OUTPUT_SIZE];
    QVERIFY(crypt_gensalt_rn("$6$", 0, nullptr, 0, salt, sizeof salt));
    crypt_data data{};
    AuthFile auth;
    QString error;
    QVERIFY(auth.parse("ops:" + QByteArray(crypt_r("s3cret", salt, &data)) + '\n', &error));
    start(&auth);
    const QByteArray right = "Authorization: Basic " + QByteArray("ops:s3cret").toBase64() + "\r\n";
    const QByteArray wrong = "Authorization: Basic " + QByteArray("ops:s3cre").toBase64() + "\r\n";
    for (const char *path : {"/", "/assets/app.js", "/metrics", "/api/v1/hosts", "/api/v1/board", "/nothing"}) {
        const Got none = get(path);
        QCOMPARE(none.status, 401);
        QCOMPARE(none.header("WWW-Authenticate"), QByteArray("Basic realm=\"Orvant\", charset=\"UTF-8\""));
        QVERIFY(!none.body.contains("127.0.0.1"));
        QCOMPARE(get(path, wrong).status, 401);
    }
    QCOMPARE(get("/metrics", right).status, 200);
    QCOMPARE(get("/nothing", right).status, 404);
    // The unauthenticated learn nothing more from a wrong method.
    QCOMPARE(exchange("POST /metrics HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n").status, 401);
    QCOMPARE(get("/healthz").status, 200);
}

void tst_WebServer::oversizedAndSlowRequestsAreRefusedAndServingGoesOn()
{
    ConnectionGuard::Limits limits;
    limits.requestTimeoutMs = 500;
    start(nullptr, limits);
    const Got header = exchange("GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + QByteArray(20000, 'a') + "\r\n\r\n");
    QCOMPARE(header.status, 413);
    QVERIFY(header.closed);
    const Got body = exchange("POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 1000000\r\n\r\n"
                              + QByteArray(100000, 'b'));
    QCOMPARE(body.status, 413);
    const Got url = get("/" + QByteArray(20000, 'c'));
    QCOMPARE(url.status, 413);
    // Half a request, and then nothing more.
    const Got slow = exchange("GET /metrics HTTP/1.1\r\nHost: x\r\n", 3000);
    QCOMPARE(slow.status, 408);
    QVERIFY(slow.closed);
    QCOMPARE(get("/healthz").status, 200);
    QCOMPARE(get("/api/v1/hosts").status, 200);
}

void tst_WebServer::connectionsPastTheLimitGet503()
{
    ConnectionGuard::Limits limits;
    limits.maxConnections = 2;
    start(nullptr, limits);
    QTcpSocket first, second;
    for (QTcpSocket *s : {&first, &second})
        s->connectToHost(QHostAddress::LocalHost, m_port);
    QTRY_COMPARE(first.state(), QAbstractSocket::ConnectedState);
    QTRY_COMPARE(second.state(), QAbstractSocket::ConnectedState);
    QTest::qWait(100);
    const Got third = get("/healthz");
    QCOMPARE(third.status, 503);
    QVERIFY(third.closed);
    first.abort();
    second.abort();
    // Their guards go with them; then there is room again.
    QTRY_COMPARE(get("/healthz").status, 200);
}

void tst_WebServer::gzipForClientsThatTakeIt()
{
    start();
    for (const QByteArray &path : {QByteArray("/metrics"), QByteArray("/api/v1/hosts"), QByteArray("/api/v1/board")}) {
        const Got plain = get(path);
        const Got packed = get(path, "Accept-Encoding: deflate, gzip;q=0.8\r\n");
        const Got refused = get(path, "Accept-Encoding: gzip;q=0\r\n");
        QCOMPARE(packed.header("Content-Encoding"), QByteArray("gzip"));
        QVERIFY(refused.header("Content-Encoding").isEmpty());
        QCOMPARE(refused.body, plain.body);
        QVERIFY(packed.body.size() < plain.body.size());
        // Read back with zlib, as a client would.
        z_stream z{};
        QCOMPARE(inflateInit2(&z, 15 + 16), Z_OK);
        QByteArray out(plain.body.size() * 2 + 64, Qt::Uninitialized);
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.body.constData()));
        z.avail_in = uInt(packed.body.size());
        z.next_out = reinterpret_cast<Bytef *>(out.data());
        z.avail_out = uInt(out.size());
        QCOMPARE(inflate(&z, Z_FINISH), Z_STREAM_END);
        out.truncate(qsizetype(z.total_out));
        inflateEnd(&z);
        // The same reading or a later one: the same text, its figures aside.
        if (path == "/metrics")
            QVERIFY(out.startsWith("# HELP orvant_host_up ") && out.endsWith("\norvant_web_database_up 1\n"));
        else
            QVERIFY(!QJsonDocument::fromJson(out).isNull());
    }
}

void tst_WebServer::databaseGoneHealthFailsDataStays()
{
    start();
    const Got before = get("/api/v1/hosts");
    QCOMPARE(before.status, 200);
    // The file taken away: every later reading fails.
    QVERIFY(QFile::rename(m_db->path(), m_db->path() + QStringLiteral(".away")));
    QTRY_VERIFY_WITH_TIMEOUT(!m_store->databaseAnswers(), 10000);
    const Got health = get("/healthz");
    QCOMPARE(health.status, 503);
    QVERIFY(health.body.startsWith("database: "));
    const Got after = get("/api/v1/hosts");
    QCOMPARE(after.status, 200);
    QCOMPARE(after.body, before.body);
    QVERIFY(get("/api/v1/board").body.contains("\"database\":false"));
    QVERIFY(get("/metrics").body.contains("\norvant_web_database_up 0\n"));
    // Back: answered again.
    QVERIFY(QFile::rename(m_db->path() + QStringLiteral(".away"), m_db->path()));
    QTRY_VERIFY_WITH_TIMEOUT(m_store->databaseAnswers(), 10000);
    QCOMPARE(get("/healthz").status, 200);
}

QTEST_GUILESS_MAIN(tst_WebServer)
#include "tst_webserver.moc"
