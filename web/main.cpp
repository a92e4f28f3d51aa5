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
        *error = QCoreApplication::translate("orvant-web", "--tls-key %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray pem = file.readAll();
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        *key = QSslKey(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key->isNull())
            return true;
    }
    *error = QCoreApplication::translate("orvant-web", "--tls-key %1: в файле нет закрытого ключа в виде PEM (RSA или EC, без шифрования)").arg(path);
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvant-web"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0.1"));
    // Every message in the desktop's language, the command-line parser's own included.
    Language::installOwnTextsForSystem(app);
    Language::installQtTextsForSystem(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("orvant-web", 
        "Показывает состояние сети из базы Orvant, которую только читает: страницу состояния (/), "
        "её JSON (/api/v1/hosts, /api/v1/hosts/АДРЕС/outages), метрики Prometheus (/metrics) и /healthz."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("db"), QCoreApplication::translate("orvant-web", "Файл базы данных (по умолчанию база, названная в orvant.conf "
                                                           "рядом с программой, иначе ping_addr.mdb рядом с программой)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("config"),
                      QCoreApplication::translate("orvant-web", "Файл orvant.conf, называющий базу данных (файл или сервер PostgreSQL)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("listen"),
                      QCoreApplication::translate("orvant-web", "Где ждать запросов: АДРЕС:ПОРТ ([::1]:ПОРТ для IPv6, :ПОРТ для всех адресов); "
                                     "по умолчанию %1.")
                          .arg(QLatin1String(web::ListenAddress::Default)),
                      QStringLiteral("HOST:PORT"), QLatin1String(web::ListenAddress::Default)});
    parser.addOption({QStringLiteral("auth-file"),
                      QCoreApplication::translate("orvant-web", "Строки пользователь:ХЕШ с хешами crypt(3) (openssl passwd -6, mkpasswd): тогда всё, "
                                     "кроме /healthz, доступно только этим пользователям (HTTP Basic)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("tls-cert"), QCoreApplication::translate("orvant-web", "Работать по HTTPS с этим сертификатом (PEM, за ним "
                                                                 "цепочка)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("tls-key"), QCoreApplication::translate("orvant-web", "Закрытый ключ сертификата (PEM)."),
                      QStringLiteral("FILE")});
    if (!parser.parse(app.arguments()))
        return fail(2, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return fail(2, QCoreApplication::translate("orvant-web", "непонятный аргумент %1; см. --help").arg(parser.positionalArguments().first()));
    if (parser.isSet(QStringLiteral("db")) && parser.isSet(QStringLiteral("config")))
        return fail(2, QCoreApplication::translate("orvant-web", "--db и --config оба называют базу данных; укажите что-то одно"));
    if (parser.isSet(QStringLiteral("tls-cert")) != parser.isSet(QStringLiteral("tls-key")))
        return fail(2, QCoreApplication::translate("orvant-web", "--tls-cert и --tls-key указываются вместе"));

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
            return fail(1, QCoreApplication::translate("orvant-web", "--auth-file: %1").arg(error));
    }

    QSslConfiguration tls;
    const bool https = parser.isSet(QStringLiteral("tls-cert"));
    if (https) {
        const QString certPath = parser.value(QStringLiteral("tls-cert"));
        const QList<QSslCertificate> chain = QSslCertificate::fromPath(certPath, QSsl::Pem);
        if (chain.isEmpty())
            return fail(1, QCoreApplication::translate("orvant-web", "--tls-cert %1: в файле нет сертификата в виде PEM").arg(certPath));
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
        return fail(1, QCoreApplication::translate("orvant-web", "не удалось начать приём на %1: %2").arg(listen.url(https ? QStringLiteral("https")
                                                                                       : QStringLiteral("http")),
                                                                   tcp->errorString()));
    server.bind(tcp);
    store.start();
    const QString url = listen.url(https ? QStringLiteral("https") : QStringLiteral("http"));
    QTextStream(stderr) << "orvant-web: "
                        << (auth ? QCoreApplication::translate("orvant-web",
                                                               "принимает запросы на %1, база данных %2 (только для пользователей файла "
                                                               "--auth-file)")
                                 : QCoreApplication::translate("orvant-web", "принимает запросы на %1, база данных %2"))
                               .arg(url, database.describe())
                        << '\n';
    return app.exec();
}
