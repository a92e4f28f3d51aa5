#include "Dispatcher.h"

#include "AlertText.h"
#include "MailSender.h"
#include "SecretFile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>

namespace alerts {

namespace {

// The first lines of a program's output kept in the delivery log.
constexpr int OutputLines = 5;
constexpr int OutputChars = 800;

QString firstLines(const QByteArray &output)
{
    QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    QString text = lines.mid(0, OutputLines).join(QLatin1Char('\n'));
    if (text.size() > OutputChars)
        text = text.left(OutputChars) + QStringLiteral("…");
    else if (lines.size() > OutputLines)
        text += QStringLiteral("\n…");
    return text;
}

// The outcome reaches the caller on the next turn of the event loop, never
// from inside deliver(), and at most once.
auto once(std::function<void(DeliveryOutcome)> done)
{
    auto shared = std::make_shared<std::function<void(DeliveryOutcome)>>(std::move(done));
    return [shared](DeliveryOutcome outcome) {
        if (*shared) {
            auto f = std::move(*shared);
            *shared = nullptr;
            f(std::move(outcome));
        }
    };
}

} // namespace

Dispatcher::Dispatcher(QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_abort(std::make_shared<std::atomic<bool>>(false))
{
    // A redirected POST would be sent again elsewhere (or turned into a GET):
    // a webhook that moved is an error the operator should see.
    m_network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

Dispatcher::~Dispatcher()
{
    // Deliveries still under way end without telling their outcome: whoever
    // asked for them is going away too (their messages stay in the outbox).
    for (QProcess *process : findChildren<QProcess *>(Qt::FindDirectChildrenOnly)) {
        process->disconnect();
        process->kill();
        process->waitForFinished(2000);
        delete process;
    }
    for (QNetworkReply *reply : m_network->findChildren<QNetworkReply *>()) {
        reply->disconnect();
        reply->abort();
    }
    m_abort->store(true);
    for (const QPointer<QThread> &t : m_mailThreads) {
        if (t) {
            t->wait();
            delete t.data();
        }
    }
}

void Dispatcher::deliver(const AlertChannel &stored, const AlertMessage &stamped,
                         std::function<void(DeliveryOutcome)> done)
{
    AlertChannel channel = stored;
    QString why;
    // isComplete() first: a token for a plain-http URL is refused before its
    // file is even read.
    if (!channel.isComplete(&why) || !SecretFile::resolve(&channel, &why)) {
        auto finish = once(std::move(done));
        QTimer::singleShot(0, this, [finish, why] { finish({false, why}); });
        return;
    }
    // One message goes to several channels, maybe to one receiver by two
    // ways: each channel's copy has an id of its own, stable as both parts are.
    AlertMessage message = stamped;
    if (channel.id > 0 && !message.deliveryId.isEmpty())
        message.deliveryId += QStringLiteral("-%1").arg(channel.id);
    switch (channel.kind) {
    case ChannelKind::Command:
        runCommand(channel, message, std::move(done));
        break;
    case ChannelKind::Webhook:
        postWebhook(channel, message, std::move(done));
        break;
    case ChannelKind::Email:
        sendMail(channel, message, std::move(done));
        break;
    }
}

void Dispatcher::runCommand(const AlertChannel &channel, const AlertMessage &message,
                            std::function<void(DeliveryOutcome)> done)
{
    auto finish = once(std::move(done));
    auto *process = new QProcess(this);
    process->setProgram(channel.setting("program"));
    process->setArguments(channel.arguments());
    process->setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORVANT_EVENT"), eventName(message.event));
    env.insert(QStringLiteral("ORVANT_COUNT"), QString::number(message.hosts.size()));
    env.insert(QStringLiteral("ORVANT_DELIVERY_ID"), message.deliveryId);
    if (message.hosts.size() == 1) {
        const HostChange &h = message.hosts.first();
        env.insert(QStringLiteral("ORVANT_ADDRESS"), h.address);
        env.insert(QStringLiteral("ORVANT_DESCRIPTION"), h.description);
        env.insert(QStringLiteral("ORVANT_BEGIN"), h.begin.isValid() ? h.begin.toString(Qt::ISODate) : QString());
        env.insert(QStringLiteral("ORVANT_END"), message.event == Event::Up && h.end.isValid()
                                                      ? h.end.toString(Qt::ISODate)
                                                      : QString());
        const qint64 down = message.event == Event::Down ? -1 : h.downSeconds(message.at);
        env.insert(QStringLiteral("ORVANT_DOWNTIME_S"), down >= 0 ? QString::number(down) : QString());
    } else {
        for (const char *name : {"ORVANT_ADDRESS", "ORVANT_DESCRIPTION", "ORVANT_BEGIN", "ORVANT_END",
                                 "ORVANT_DOWNTIME_S"})
            env.remove(QLatin1String(name));
    }
    process->setProcessEnvironment(env);

    auto *timer = new QTimer(process);
    timer->setSingleShot(true);
    const QStringList secrets = channel.secrets();
    const int limitMs = m_limits.commandMs;
    connect(timer, &QTimer::timeout, process, [process, finish, limitMs] {
        const QByteArray output = process->readAll();
        process->disconnect();
        process->kill();
        process->waitForFinished(2000);
        finish({false, tr("программа остановлена через %1 с").arg(limitMs / 1000)
                           + (output.isEmpty() ? QString() : QLatin1Char('\n') + firstLines(output))});
        process->deleteLater();
    });
    connect(process, &QProcess::errorOccurred, process, [process, finish, secrets](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        finish({false, scrubbed(tr("не удалось запустить программу: %1").arg(process->errorString()), secrets)});
        process->deleteLater();
    });
    connect(process, &QProcess::finished, process, [process, finish, secrets](int code, QProcess::ExitStatus status) {
        const QString output = firstLines(process->readAll());
        QString detail = status == QProcess::NormalExit ? tr("код завершения %1").arg(code) : tr("программа завершилась аварийно");
        if (!output.isEmpty())
            detail += QLatin1Char('\n') + output;
        finish({status == QProcess::NormalExit && code == 0, scrubbed(detail, secrets)});
        process->deleteLater();
    });
    process->start();
    timer->start(limitMs);
    // The program may not read its input at all; what it leaves unread is
    // discarded when it ends.
    process->write(message.toJsonBytes());
    process->write("\n");
    process->closeWriteChannel();
}

QByteArray Dispatcher::webhookBody(const AlertChannel &channel, const AlertMessage &message, QString *url)
{
    *url = channel.setting("url");
    const QString text = AlertText::subject(message) + QLatin1Char('\n') + AlertText::body(message);
    switch (channel.format()) {
    case WebhookFormat::Json:
        return message.toJsonBytes();
    case WebhookFormat::Slack:
        return QJsonDocument(QJsonObject{{QStringLiteral("text"), text}}).toJson(QJsonDocument::Compact);
    case WebhookFormat::Telegram:
        return QJsonDocument(QJsonObject{{QStringLiteral("chat_id"), channel.setting("chat_id")},
                                         {QStringLiteral("text"), text}})
            .toJson(QJsonDocument::Compact);
    case WebhookFormat::Ntfy: {
        // ntfy's JSON publishing: the topic moves from the URL's last path
        // segment into the body, posted to the server's root; a title in the
        // body carries any language, where a header would not.
        QUrl u(*url);
        QString path = u.path();
        while (path.endsWith(QLatin1Char('/')))
            path.chop(1);
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const QString topic = path.mid(slash + 1);
        u.setPath(path.left(slash + 1).isEmpty() ? QStringLiteral("/") : path.left(slash + 1));
        *url = u.toString();
        return QJsonDocument(QJsonObject{{QStringLiteral("topic"), topic},
                                         {QStringLiteral("title"), AlertText::subject(message)},
                                         {QStringLiteral("message"), AlertText::body(message)}})
            .toJson(QJsonDocument::Compact);
    }
    }
    return {};
}

void Dispatcher::postWebhook(const AlertChannel &channel, const AlertMessage &message,
                             std::function<void(DeliveryOutcome)> done)
{
    auto finish = once(std::move(done));
    QString url;
    const QByteArray body = webhookBody(channel, message, &url);
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json; charset=utf-8"));
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("orvant"));
    request.setTransferTimeout(m_limits.httpMs);
    request.setRawHeader("X-Orvant-Delivery", message.deliveryId.toLatin1());
    if (!channel.secret.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + channel.secret.toUtf8());
    const QString caFile = channel.setting("ca_file");
    const QStringList secrets = channel.secrets();
    if (!caFile.isEmpty()) {
        const QList<QSslCertificate> cas = QSslCertificate::fromPath(caFile, QSsl::Pem);
        if (cas.isEmpty()) {
            QTimer::singleShot(0, this, [finish, caFile] {
                finish({false, tr("в файле %1 нет сертификата").arg(caFile)});
            });
            return;
        }
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.addCaCertificates(cas);
        request.setSslConfiguration(ssl);
    }
    QNetworkReply *reply = m_network->post(request, body);
    const QString shown = shownUrl(channel.setting("url"));
    connect(reply, &QNetworkReply::finished, this, [reply, finish, secrets, shown, url] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        // The status line is the receiver's word that it took the message:
        // a body cut off after it changes nothing, and sending again would
        // only repeat the alert.
        if (status >= 200 && status < 300) {
            finish({true, reply->error() == QNetworkReply::NoError
                              ? QStringLiteral("HTTP %1").arg(status)
                              : scrubbed(tr("HTTP %1, ответ оборван: %2").arg(status).arg(reply->errorString()),
                                         secrets)});
            return;
        }
        QString detail;
        if (status > 0) {
            detail = QStringLiteral("HTTP %1 %2")
                         .arg(status)
                         .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
            const QByteArray answer = reply->read(300).trimmed();
            if (!answer.isEmpty())
                detail += QStringLiteral(": ") + QString::fromUtf8(answer);
        } else {
            detail = reply->errorString();
        }
        detail.replace(url, shown);
        finish({false, scrubbed(detail, secrets)});
    });
}

void Dispatcher::sendMail(const AlertChannel &channel, const AlertMessage &message,
                          std::function<void(DeliveryOutcome)> done)
{
    auto finish = once(std::move(done));
    const QString subject = AlertText::subject(message);
    const QString body = AlertText::body(message);
    const QString id = message.deliveryId;
    const MailLimits limits{m_limits.mailMs, m_limits.mailStepMs};
    std::shared_ptr<std::atomic<bool>> abort = m_abort;
    QPointer<Dispatcher> self(this);
    QThread *thread = QThread::create([channel, subject, body, id, limits, abort, self, finish] {
        QString error;
        const bool sent = MailSender::send(channel, subject, body, id, limits, abort.get(), &error);
        if (abort->load())
            return;
        QMetaObject::invokeMethod(self, [finish, sent, error] {
            finish({sent, sent ? QStringLiteral("SMTP 250") : error});
        }, Qt::QueuedConnection);
    });
    m_mailThreads.erase(std::remove_if(m_mailThreads.begin(), m_mailThreads.end(),
                                       [](const QPointer<QThread> &t) { return !t; }),
                        m_mailThreads.end());
    m_mailThreads.emplace_back(thread);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

} // namespace alerts
