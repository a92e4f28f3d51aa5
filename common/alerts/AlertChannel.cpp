#include "AlertChannel.h"

#include <QJsonArray>
#include <QUrl>

namespace alerts {

QString kindName(ChannelKind kind)
{
    switch (kind) {
    case ChannelKind::Command:
        return QStringLiteral("command");
    case ChannelKind::Webhook:
        return QStringLiteral("webhook");
    case ChannelKind::Email:
        return QStringLiteral("email");
    }
    return {};
}

std::optional<ChannelKind> kindFromName(const QString &name)
{
    for (ChannelKind k : {ChannelKind::Command, ChannelKind::Webhook, ChannelKind::Email}) {
        if (kindName(k) == name)
            return k;
    }
    return std::nullopt;
}

QString formatName(WebhookFormat format)
{
    switch (format) {
    case WebhookFormat::Json:
        return QStringLiteral("json");
    case WebhookFormat::Slack:
        return QStringLiteral("slack");
    case WebhookFormat::Telegram:
        return QStringLiteral("telegram");
    case WebhookFormat::Ntfy:
        return QStringLiteral("ntfy");
    }
    return {};
}

std::optional<WebhookFormat> formatFromName(const QString &name)
{
    for (WebhookFormat f : {WebhookFormat::Json, WebhookFormat::Slack, WebhookFormat::Telegram, WebhookFormat::Ntfy}) {
        if (formatName(f) == name)
            return f;
    }
    return std::nullopt;
}

bool AlertChannel::wants(Event event) const
{
    switch (event) {
    case Event::Down:
        return wantsDown;
    case Event::Up:
        return wantsUp;
    case Event::Reminder:
        return wantsReminders && reminderMinutes > 0;
    }
    return false;
}

QString AlertChannel::eventsText() const
{
    QStringList list;
    if (wantsDown)
        list << eventName(Event::Down);
    if (wantsUp)
        list << eventName(Event::Up);
    if (wantsReminders)
        list << eventName(Event::Reminder);
    return list.join(QLatin1Char(','));
}

void AlertChannel::setEventsText(const QString &text)
{
    const QStringList list = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    wantsDown = list.contains(eventName(Event::Down));
    wantsUp = list.contains(eventName(Event::Up));
    wantsReminders = list.contains(eventName(Event::Reminder));
}

QStringList AlertChannel::arguments() const
{
    QStringList list;
    for (const QJsonValue &v : settings.value(QStringLiteral("arguments")).toArray())
        list << v.toString();
    return list;
}

WebhookFormat AlertChannel::format() const
{
    return formatFromName(setting("format")).value_or(WebhookFormat::Json);
}

bool AlertChannel::hasSecret() const
{
    return !secret.isEmpty() || !setting("secret_file").isEmpty();
}

QString shownUrl(const QString &url)
{
    const QUrl u(url);
    if (!u.isValid() || u.host().isEmpty())
        return QStringLiteral("…");
    QString shown = u.scheme() + QStringLiteral("://") + u.host();
    if (u.port() >= 0)
        shown += QLatin1Char(':') + QString::number(u.port());
    if (u.path().size() > 1 || u.hasQuery())
        shown += QStringLiteral("/…");
    return shown;
}

QString AlertChannel::summary() const
{
    const QString secretNote = hasSecret() ? tr(", пароль задан") : QString();
    switch (kind) {
    case ChannelKind::Command: {
        QStringList parts{setting("program")};
        parts << arguments();
        return tr("программа: %1").arg(parts.join(QLatin1Char(' ')));
    }
    case ChannelKind::Webhook:
        return tr("веб-запрос (%1): %2").arg(formatName(format()), shownUrl(setting("url")))
               + (hasSecret() ? tr(", ключ задан") : QString());
    case ChannelKind::Email:
        return tr("почта: %1 через %2").arg(setting("to"), shownUrl(setting("smtp"))) + secretNote;
    }
    return {};
}

QStringList AlertChannel::secrets() const
{
    QStringList list;
    if (!secret.isEmpty())
        list << secret;
    if (kind == ChannelKind::Webhook) {
        const QUrl u(setting("url"));
        if (u.path().size() > 1)
            list << u.path().mid(1) << QString::fromUtf8(u.path(QUrl::FullyEncoded).mid(1).toUtf8());
        if (u.hasQuery())
            list << u.query() << u.query(QUrl::FullyEncoded);
    }
    // The longest first, so a secret that holds another is replaced whole.
    std::sort(list.begin(), list.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    list.removeDuplicates();
    return list;
}

bool AlertChannel::isComplete(QString *why) const
{
    auto missing = [&](const QString &text) {
        if (why)
            *why = text;
        return false;
    };
    if (name.trimmed().isEmpty())
        return missing(tr("Не задано имя канала"));
    switch (kind) {
    case ChannelKind::Command:
        if (setting("program").isEmpty())
            return missing(tr("Не задана программа"));
        break;
    case ChannelKind::Webhook: {
        const QUrl u(setting("url"));
        if (!u.isValid() || (u.scheme() != QLatin1String("http") && u.scheme() != QLatin1String("https"))
            || u.host().isEmpty())
            return missing(tr("Адрес веб-запроса должен начинаться с http:// или https://"));
        // A bearer token in the clear is anybody's on the way.
        if (hasSecret() && u.scheme() != QLatin1String("https"))
            return missing(tr("Ключ передаётся только по https: адрес %1 не защищён, и ключ прочитал бы любой "
                              "на пути запроса. Укажите адрес https://")
                               .arg(shownUrl(u.toString())));
        if (format() == WebhookFormat::Telegram && setting("chat_id").isEmpty())
            return missing(tr("Для Telegram нужен номер чата"));
        break;
    }
    case ChannelKind::Email: {
        const QUrl u(setting("smtp"));
        if (setting("to").isEmpty())
            return missing(tr("Не задан адрес получателя"));
        if (!u.isValid() || (u.scheme() != QLatin1String("smtp") && u.scheme() != QLatin1String("smtps"))
            || u.host().isEmpty())
            return missing(tr("Почтовый сервер задаётся как smtp://узел:587 или smtps://узел:465"));
        break;
    }
    }
    return true;
}

QString scrubbed(QString text, const QStringList &secrets)
{
    for (const QString &s : secrets) {
        if (s.size() >= 3)
            text.replace(s, QStringLiteral("***"));
    }
    return text;
}

} // namespace alerts
