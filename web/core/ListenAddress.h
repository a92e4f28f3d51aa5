#pragma once

#include <QCoreApplication>
#include <QHostAddress>
#include <QString>

namespace web {

// --listen HOST:PORT: an IPv4 address, [an IPv6 address], "localhost", or
// nothing before the colon for every address; the port 1–65535.
struct ListenAddress
{
    Q_DECLARE_TR_FUNCTIONS(web::ListenAddress)

public:
    QHostAddress host = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 9797;

    static constexpr char Default[] = "127.0.0.1:9797";
    // False with *error naming what is wrong.
    static bool parse(const QString &text, ListenAddress *out, QString *error);
    // "http://127.0.0.1:9797/" for the log (the scheme given).
    QString url(const QString &scheme) const;
};

} // namespace web
