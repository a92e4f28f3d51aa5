#include "NotificationText.h"

#include "DurationText.h"

#include <QCoreApplication>
#include <QStringList>

namespace monitor {

namespace NotificationTexts {

namespace {

// A count is %n, so that a language with plural forms can follow it.
QString tr(const char *text, const char *comment = nullptr, int n = -1)
{
    return QCoreApplication::translate("monitor::NotificationTexts", text, comment, n);
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
        QString line = desc.isEmpty() ? ip : desc + QStringLiteral(" (") + ip + QLatin1Char(')');
        line += behindSuffix(hosts.at(i).behind);
        if (hosts.at(i).downSeconds >= 0)
            line += QStringLiteral(": ") + DurationText::format(hosts.at(i).downSeconds);
        lines << line;
    }
    if (hosts.size() > shown)
        lines << tr("и ещё %n", nullptr, int(hosts.size() - shown));
    return lines.join(QLatin1Char('\n'));
}

NotificationText compose(const QList<NotifiedHost> &hosts, const QString &one, const QString &several)
{
    if (hosts.isEmpty())
        return {};
    return {hosts.size() == 1 ? one : several, body(hosts)};
}

} // namespace

NotificationText outage(const QList<NotifiedHost> &hosts)
{
    return compose(hosts, tr("Нет соединения"),
                   tr("Нет соединения: %n адр.", nullptr, int(hosts.size())));
}

NotificationText restored(const QList<NotifiedHost> &hosts)
{
    return compose(hosts, tr("Соединение восстановлено"),
                   tr("Соединение восстановлено: %n адр.", nullptr, int(hosts.size())));
}

NotificationText flapping(const QList<NotifiedHost> &hosts)
{
    NotificationText text = compose(hosts, tr("Связь неустойчива"),
                                    tr("Связь неустойчива: %n адр.", nullptr, int(hosts.size())));
    if (!text.body.isEmpty())
        text.body += QLatin1Char('\n') + tr("Сигналы о сбоях отложены, пока связь не станет устойчивой.");
    return text;
}

NotificationText settled(const QList<NotifiedHost> &hosts)
{
    return compose(hosts, tr("Связь устойчива"), tr("Связь устойчива: %n адр.", nullptr, int(hosts.size())));
}

QString behindSuffix(int count)
{
    if (count <= 0)
        return {};
    // The Russian source has three forms of its own; each is one text, so
    // that English gets its plural from the translation file.
    const int tens = count % 100;
    const int units = count % 10;
    if (units == 1 && tens != 11)
        return tr(" и ещё %n адрес за ним", nullptr, count);
    if (units >= 2 && units <= 4 && (tens < 12 || tens > 14))
        return tr(" и ещё %n адреса за ним", nullptr, count);
    return tr(" и ещё %n адресов за ним", nullptr, count);
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
