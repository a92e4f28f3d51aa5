#include "NotificationText.h"

#include <QCoreApplication>
#include <QStringList>

namespace monitor {

namespace NotificationTexts {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("monitor::NotificationTexts", text);
}

// A description may hold line breaks; in a bubble each host keeps to one line
// so the count of lines is the count of hosts.
QString oneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text.trimmed();
}

QString body(const QList<NotifiedHost> &hosts)
{
    QStringList lines;
    const int shown = qMin<int>(hosts.size(), MaxLines);
    for (int i = 0; i < shown; ++i) {
        const QString desc = oneLine(hosts.at(i).desc);
        const QString ip = oneLine(hosts.at(i).ip);
        lines << (desc.isEmpty() ? ip : desc + QStringLiteral(" (") + ip + QLatin1Char(')'));
    }
    if (hosts.size() > shown)
        lines << tr("и ещё %1").arg(hosts.size() - shown);
    return lines.join(QLatin1Char('\n'));
}

NotificationText compose(const QList<NotifiedHost> &hosts, const QString &one, const QString &several)
{
    if (hosts.isEmpty())
        return {};
    return {hosts.size() == 1 ? one : several.arg(hosts.size()), body(hosts)};
}

} // namespace

NotificationText outage(const QList<NotifiedHost> &hosts)
{
    return compose(hosts, tr("Нет соединения"), tr("Нет соединения: %1 адр."));
}

NotificationText restored(const QList<NotifiedHost> &hosts)
{
    return compose(hosts, tr("Соединение восстановлено"), tr("Соединение восстановлено: %1 адр."));
}

QString escapedForMarkup(const QString &body)
{
    QString out;
    out.reserve(body.size());
    for (const QChar c : body) {
        if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            out += QLatin1String("&gt;");
        else
            out += c;
    }
    return out;
}

} // namespace NotificationTexts

} // namespace monitor
