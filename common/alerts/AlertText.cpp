#include "AlertText.h"

#include "DurationText.h"

#include <QLocale>

namespace alerts {

namespace {

QString moment(const QDateTime &t)
{
    if (!t.isValid())
        return QStringLiteral("?");
    const QLocale locale = QLocale::system();
    return locale.toString(t.date(), QLocale::ShortFormat) + QLatin1Char(' ') + t.time().toString(QStringLiteral("HH:mm:ss"));
}

QString hostName(const HostChange &h)
{
    return h.description.isEmpty() ? h.address : QStringLiteral("%1 (%2)").arg(h.description, h.address);
}

} // namespace

QString AlertText::subject(const AlertMessage &m)
{
    const int n = int(m.hosts.size());
    QString text;
    if (n == 1) {
        const QString host = hostName(m.hosts.first());
        switch (m.event) {
        case Event::Down:
            text = tr("Нет соединения: %1").arg(host);
            break;
        case Event::Up:
            text = tr("Соединение восстановлено: %1").arg(host);
            break;
        case Event::Reminder:
            text = tr("Всё ещё нет соединения: %1").arg(host);
            break;
        }
    } else {
        switch (m.event) {
        case Event::Down:
            text = tr("Нет соединения: %n адр.", nullptr, n);
            break;
        case Event::Up:
            text = tr("Соединение восстановлено: %n адр.", nullptr, n);
            break;
        case Event::Reminder:
            text = tr("Всё ещё нет соединения: %n адр.", nullptr, n);
            break;
        }
    }
    // A subject is one line whatever a description holds.
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return (m.test ? tr("Проверка: ") : QString()) + QStringLiteral("Orvant: ") + text;
}

QString AlertText::body(const AlertMessage &m)
{
    QStringList lines;
    if (m.test)
        lines << tr("Это проверочное сообщение Orvant: канал работает.") << QString();
    for (const HostChange &h : m.hosts) {
        QString line;
        switch (m.event) {
        case Event::Down:
            line = tr("%1: нет соединения с %2").arg(hostName(h), moment(h.begin.isValid() ? h.begin : m.at));
            break;
        case Event::Up: {
            const qint64 s = h.downSeconds(m.at);
            line = s >= 0 ? tr("%1: соединение восстановлено в %2, простой %3")
                                .arg(hostName(h), moment(h.end.isValid() ? h.end : m.at), DurationText::format(s))
                          : tr("%1: соединение восстановлено в %2").arg(hostName(h), moment(h.end.isValid() ? h.end : m.at));
            break;
        }
        case Event::Reminder:
            line = tr("%1: нет соединения с %2, уже %3")
                       .arg(hostName(h), moment(h.begin), DurationText::format(h.downSeconds(m.at)));
            break;
        }
        if (h.behind > 0)
            line += tr(" (за ним ещё узлов: %1)").arg(h.behind);
        if (!h.vantages.isEmpty())
            line += QLatin1Char('\n') + tr("  видят недоступным: %1").arg(h.vantages.join(QLatin1String(", ")));
        lines << line;
        if (!h.path.isEmpty()) {
            lines << tr("  Путь в начале отказа:");
            const QStringList hops = OutagePaths::text(h.path).split(QLatin1Char('\n'));
            for (const QString &hop : hops)
                lines << QStringLiteral("    ") + hop;
        }
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString AlertText::eventText(const QString &stored)
{
    if (stored == eventName(Event::Down))
        return tr("нет соединения");
    if (stored == eventName(Event::Up))
        return tr("соединение восстановлено");
    if (stored == eventName(Event::Reminder))
        return tr("напоминание");
    return stored;
}

QString AlertText::outcomeText(const QString &stored)
{
    if (stored == QLatin1String("delivered"))
        return tr("доставлено");
    if (stored == QLatin1String("failed"))
        return tr("не доставлено, повтор");
    if (stored == QLatin1String("given up"))
        return tr("не доставлено, отменено");
    if (stored == QLatin1String("test delivered"))
        return tr("проверка: доставлено");
    if (stored == QLatin1String("test failed"))
        return tr("проверка: не доставлено");
    return stored;
}

} // namespace alerts

namespace alerts {

AlertMessage testMessage(const QDateTime &now)
{
    AlertMessage m;
    m.event = Event::Down;
    m.at = now;
    m.test = true;
    m.deliveryId = AlertMessage::newDeliveryId();
    HostChange h;
    h.event = Event::Down;
    h.address = QStringLiteral("127.0.0.1");
    h.description = AlertText::tr("Проверка канала");
    h.begin = now;
    m.hosts.append(h);
    return m;
}

} // namespace alerts
