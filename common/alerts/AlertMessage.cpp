#include "AlertMessage.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

namespace alerts {

namespace {

QJsonValue isoOrNull(const QDateTime &t)
{
    return t.isValid() ? QJsonValue(t.toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null);
}

QDateTime fromIso(const QJsonValue &v)
{
    if (!v.isString())
        return {};
    return QDateTime::fromString(v.toString(), Qt::ISODate);
}

} // namespace

QString eventName(Event event)
{
    switch (event) {
    case Event::Down:
        return QStringLiteral("down");
    case Event::Up:
        return QStringLiteral("up");
    case Event::Reminder:
        return QStringLiteral("reminder");
    }
    return {};
}

std::optional<Event> eventFromName(const QString &name)
{
    for (Event e : {Event::Down, Event::Up, Event::Reminder}) {
        if (eventName(e) == name)
            return e;
    }
    return std::nullopt;
}

qint64 HostChange::downSeconds(const QDateTime &now) const
{
    if (knownDownSeconds >= 0)
        return knownDownSeconds;
    if (!begin.isValid())
        return -1;
    const QDateTime until = event == Event::Up ? end : now;
    if (!until.isValid())
        return -1;
    return qMax<qint64>(0, begin.secsTo(until));
}

QJsonObject AlertMessage::toJson() const
{
    QJsonArray list;
    for (const HostChange &h : hosts) {
        QJsonObject o;
        o.insert(QStringLiteral("address"), h.address);
        o.insert(QStringLiteral("description"), h.description);
        o.insert(QStringLiteral("begin"), isoOrNull(h.begin));
        o.insert(QStringLiteral("end"), isoOrNull(event == Event::Up ? h.end : QDateTime()));
        const qint64 down = event == Event::Down ? -1 : h.downSeconds(at);
        o.insert(QStringLiteral("downtime_s"), down >= 0 ? QJsonValue(down) : QJsonValue(QJsonValue::Null));
        o.insert(QStringLiteral("behind"), h.behind);
        if (!h.path.isEmpty()) {
            QJsonArray hops;
            for (const OutagePaths::Hop &p : h.path) {
                QJsonObject hop;
                hop.insert(QStringLiteral("hop"), p.number);
                hop.insert(QStringLiteral("address"),
                           p.address.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(p.address));
                hop.insert(QStringLiteral("rtt_ms"),
                           p.rttUs ? QJsonValue(double(*p.rttUs) / 1000.0) : QJsonValue(QJsonValue::Null));
                hops.append(hop);
            }
            o.insert(QStringLiteral("path"), hops);
        }
        // Only a vantage point's messages have it: a plain monitor's stay as they were.
        if (!h.vantages.isEmpty())
            o.insert(QStringLiteral("vantages"), QJsonArray::fromStringList(h.vantages));
        list.append(o);
    }
    QJsonObject o;
    o.insert(QStringLiteral("event"), eventName(event));
    o.insert(QStringLiteral("at"), isoOrNull(at));
    o.insert(QStringLiteral("test"), test);
    if (!deliveryId.isEmpty())
        o.insert(QStringLiteral("delivery_id"), deliveryId);
    o.insert(QStringLiteral("hosts"), list);
    return o;
}

QByteArray AlertMessage::toJsonBytes() const
{
    return QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
}

std::optional<AlertMessage> AlertMessage::fromJson(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    const auto event = eventFromName(o.value(QStringLiteral("event")).toString());
    if (!event)
        return std::nullopt;
    AlertMessage m;
    m.event = *event;
    m.at = fromIso(o.value(QStringLiteral("at")));
    m.test = o.value(QStringLiteral("test")).toBool();
    m.deliveryId = o.value(QStringLiteral("delivery_id")).toString();
    if (m.deliveryId.isEmpty())
        m.deliveryId = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(32));
    for (const QJsonValue &v : o.value(QStringLiteral("hosts")).toArray()) {
        const QJsonObject h = v.toObject();
        HostChange c;
        c.event = m.event;
        c.address = h.value(QStringLiteral("address")).toString();
        c.description = h.value(QStringLiteral("description")).toString();
        c.begin = fromIso(h.value(QStringLiteral("begin")));
        c.end = fromIso(h.value(QStringLiteral("end")));
        c.behind = h.value(QStringLiteral("behind")).toInt();
        for (const QJsonValue &name : h.value(QStringLiteral("vantages")).toArray())
            c.vantages << name.toString();
        // Kept as measured: the outbox holds the message as it was made.
        const QJsonValue down = h.value(QStringLiteral("downtime_s"));
        if (down.isDouble())
            c.knownDownSeconds = qint64(down.toDouble());
        for (const QJsonValue &hv : h.value(QStringLiteral("path")).toArray()) {
            const QJsonObject ho = hv.toObject();
            OutagePaths::Hop hop;
            hop.number = ho.value(QStringLiteral("hop")).toInt();
            hop.address = ho.value(QStringLiteral("address")).toString();
            if (ho.value(QStringLiteral("rtt_ms")).isDouble())
                hop.rttUs = qRound64(ho.value(QStringLiteral("rtt_ms")).toDouble() * 1000.0);
            c.path.append(hop);
        }
        m.hosts.append(c);
    }
    return m;
}

QString AlertMessage::newDeliveryId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QList<AlertMessage> messagesOfPass(const QList<HostChange> &changes, const QDateTime &at)
{
    QList<AlertMessage> out;
    for (Event e : {Event::Down, Event::Up, Event::Reminder}) {
        AlertMessage m;
        m.event = e;
        m.at = at;
        m.deliveryId = AlertMessage::newDeliveryId();
        for (const HostChange &c : changes) {
            if (c.event == e && !c.suppressed)
                m.hosts.append(c);
        }
        if (!m.hosts.isEmpty())
            out.append(m);
    }
    return out;
}

QList<HostChange> dueReminders(const QList<HostChange> &down, int minutes, const QDateTime &previous,
                               const QDateTime &now)
{
    QList<HostChange> due;
    if (minutes <= 0 || !previous.isValid() || !now.isValid() || previous >= now)
        return due;
    const qint64 period = qint64(minutes) * 60;
    for (const HostChange &h : down) {
        if (h.suppressed || !h.begin.isValid())
            continue;
        const qint64 before = h.begin.secsTo(previous);
        const qint64 after = h.begin.secsTo(now);
        // The count of whole periods since the begin grew in this pass.
        const qint64 k0 = before < 0 ? 0 : before / period;
        const qint64 k1 = after < 0 ? 0 : after / period;
        if (k1 >= 1 && k1 > k0) {
            HostChange r = h;
            r.event = Event::Reminder;
            due.append(r);
        }
    }
    return due;
}

} // namespace alerts
