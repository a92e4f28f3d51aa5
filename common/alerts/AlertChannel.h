#pragma once

#include "AlertMessage.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace alerts {

enum class ChannelKind { Command, Webhook, Email };

QString kindName(ChannelKind kind);  // "command", "webhook", "email"
std::optional<ChannelKind> kindFromName(const QString &name);

// The forms a webhook posts in: the suite's own JSON, a Slack-compatible
// incoming webhook (Slack, Mattermost, Rocket.Chat), Telegram's bot API
// (sendMessage), an ntfy server's JSON publishing.
enum class WebhookFormat { Json, Slack, Telegram, Ntfy };
QString formatName(WebhookFormat format);
std::optional<WebhookFormat> formatFromName(const QString &name);

// One place an alert goes to. The settings by kind:
//   command: program, arguments (a list)
//   webhook: url, format, chat_id (Telegram), ca_file
//   email:   to, smtp (smtp://host:587 or :25, smtps://host:465), user, from, ca_file
//   and for a secret (a mail password or a webhook's bearer token) the file
//   that holds it, secret_file (see SecretFile): never the secret itself.
// `secret` is the secret in memory: read from its file for a delivery, or
// typed into a dialog and not yet written to a file. A webhook URL may carry
// a token of its own (Slack's and Telegram's do), so a URL is shown only up
// to its host.
struct AlertChannel
{
    Q_DECLARE_TR_FUNCTIONS(alerts::AlertChannel)

public:
    qint64 id = 0;
    QString name;
    ChannelKind kind = ChannelKind::Command;
    QJsonObject settings;
    QString secret;
    bool wantsDown = true;
    bool wantsUp = true;
    bool wantsReminders = false;
    int reminderMinutes = 0;  // 0: no reminders

    bool wants(Event event) const;
    QString eventsText() const;  // "down,up" as stored
    void setEventsText(const QString &text);

    QString setting(const char *key) const { return settings.value(QLatin1String(key)).toString(); }
    QStringList arguments() const;
    WebhookFormat format() const;
    // A secret in memory or a file named for one.
    bool hasSecret() const;

    // What the channel does, as a list or a dialog shows it: never the
    // secret (only that one is set) and never a URL's path or query.
    QString summary() const;
    // Every text of the channel that must never reach an output: the
    // secret and a webhook URL's path and query.
    QStringList secrets() const;
    // Whether the channel can be used as it stands; *why otherwise.
    bool isComplete(QString *why) const;
};

// A URL as it may be shown: scheme, host and port, and "/…" for a hidden path.
QString shownUrl(const QString &url);

// `text` with every occurrence of each secret (of at least 3 characters)
// replaced by "***": for errors that might quote a URL or a server's echo.
QString scrubbed(QString text, const QStringList &secrets);

} // namespace alerts
