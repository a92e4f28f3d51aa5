#pragma once

#include "AlertChannel.h"

#include <QByteArray>
#include <QString>

#include <atomic>

namespace alerts {

// One mail over SMTP with libcurl: STARTTLS required on smtp:// (never sent
// in the clear), TLS from the start on smtps://, the peer's certificate
// verified (against a named CA file, else the system's). Blocks: run it on a
// thread of its own. `abort` ends the session early.
class MailSender
{
public:
    // The message as sent: headers, then the UTF-8 body in base64, so that
    // every byte of a description arrives as it is.
    static QByteArray compose(const QString &from, const QStringList &to, const QString &subject, const QString &body);

    static bool send(const AlertChannel &channel, const QString &subject, const QString &body, int timeoutMs,
                     const std::atomic<bool> *abort, QString *error);
};

} // namespace alerts
