#pragma once

#include "AlertChannel.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <atomic>

namespace alerts {

// How long a mail may take: the whole session, and any one step of it (the
// greeting, a command's answer, the body's acceptance) with nothing moving.
struct MailLimits
{
    int totalMs = 60000;
    int stepMs = 30000;
};

// One mail over SMTP with libcurl. smtps:// is TLS from the start. smtp://
// upgrades with STARTTLS whenever the server offers it; without a login it
// sends in the clear to a server that does not (a relay on port 25 inside
// the network), with a login it refuses such a server before any login is
// sent, so a password never goes out in the clear. The peer's certificate is
// verified (against a named CA file, else the system's).
//
// Blocks: run it on a thread of its own. Every step is bounded by our own
// watchdog, not only by libcurl's time-outs (which a server that never
// answers the end of the body outlasts); `abort` ends the session within
// about a second, its connection cut rather than closed politely.
class MailSender
{
    Q_DECLARE_TR_FUNCTIONS(alerts::MailSender)

public:
    // The message as sent: headers, then the UTF-8 body in base64, so that
    // every byte of a description arrives as it is. `deliveryId` makes the
    // Message-ID, the same at every try of one message.
    static QByteArray compose(const QString &from, const QStringList &to, const QString &subject, const QString &body,
                              const QString &deliveryId = {});

    // `channel.secret` is the password (read from its file by the caller).
    static bool send(const AlertChannel &channel, const QString &subject, const QString &body,
                     const QString &deliveryId, const MailLimits &limits, const std::atomic<bool> *abort,
                     QString *error);
};

} // namespace alerts
