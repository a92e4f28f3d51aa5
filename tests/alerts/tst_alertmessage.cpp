// Messages of a pass, reminders, retry delays, the forms receivers get and
// what of a channel may be shown.
#include "AlertChannel.h"
#include "AlertMessage.h"
#include "AlertText.h"
#include "DeliveryQueue.h"
#include "Dispatcher.h"
#include "MailSender.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace alerts;

namespace {

const QDateTime T0(QDate(2026, 3, 1), QTime(10, 0, 0));
const QString Nasty = QStringLiteral("Шлюз \"A\" 'b' $(touch x) `id` \\n\nвторая строка");

HostChange change(Event e, const QString &ip, bool suppressed = false)
{
    HostChange c;
    c.event = e;
    c.address = ip;
    c.description = QStringLiteral("host ") + ip;
    c.begin = T0;
    if (e == Event::Up)
        c.end = T0.addSecs(125);
    c.suppressed = suppressed;
    return c;
}

} // namespace

class tst_AlertMessage : public QObject
{
    Q_OBJECT

private slots:
    void messagesOfPass_data();
    void messagesOfPass();
    void dueReminders_data();
    void dueReminders();
    void retryDelays_data();
    void retryDelays();
    void jsonKeepsEveryByte();
    void restorationCarriesDowntime();
    void downCarriesItsPath();
    void vantagesNamedOnlyWhenThereAreAny();
    void webhookForms_data();
    void webhookForms();
    void secretsNeverShown_data();
    void secretsNeverShown();
    void mailBodyAndSubjectDecodeExactly();
};

void tst_AlertMessage::messagesOfPass_data()
{
    QTest::addColumn<QList<HostChange>>("changes");
    QTest::addColumn<QStringList>("expected");  // "event:count" per message

    QList<HostChange> twenty;
    for (int i = 0; i < 20; ++i)
        twenty << change(Event::Down, QStringLiteral("127.0.0.%1").arg(10 + i));
    QTest::newRow("no change") << QList<HostChange>{} << QStringList{};
    QTest::newRow("twenty down: one message") << twenty << QStringList{QStringLiteral("down:20")};
    QTest::newRow("down and up: one each, down first")
        << QList<HostChange>{change(Event::Up, QStringLiteral("10.0.0.1")), change(Event::Down, QStringLiteral("10.0.0.2")),
                             change(Event::Up, QStringLiteral("10.0.0.3"))}
        << QStringList{QStringLiteral("down:1"), QStringLiteral("up:2")};
    QTest::newRow("suppressed left out")
        << QList<HostChange>{change(Event::Down, QStringLiteral("10.0.0.1")), change(Event::Down, QStringLiteral("10.0.0.2"), true)}
        << QStringList{QStringLiteral("down:1")};
    QTest::newRow("all suppressed: nothing") << QList<HostChange>{change(Event::Down, QStringLiteral("10.0.0.1"), true)}
                                             << QStringList{};
}

void tst_AlertMessage::messagesOfPass()
{
    QFETCH(QList<HostChange>, changes);
    QFETCH(QStringList, expected);
    QStringList got;
    for (const AlertMessage &m : alerts::messagesOfPass(changes, T0))
        got << QStringLiteral("%1:%2").arg(eventName(m.event)).arg(m.hosts.size());
    QCOMPARE(got, expected);
}

void tst_AlertMessage::dueReminders_data()
{
    QTest::addColumn<int>("previousS");  // seconds after the begin
    QTest::addColumn<int>("nowS");
    QTest::addColumn<bool>("suppressed");
    QTest::addColumn<bool>("due");

    QTest::newRow("first period crossed") << 599 << 601 << false << true;
    QTest::newRow("exactly at the period") << 599 << 600 << false << true;
    QTest::newRow("inside the second period") << 601 << 1190 << false << false;
    QTest::newRow("second period crossed") << 1199 << 1202 << false << true;
    QTest::newRow("before the first period") << 10 << 590 << false << false;
    QTest::newRow("suppressed host") << 599 << 601 << true << false;
    QTest::newRow("host went down after the previous pass") << -5 << 30 << false << false;
}

void tst_AlertMessage::dueReminders()
{
    QFETCH(int, previousS);
    QFETCH(int, nowS);
    QFETCH(bool, suppressed);
    QFETCH(bool, due);
    const QList<HostChange> down{change(Event::Down, QStringLiteral("10.0.0.1"), suppressed)};
    const QList<HostChange> got = alerts::dueReminders(down, 10, T0.addSecs(previousS), T0.addSecs(nowS));
    QCOMPARE(got.size(), due ? 1 : 0);
    if (due)
        QCOMPARE(got.first().event, Event::Reminder);
}

void tst_AlertMessage::retryDelays_data()
{
    QTest::addColumn<int>("attempts");
    QTest::addColumn<int>("delayMs");
    QTest::newRow("first retry within 30 s") << 1 << 10000;
    QTest::newRow("doubles") << 3 << 40000;
    QTest::newRow("capped at 10 min") << 7 << 600000;
    QTest::newRow("stays capped") << 200 << 600000;
}

void tst_AlertMessage::retryDelays()
{
    QFETCH(int, attempts);
    QFETCH(int, delayMs);
    QCOMPARE(RetrySchedule{}.delayAfter(attempts), delayMs);
}

void tst_AlertMessage::jsonKeepsEveryByte()
{
    AlertMessage m;
    m.event = Event::Down;
    m.at = T0;
    HostChange h = change(Event::Down, QStringLiteral("fd00::2"));
    h.description = Nasty;
    h.behind = 3;
    m.hosts << h;
    const QJsonObject o = QJsonDocument::fromJson(m.toJsonBytes()).object();
    const QJsonObject host = o.value(QLatin1String("hosts")).toArray().first().toObject();
    QCOMPARE(host.value(QLatin1String("description")).toString(), Nasty);
    QCOMPARE(host.value(QLatin1String("begin")).toString(), QStringLiteral("2026-03-01T10:00:00"));
    QVERIFY(host.value(QLatin1String("end")).isNull());
    QVERIFY(host.value(QLatin1String("downtime_s")).isNull());
    QCOMPARE(host.value(QLatin1String("behind")).toInt(), 3);

    const auto back = AlertMessage::fromJson(m.toJsonBytes());
    QVERIFY(back);
    QCOMPARE(back->hosts.first().description, Nasty);
    QCOMPARE(back->hosts.first().begin, T0);
}

// The route traced when the outage began: in the JSON (kept through the
// outbox's bytes) and as lines of the mail; no key at all without one.
void tst_AlertMessage::downCarriesItsPath()
{
    AlertMessage m;
    m.event = Event::Down;
    m.at = T0;
    HostChange h = change(Event::Down, QStringLiteral("198.51.100.2"));
    h.path = {{1, QStringLiteral("192.0.2.1"), 412}, {2, QString(), std::nullopt}};
    m.hosts << h << change(Event::Down, QStringLiteral("198.51.100.3"));
    const QJsonArray hosts = m.toJson().value(QLatin1String("hosts")).toArray();
    const QJsonArray path = hosts.at(0).toObject().value(QLatin1String("path")).toArray();
    QCOMPARE(path.size(), 2);
    QCOMPARE(path.at(0).toObject().value(QLatin1String("hop")).toInt(), 1);
    QCOMPARE(path.at(0).toObject().value(QLatin1String("address")).toString(), QStringLiteral("192.0.2.1"));
    QCOMPARE(path.at(0).toObject().value(QLatin1String("rtt_ms")).toDouble(), 0.412);
    QVERIFY(path.at(1).toObject().value(QLatin1String("address")).isNull());
    QVERIFY(path.at(1).toObject().value(QLatin1String("rtt_ms")).isNull());
    QVERIFY(!hosts.at(1).toObject().contains(QLatin1String("path")));

    const auto back = AlertMessage::fromJson(m.toJsonBytes());
    QVERIFY(back);
    QCOMPARE(back->hosts.first().path, h.path);
    QVERIFY(back->hosts.at(1).path.isEmpty());
    const QStringList lines = AlertText::body(*back).split(QLatin1Char('\n'));
    const int at = int(lines.indexOf(QStringLiteral("  Путь в начале отказа:")));
    QVERIFY2(at > 0 && lines.at(at - 1).contains(QStringLiteral("198.51.100.2")), qPrintable(lines.join(u'|')));
    QCOMPARE(lines.at(at + 1).trimmed(), QStringLiteral("1  192.0.2.1  0.4 мс"));
    QCOMPARE(lines.at(at + 2).trimmed(), QStringLiteral("2  *"));
    QVERIFY(lines.at(at + 3).contains(QStringLiteral("198.51.100.3")));
}

// A vantage point's message names the vantages that see the host down, in
// the JSON and in the text; a plain monitor's message is as it always was.
void tst_AlertMessage::vantagesNamedOnlyWhenThereAreAny()
{
    AlertMessage m;
    m.event = Event::Down;
    m.at = T0;
    m.hosts << change(Event::Down, QStringLiteral("192.0.2.1")) << change(Event::Down, QStringLiteral("192.0.2.2"));
    m.hosts[0].vantages = QStringList{QStringLiteral("north"), QStringLiteral("Центр")};
    const QJsonArray hosts = m.toJson().value(QLatin1String("hosts")).toArray();
    QCOMPARE(hosts[0].toObject().value(QLatin1String("vantages")).toArray(),
             QJsonArray({QStringLiteral("north"), QStringLiteral("Центр")}));
    QVERIFY(!hosts[1].toObject().contains(QLatin1String("vantages")));
    const auto back = AlertMessage::fromJson(m.toJsonBytes());
    QVERIFY(back);
    QCOMPARE(back->hosts[0].vantages, m.hosts[0].vantages);
    QVERIFY(back->hosts[1].vantages.isEmpty());

    const QStringList lines = AlertText::body(m).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);  // host, its vantages, host, the final newline
    QVERIFY2(lines[1].contains(QStringLiteral("north, Центр")), qPrintable(lines[1]));
    QVERIFY(lines[2].contains(QStringLiteral("192.0.2.2")));
}

void tst_AlertMessage::restorationCarriesDowntime()
{
    AlertMessage m;
    m.event = Event::Up;
    m.at = T0.addSecs(200);
    m.hosts << change(Event::Up, QStringLiteral("10.0.0.1"));
    const QJsonObject host = m.toJson().value(QLatin1String("hosts")).toArray().first().toObject();
    QCOMPARE(host.value(QLatin1String("downtime_s")).toInteger(), 125);
    QCOMPARE(host.value(QLatin1String("end")).toString(), QStringLiteral("2026-03-01T10:02:05"));
    QVERIFY(AlertText::body(m).contains(QStringLiteral("10.0.0.1")));
}

void tst_AlertMessage::webhookForms_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("postedTo");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("json") << QStringLiteral("json") << QStringLiteral("https://h/x") << QStringLiteral("https://h/x") << QStringList{QStringLiteral("at"), QStringLiteral("event"), QStringLiteral("hosts"), QStringLiteral("test")};
    QTest::newRow("slack") << QStringLiteral("slack") << QStringLiteral("https://h/services/T/B/C") << QStringLiteral("https://h/services/T/B/C")
                           << QStringList{QStringLiteral("text")};
    QTest::newRow("telegram") << QStringLiteral("telegram") << QStringLiteral("https://api.t/botTOKEN/sendMessage")
                              << QStringLiteral("https://api.t/botTOKEN/sendMessage") << QStringList{QStringLiteral("chat_id"), QStringLiteral("text")};
    QTest::newRow("ntfy: topic into the body") << QStringLiteral("ntfy") << QStringLiteral("https://ntfy.example/alerts-7")
                                               << QStringLiteral("https://ntfy.example/") << QStringList{QStringLiteral("message"), QStringLiteral("title"), QStringLiteral("topic")};
}

void tst_AlertMessage::webhookForms()
{
    QFETCH(QString, format);
    QFETCH(QString, url);
    QFETCH(QString, postedTo);
    QFETCH(QStringList, keys);
    AlertChannel c;
    c.kind = ChannelKind::Webhook;
    c.settings = {{QStringLiteral("url"), url}, {QStringLiteral("format"), format}, {QStringLiteral("chat_id"), QStringLiteral("-100")}};
    AlertMessage m;
    m.at = T0;
    HostChange h = change(Event::Down, QStringLiteral("10.0.0.1"));
    h.description = Nasty;
    m.hosts << h;
    QString to;
    const QJsonObject o = QJsonDocument::fromJson(Dispatcher::webhookBody(c, m, &to)).object();
    QCOMPARE(to, postedTo);
    QStringList got = o.keys();
    got.sort();
    QCOMPARE(got, keys);
    if (format == QLatin1String("ntfy"))
        QCOMPARE(o.value(QLatin1String("topic")).toString(), QStringLiteral("alerts-7"));
    if (format != QLatin1String("json"))
        QVERIFY(o.value(format == QLatin1String("ntfy") ? QLatin1String("message") : QLatin1String("text")).toString().contains(Nasty));
}

void tst_AlertMessage::secretsNeverShown_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("secret");
    QTest::addColumn<QString>("hidden");  // what neither summary nor scrubbed text may hold
    QTest::newRow("mail password") << QStringLiteral("email") << QStringLiteral("smtp://mail:587") << QStringLiteral("Pa55-w0rd") << QStringLiteral("Pa55-w0rd");
    QTest::newRow("token in a Slack URL") << QStringLiteral("webhook") << QStringLiteral("https://hooks.slack.test/services/T1/B2/SeCrEt") << QStringLiteral("")
                                          << QStringLiteral("SeCrEt");
    QTest::newRow("bearer token") << QStringLiteral("webhook") << QStringLiteral("https://ntfy.test/topic") << QStringLiteral("tk_abcdef") << QStringLiteral("tk_abcdef");
}

void tst_AlertMessage::secretsNeverShown()
{
    QFETCH(QString, kind);
    QFETCH(QString, url);
    QFETCH(QString, secret);
    QFETCH(QString, hidden);
    AlertChannel c;
    c.name = QStringLiteral("c");
    c.kind = *kindFromName(kind);
    c.settings = {{QStringLiteral("url"), url}, {QStringLiteral("smtp"), url}, {QStringLiteral("to"), QStringLiteral("ops@example.org")}, {QStringLiteral("user"), QStringLiteral("bob")}};
    c.secret = secret;
    QVERIFY(!c.summary().contains(hidden));
    const QString error = QStringLiteral("Error transferring %1 - 535 auth failed for %2").arg(url, secret);
    QVERIFY(!scrubbed(error, c.secrets()).contains(hidden));
}

void tst_AlertMessage::mailBodyAndSubjectDecodeExactly()
{
    const QString subject = QStringLiteral("Orvant: нет связи: ") + QString(Nasty).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString body = Nasty + QStringLiteral("\nконец\n");
    const QByteArray mail = MailSender::compose(QStringLiteral("orvant@h"), {QStringLiteral("ops@example.org")},
                                                subject, body);
    const qsizetype split = mail.indexOf("\r\n\r\n");
    QVERIFY(split > 0);
    const QByteArray headers = mail.left(split);
    // Every header line is plain ASCII and short enough for any server.
    for (const QByteArray &line : headers.split('\n')) {
        QVERIFY2(line.size() <= 78, line.constData());
        for (char ch : line)
            QVERIFY(uchar(ch) < 0x80);
    }
    QString decodedSubject;
    const qsizetype s = headers.indexOf("Subject: ");
    const QByteArray subjectField = headers.mid(s + 9, headers.indexOf("\r\nDate:") - s - 9);
    for (QByteArray word : subjectField.split(' ')) {
        word = word.trimmed();
        QVERIFY(word.startsWith("=?UTF-8?B?") && word.endsWith("?="));
        decodedSubject += QString::fromUtf8(QByteArray::fromBase64(word.mid(10, word.size() - 12)));
    }
    QCOMPARE(decodedSubject, subject);
    const QString decodedBody = QString::fromUtf8(QByteArray::fromBase64(mail.mid(split + 4).replace("\r\n", "")));
    QCOMPARE(decodedBody, QString(body).replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
}

QTEST_GUILESS_MAIN(tst_AlertMessage)
#include "tst_alertmessage.moc"
