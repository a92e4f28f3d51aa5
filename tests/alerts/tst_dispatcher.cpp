// Deliveries to real receivers (tests/support/alert_receivers.py, started by
// each case) inside the network namespace tst_dispatcher.sh makes: secrets
// read from their files only when no one else may read them, a token never
// sent over plain http, a delivery id that stays the same at every try, a
// cut-off 200 counted as delivered, mail through a plain relay and with a
// login only over TLS, and an SMTP server that never answers the end of a
// body bounded, also when the program ends.
#include "AlertText.h"
#include "Dispatcher.h"
#include "MailSender.h"
#include "SecretFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <sys/types.h>

using namespace alerts;

namespace {

struct Delivered
{
    bool arrived = false;
    DeliveryOutcome outcome;
    qint64 ms = 0;
};

Delivered deliverNow(Dispatcher &dispatcher, const AlertChannel &channel, const AlertMessage &message, int waitMs)
{
    Delivered d;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    dispatcher.deliver(channel, message, [&](DeliveryOutcome outcome) {
        d.arrived = true;
        d.outcome = outcome;
        d.ms = clock.elapsed();
        loop.quit();
    });
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    if (!d.arrived)
        loop.exec();
    return d;
}

AlertMessage downMessage()
{
    AlertMessage m;
    m.event = Event::Down;
    m.at = QDateTime(QDate(2026, 12, 10), QTime(9, 30, 0));
    m.deliveryId = AlertMessage::newDeliveryId();
    HostChange h;
    h.address = QStringLiteral("192.0.2.7");
    h.description = QStringLiteral("Шлюз");
    h.begin = m.at;
    m.hosts << h;
    return m;
}

QStringList filesOf(const QString &dir, const QString &suffix)
{
    QStringList names = QDir(dir).entryList({QStringLiteral("*") + suffix}, QDir::Files, QDir::Name);
    for (QString &n : names)
        n = QDir(dir).filePath(n);
    return names;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes, mode_t mode)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        return false;
    f.close();
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace

class tst_Dispatcher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void secretFiles_data();
    void secretFiles();
    void tokenOnlyOverHttps();
    void deliveryIdTheSameAtEveryTry();
    void cutOffSuccessIsDelivered();
    void mailRelays_data();
    void mailRelays();
    void mailStalledAtTheEndOfTheBody();
    void endingCutsAStalledMail();

private:
    // Starts a receiver and waits until it listens; stopped by cleanup().
    QString startReceiver(const QStringList &args);
    QString certificate(const char *name) const { return QDir(m_certs).filePath(QLatin1String(name)); }

    QString m_certs;
    QString m_receivers;
    QTemporaryDir m_work;
    QList<QProcess *> m_processes;
    int m_nextPort = 18000;
};

void tst_Dispatcher::initTestCase()
{
    m_certs = qEnvironmentVariable("ORVANT_TEST_CERTS");
    if (m_certs.isEmpty())
        QSKIP("run by tst_dispatcher.sh, inside a network namespace of its own");
    m_receivers = qEnvironmentVariable("ORVANT_SOURCE_DIR") + QStringLiteral("/tests/support/alert_receivers.py");
    QVERIFY(QFile::exists(m_receivers));
    QVERIFY(m_work.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_work.filePath(QStringLiteral("config"))));
}

void tst_Dispatcher::cleanup()
{
    for (QProcess *p : std::as_const(m_processes)) {
        p->kill();
        p->waitForFinished(5000);
        delete p;
    }
    m_processes.clear();
}

QString tst_Dispatcher::startReceiver(const QStringList &args)
{
    auto *p = new QProcess;
    m_processes << p;
    const QString dir = m_work.filePath(QStringLiteral("r%1").arg(m_nextPort));
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->start(QStringLiteral("/usr/bin/python3"),
             QStringList{m_receivers, args.first(), QString::number(m_nextPort++), dir} + args.mid(1));
    QByteArray said;
    QElapsedTimer clock;
    clock.start();
    while (!said.contains("ready") && clock.elapsed() < 15000 && p->state() != QProcess::NotRunning) {
        p->waitForReadyRead(200);
        said += p->readAll();
    }
    if (!said.contains("ready"))
        qWarning("receiver did not start: %s", said.constData());
    return dir;
}

void tst_Dispatcher::secretFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("secret");    // empty: refused
    QTest::addColumn<QString>("reasonHas"); // a word of the refusal

    QTest::newRow("owner only, first line kept") << QByteArray("s3cret\r\nsecond line\n") << 0600
                                                 << QStringLiteral("s3cret") << QString();
    QTest::newRow("read-only for the owner") << QByteArray("s3cret") << 0400 << QStringLiteral("s3cret") << QString();
    QTest::newRow("group may read") << QByteArray("s3cret\n") << 0640 << QString() << QStringLiteral("0640");
    QTest::newRow("others may read") << QByteArray("s3cret\n") << 0604 << QString() << QStringLiteral("chmod 600");
    QTest::newRow("group may write") << QByteArray("s3cret\n") << 0620 << QString() << QStringLiteral("0620");
    QTest::newRow("empty first line") << QByteArray("\nsecond\n") << 0600 << QString() << QString();
}

void tst_Dispatcher::secretFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(int, mode);
    QFETCH(QString, secret);
    QFETCH(QString, reasonHas);
    const QString path = m_work.filePath(QStringLiteral("secret-%1").arg(QString::fromUtf8(QTest::currentDataTag())));
    QVERIFY(writeFile(path, content, mode_t(mode)));
    QString read;
    QString why;
    const bool ok = SecretFile::read(path, &read, &why);
    QCOMPARE(ok, !secret.isEmpty());
    if (ok) {
        QCOMPARE(read, secret);
    } else {
        QVERIFY2(why.contains(path), qPrintable(why));
        QVERIFY2(reasonHas.isEmpty() || why.contains(reasonHas), qPrintable(why));
        QVERIFY2(!why.contains(QStringLiteral("s3cret")), qPrintable(why));
    }
}

void tst_Dispatcher::tokenOnlyOverHttps()
{
    const QString dir = startReceiver({QStringLiteral("http")});
    const QString tokenFile = m_work.filePath(QStringLiteral("token"));
    QVERIFY(writeFile(tokenFile, "Bearer-T0ken-xyz\n", 0600));
    // A channel stored before https was required for a token: refused at
    // delivery, the token never leaves.
    AlertChannel c;
    c.id = 3;
    c.name = QStringLiteral("hook");
    c.kind = ChannelKind::Webhook;
    c.settings = {{QStringLiteral("url"), QStringLiteral("http://127.0.0.1:%1/hook").arg(m_nextPort - 1)},
                  {QLatin1String(SecretFile::SettingKey), tokenFile}};
    QString why;
    QVERIFY(!c.isComplete(&why));
    QVERIFY2(why.contains(QStringLiteral("https")), qPrintable(why));
    Dispatcher dispatcher;
    const Delivered d = deliverNow(dispatcher, c, downMessage(), 5000);
    QVERIFY(d.arrived);
    QVERIFY(!d.outcome.delivered);
    QVERIFY2(d.outcome.detail.contains(QStringLiteral("https")), qPrintable(d.outcome.detail));
    QTest::qWait(300);
    QCOMPARE(filesOf(dir, QStringLiteral(".body")).size(), 0);

    // Without a token the same URL is fine.
    c.settings.remove(QLatin1String(SecretFile::SettingKey));
    QVERIFY(deliverNow(dispatcher, c, downMessage(), 10000).outcome.delivered);
    QCOMPARE(filesOf(dir, QStringLiteral(".body")).size(), 1);
}

void tst_Dispatcher::deliveryIdTheSameAtEveryTry()
{
    const QString dir = startReceiver({QStringLiteral("http"), QStringLiteral("--cert"), certificate("srv.pem"),
                                       QStringLiteral("--key"), certificate("srv.key")});
    const QString tokenFile = m_work.filePath(QStringLiteral("token2"));
    QVERIFY(writeFile(tokenFile, "Bearer-T0ken-xyz\n", 0600));
    AlertChannel a;
    a.id = 7;
    a.name = QStringLiteral("a");
    a.kind = ChannelKind::Webhook;
    a.settings = {{QStringLiteral("url"), QStringLiteral("https://127.0.0.1:%1/a").arg(m_nextPort - 1)},
                  {QStringLiteral("ca_file"), certificate("ca.pem")},
                  {QLatin1String(SecretFile::SettingKey), tokenFile}};
    AlertChannel b = a;
    b.id = 8;
    b.settings.remove(QLatin1String(SecretFile::SettingKey));

    // One stored message, tried twice (as after a lost answer), and a
    // second channel's copy; then the message as an earlier version stored
    // it, without an id, read back from its bytes at each try.
    const AlertMessage message = downMessage();
    AlertMessage legacy = message;
    legacy.deliveryId.clear();
    const QByteArray stored = legacy.toJsonBytes();
    Dispatcher dispatcher;
    for (const auto &[channel, m] : {std::pair{a, message}, std::pair{a, message}, std::pair{b, message},
                                     std::pair{a, *AlertMessage::fromJson(stored)},
                                     std::pair{a, *AlertMessage::fromJson(stored)}})
        QVERIFY(deliverNow(dispatcher, channel, m, 10000).outcome.delivered);

    const QStringList bodies = filesOf(dir, QStringLiteral(".body"));
    QCOMPARE(bodies.size(), 5);
    QStringList headerIds;
    QStringList jsonIds;
    for (const QString &body : bodies) {
        QString meta = QString::fromUtf8(readAll(body.chopped(5) + QStringLiteral(".meta")));
        const qsizetype at = meta.indexOf(QStringLiteral("X-Orvant-Delivery: "));
        QVERIFY2(at >= 0, qPrintable(meta));
        headerIds << meta.mid(at + 19).section(QLatin1Char('\n'), 0, 0).trimmed();
        jsonIds << QJsonDocument::fromJson(readAll(body)).object().value(QStringLiteral("delivery_id")).toString();
    }
    QCOMPARE(jsonIds, headerIds);
    QCOMPARE(headerIds.at(0), headerIds.at(1));
    QVERIFY(headerIds.at(0).startsWith(message.deliveryId));
    QVERIFY(headerIds.at(2) != headerIds.at(0));
    QCOMPARE(headerIds.at(3), headerIds.at(4));
    QVERIFY(!headerIds.at(3).isEmpty() && headerIds.at(3) != headerIds.at(0));
    // The token went over TLS only to the channel that has one.
    QVERIFY(readAll(bodies.at(0).chopped(5) + QStringLiteral(".meta")).contains("Bearer Bearer-T0ken-xyz"));
    QVERIFY(!readAll(bodies.at(2).chopped(5) + QStringLiteral(".meta")).contains("Authorization"));
}

void tst_Dispatcher::cutOffSuccessIsDelivered()
{
    const QString dir = startReceiver({QStringLiteral("http"), QStringLiteral("--cut")});
    AlertChannel c;
    c.id = 1;
    c.name = QStringLiteral("cut");
    c.kind = ChannelKind::Webhook;
    c.settings = {{QStringLiteral("url"), QStringLiteral("http://127.0.0.1:%1/x").arg(m_nextPort - 1)}};
    Dispatcher dispatcher;
    const Delivered d = deliverNow(dispatcher, c, downMessage(), 10000);
    QVERIFY(d.arrived);
    QVERIFY2(d.outcome.delivered, qPrintable(d.outcome.detail));
    QVERIFY2(d.outcome.detail.startsWith(QStringLiteral("HTTP 200")), qPrintable(d.outcome.detail));
    QCOMPARE(filesOf(dir, QStringLiteral(".body")).size(), 1);
}

void tst_Dispatcher::mailRelays_data()
{
    QTest::addColumn<QStringList>("server");  // the receiver's options
    QTest::addColumn<bool>("login");          // the channel logs in
    QTest::addColumn<bool>("delivered");
    QTest::addColumn<bool>("overTls");        // (when delivered)
    QTest::addColumn<QString>("reasonHas");   // (when refused)

    const QStringList tls{QStringLiteral("--cert"), QStringLiteral("srv.pem"), QStringLiteral("--key"),
                          QStringLiteral("srv.key")};
    const QStringList user{QStringLiteral("--user"), QStringLiteral("alice"), QStringLiteral("--password-file"),
                           QStringLiteral("pw")};
    QTest::newRow("plain relay, no login: sent in the clear") << QStringList() << false << true << false << QString();
    QTest::newRow("STARTTLS offered, no login: used") << tls << false << true << true << QString();
    QTest::newRow("STARTTLS and a login: logged in over TLS") << tls + user << true << true << true << QString();
    QTest::newRow("login asked without STARTTLS: refused, no AUTH sent")
        << user + QStringList{QStringLiteral("--auth-in-clear")} << true << false << false
        << QStringLiteral("STARTTLS");
    QTest::newRow("login configured, relay offers neither: refused")
        << QStringList() << true << false << false << QStringLiteral("STARTTLS");
}

void tst_Dispatcher::mailRelays()
{
    QFETCH(QStringList, server);
    QFETCH(bool, login);
    QFETCH(bool, delivered);
    QFETCH(bool, overTls);
    QFETCH(QString, reasonHas);
    const QByteArray password = "Pa55-w0rd-never-in-clear";
    const QString pw = m_work.filePath(QStringLiteral("pw"));
    QVERIFY(writeFile(pw, password + '\n', 0600));
    for (QString &arg : server) {
        if (arg == QLatin1String("pw"))
            arg = pw;
        else if (arg.endsWith(QLatin1String(".pem")) || arg.endsWith(QLatin1String(".key")))
            arg = certificate(arg.toLatin1().constData());
    }
    const QString wire = m_work.filePath(QStringLiteral("wire-%1").arg(m_nextPort));
    const QString dir = startReceiver(QStringList{QStringLiteral("smtp")} + server
                                      + QStringList{QStringLiteral("--wire"), wire});

    AlertChannel c;
    c.id = 2;
    c.name = QStringLiteral("mail");
    c.kind = ChannelKind::Email;
    c.settings = {{QStringLiteral("to"), QStringLiteral("ops@example.org")},
                  {QStringLiteral("smtp"), QStringLiteral("smtp://127.0.0.1:%1").arg(m_nextPort - 1)},
                  {QStringLiteral("ca_file"), certificate("ca.pem")}};
    if (login) {
        c.settings.insert(QStringLiteral("user"), QStringLiteral("alice"));
        c.settings.insert(QLatin1String(SecretFile::SettingKey), pw);
    }
    const AlertMessage message = downMessage();
    Dispatcher dispatcher;
    const Delivered d = deliverNow(dispatcher, c, message, 20000);
    QVERIFY(d.arrived);
    QVERIFY2(d.outcome.delivered == delivered, qPrintable(d.outcome.detail));
    const QStringList mails = filesOf(dir, QStringLiteral(".eml"));
    QCOMPARE(mails.size(), delivered ? 1 : 0);
    if (delivered) {
        const QByteArray meta = readAll(mails.first().chopped(4) + QStringLiteral(".meta"));
        QVERIFY2(meta.contains(overTls ? "tls: True" : "tls: False"), meta.constData());
        // The Message-ID is the delivery id: a mail tried again is known again.
        QVERIFY(readAll(mails.first()).contains("Message-ID: <" + message.deliveryId.toLatin1() + "-2@orvant>"));
    } else {
        QVERIFY2(d.outcome.detail.contains(reasonHas), qPrintable(d.outcome.detail));
    }
    // Whatever happened, no password crossed the wire in the clear.
    const QByteArray sent = readAll(wire);
    QVERIFY(!sent.isEmpty());
    if (!overTls) {
        QVERIFY2(!sent.contains("AUTH"), sent.constData());
        QVERIFY(!sent.contains(password));
        const QByteArray plain = QByteArray(1, '\0') + "alice" + QByteArray(1, '\0') + password;
        QVERIFY(!sent.contains(plain.toBase64()));
    }
    QVERIFY(!d.outcome.detail.contains(QString::fromLatin1(password)));
}

void tst_Dispatcher::mailStalledAtTheEndOfTheBody()
{
    const QString wire = m_work.filePath(QStringLiteral("wire-stall"));
    startReceiver({QStringLiteral("smtp"), QStringLiteral("--stall-data"), QStringLiteral("--wire"), wire});
    AlertChannel c;
    c.id = 4;
    c.name = QStringLiteral("stall");
    c.kind = ChannelKind::Email;
    c.settings = {{QStringLiteral("to"), QStringLiteral("ops@example.org")},
                  {QStringLiteral("smtp"), QStringLiteral("smtp://127.0.0.1:%1").arg(m_nextPort - 1)}};
    Dispatcher dispatcher;
    DeliveryLimits limits;
    limits.mailMs = 60000;
    limits.mailStepMs = 3000;
    dispatcher.setLimits(limits);
    const Delivered d = deliverNow(dispatcher, c, downMessage(), 20000);
    QVERIFY2(d.arrived, "no outcome for a mail whose body is never answered");
    QVERIFY(!d.outcome.delivered);
    // The step bound, give or take the watchdog's second.
    QVERIFY2(d.ms >= 2500 && d.ms < 7000, qPrintable(QString::number(d.ms)));
    QVERIFY2(d.outcome.detail.contains(QStringLiteral("DATA")), qPrintable(d.outcome.detail));
    QVERIFY(readAll(wire).contains("\r\n.\r\n"));
}

void tst_Dispatcher::endingCutsAStalledMail()
{
    const QString wire = m_work.filePath(QStringLiteral("wire-end"));
    startReceiver({QStringLiteral("smtp"), QStringLiteral("--stall-data"), QStringLiteral("--wire"), wire});
    AlertChannel c;
    c.id = 5;
    c.name = QStringLiteral("stall");
    c.kind = ChannelKind::Email;
    c.settings = {{QStringLiteral("to"), QStringLiteral("ops@example.org")},
                  {QStringLiteral("smtp"), QStringLiteral("smtp://127.0.0.1:%1").arg(m_nextPort - 1)}};
    auto dispatcher = std::make_unique<Dispatcher>();
    bool told = false;
    dispatcher->deliver(c, downMessage(), [&](DeliveryOutcome) { told = true; });
    QTRY_VERIFY_WITH_TIMEOUT(readAll(wire).contains("\r\n.\r\n"), 10000);
    QElapsedTimer clock;
    clock.start();
    dispatcher.reset();
    QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    QTest::qWait(200);
    QVERIFY(!told);
}

QTEST_GUILESS_MAIN(tst_Dispatcher)
#include "tst_dispatcher.moc"
