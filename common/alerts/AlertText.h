#pragma once

#include "AlertMessage.h"

#include <QCoreApplication>
#include <QString>

namespace alerts {

// A message as a person reads it, in the operator's language: a subject
// line and a plain-text body with one line per host (its description and
// address, the moment, and for a restoration how long it was down).
class AlertText
{
    Q_DECLARE_TR_FUNCTIONS(alerts::AlertText)

public:
    static QString subject(const AlertMessage &message);
    static QString body(const AlertMessage &message);

    // The delivery log's stored words ("down", "delivered"…), which stay
    // as they are for the programs that read them, as the operator reads
    // them; a word not known here is shown as stored.
    static QString eventText(const QString &stored);
    static QString outcomeText(const QString &stored);
};

} // namespace alerts

namespace alerts {

// The message "Проверить" and `orvant-alert test` send: one host down, marked
// as a test.
AlertMessage testMessage(const QDateTime &now);

} // namespace alerts
