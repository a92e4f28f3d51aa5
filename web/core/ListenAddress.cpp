#include "ListenAddress.h"

#include <QCoreApplication>

namespace web {

bool ListenAddress::parse(const QString &text, ListenAddress *out, QString *error)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        *error = tr("--listen %1: ожидается АДРЕС:ПОРТ, например %2").arg(text, QLatin1String(Default));
        return false;
    }
    QString host = text.left(colon);
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        *error = tr("--listen %1: порт должен быть от 1 до 65535").arg(text);
        return false;
    }
    ListenAddress a;
    a.port = quint16(port);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':'))) {
        *error = tr("--listen %1: адрес IPv6 пишется в квадратных скобках, например [::1]:9797").arg(text);
        return false;
    }
    if (host.isEmpty())
        a.host = QHostAddress(QHostAddress::Any);
    else if (host == QLatin1String("localhost"))
        a.host = QHostAddress(QHostAddress::LocalHost);
    else if (!a.host.setAddress(host)) {
        *error = tr("--listen %1: %2 — не IP-адрес").arg(text, host);
        return false;
    }
    *out = a;
    return true;
}

QString ListenAddress::url(const QString &scheme) const
{
    QString h = host.toString();
    if (host == QHostAddress(QHostAddress::Any))
        h = QStringLiteral("0.0.0.0");
    else if (host.protocol() == QAbstractSocket::IPv6Protocol)
        h = QLatin1Char('[') + h + QLatin1Char(']');
    return QStringLiteral("%1://%2:%3/").arg(scheme, h).arg(port);
}

} // namespace web
