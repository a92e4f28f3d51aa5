// orvant-web: the network's state for a browser and for Prometheus.
//
//   orvant-web [--db FILE | --config orvant.conf] [--listen HOST:PORT] [--auth-file FILE]
//              [--tls-cert FILE --tls-key FILE]
//
// Serves the status page (/), its JSON (/api/v1/hosts, /api/v1/board,
// /api/v1/hosts/ADDRESS/outages), /metrics and /healthz from the suite's
// database, which it only reads. Loop-back only unless --listen says
// otherwise.
#include "AuthFile.h"
#include "Database.h"
#include "DatabaseConfig.h"
#include "GuardedSslServer.h"
#include "GuardedTcpServer.h"
#include "Language.h"
#include "ListenAddress.h"
#include "PageAssets.h"
#include "PageTexts.h"
#include "StatusStore.h"
#include "WebServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTextStream>

#include <memory>

namespace {

int fail(int status, const QString &message)
{
    QTextStream(stderr) << "orvant-web: " << message << '\n';
    return status;
}

bool readKey(const QString &path, QSslKey *key, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("--tls-key %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray pem = file.readAll();
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        *key = QSslKey(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key->isNull())
            return true;
    }
    *error = QStringLiteral("--tls-key %1: no private key in PEM form (RSA or EC, not encrypted)").arg(path);
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvant-web"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0.1"));
    // The database's messages in the log follow this machine's language.
    Language::installOwnTextsForSystem(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves the network's state from the Orvant database, which it only reads: the status page (/), "
        "its JSON (/api/v1/hosts, /api/v1/hosts/ADDRESS/outages), Prometheus metrics (/metrics) and /healthz."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("db"), QStringLiteral("The database file (default: the database orvant.conf "
                                                           "beside the program names, else ping_addr.mdb beside it)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("config"),
                      QStringLiteral("The orvant.conf naming the database (a file or a PostgreSQL server)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("listen"),
                      QStringLiteral("Where to listen, HOST:PORT ([::1]:PORT for IPv6, :PORT for every address); "
                                     "default %1.")
                          .arg(QLatin1String(web::ListenAddress::Default)),
                      QStringLiteral("HOST:PORT"), QLatin1String(web::ListenAddress::Default)});
    parser.addOption({QStringLiteral("auth-file"),
                      QStringLiteral("Lines user:HASH with crypt(3) hashes (openssl passwd -6, mkpasswd): every path "
                                     "but /healthz then needs one of these users (HTTP Basic)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("tls-cert"), QStringLiteral("Serve HTTPS with this certificate (PEM, the chain "
                                                                 "after it)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("tls-key"), QStringLiteral("The certificate's private key (PEM)."),
                      QStringLiteral("FILE")});
    if (!parser.parse(app.arguments()))
        return fail(2, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return fail(2, QStringLiteral("unexpected argument %1; see --help").arg(parser.positionalArguments().first()));
    if (parser.isSet(QStringLiteral("db")) && parser.isSet(QStringLiteral("config")))
        return fail(2, QStringLiteral("--db and --config both name the database; give one of them"));
    if (parser.isSet(QStringLiteral("tls-cert")) != parser.isSet(QStringLiteral("tls-key")))
        return fail(2, QStringLiteral("--tls-cert and --tls-key go together"));

    QString error;
    web::ListenAddress listen;
    if (!web::ListenAddress::parse(parser.value(QStringLiteral("listen")), &listen, &error))
        return fail(2, error);

    DatabaseConfig database;
    if (parser.isSet(QStringLiteral("db")))
        database = DatabaseConfig::sqliteFile(parser.value(QStringLiteral("db")));
    else if (parser.isSet(QStringLiteral("config"))) {
        if (!DatabaseConfig::loadFile(parser.value(QStringLiteral("config")), &database, &error))
            return fail(1, error);
    } else if (!DatabaseConfig::load(Database::programDirectory(), &database, &error))
        return fail(1, error);

    std::unique_ptr<web::AuthFile> auth;
    if (parser.isSet(QStringLiteral("auth-file"))) {
        auth = std::make_unique<web::AuthFile>();
        if (!auth->load(parser.value(QStringLiteral("auth-file")), &error))
            return fail(1, QStringLiteral("--auth-file: %1").arg(error));
    }

    QSslConfiguration tls;
    const bool https = parser.isSet(QStringLiteral("tls-cert"));
    if (https) {
        const QString certPath = parser.value(QStringLiteral("tls-cert"));
        const QList<QSslCertificate> chain = QSslCertificate::fromPath(certPath, QSsl::Pem);
        if (chain.isEmpty())
            return fail(1, QStringLiteral("--tls-cert %1: no certificate in PEM form").arg(certPath));
        QSslKey key;
        if (!readKey(parser.value(QStringLiteral("tls-key")), &key, &error))
            return fail(1, error);
        tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificateChain(chain);
        tls.setPrivateKey(key);
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    }

    web::PageTexts texts;
    texts.loadEnglish(Language::translationDirectories());
    const web::PageAssets assets(texts);
    web::StatusStore store(database);
    web::WebServer server(&store, &assets, auth.get());

    const web::ConnectionGuard::Limits limits;
    QTcpServer *tcp = nullptr;
    if (https) {
        auto *ssl = new web::GuardedSslServer(limits, &server);
        ssl->setSslConfiguration(tls);
        ssl->setHandshakeTimeout(limits.requestTimeoutMs);
        tcp = ssl;
    } else {
        tcp = new web::GuardedTcpServer(limits, &server);
    }
    if (!tcp->listen(listen.host, listen.port))
        return fail(1, QStringLiteral("cannot listen on %1: %2").arg(listen.url(https ? QStringLiteral("https")
                                                                                       : QStringLiteral("http")),
                                                                   tcp->errorString()));
    server.bind(tcp);
    store.start();
    QTextStream(stderr) << "orvant-web: serving " << listen.url(https ? QStringLiteral("https") : QStringLiteral("http"))
                        << " from " << database.describe() << (auth ? " (users of the auth file only)" : "") << '\n';
    return app.exec();
}
