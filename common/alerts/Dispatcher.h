#pragma once

#include "AlertChannel.h"
#include "AlertMessage.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QNetworkAccessManager;

namespace alerts {

struct DeliveryOutcome
{
    bool delivered = false;
    // An error, or what a command said: never a secret (scrubbed against the
    // channel's secrets before it leaves here).
    QString detail;
};

// How long a delivery may take before it counts as failed.
struct DeliveryLimits
{
    int commandMs = 30000;  // the program is killed then
    int httpMs = 60000;     // a webhook's whole exchange
    int mailMs = 60000;     // the whole SMTP session
    int mailStepMs = 30000; // one SMTP step with nothing moving
};

// Sends one message over one channel, asynchronously, on the thread it lives
// on: a command through QProcess (no shell), a webhook through Qt Network, a
// mail through libcurl on a thread of its own (its calls block). `done` is
// called once on this object's thread, unless this object is destroyed first.
//
// A channel's secret is read from its file for each delivery (SecretFile),
// so a file fixed or replaced counts at the next try. Every delivery carries
// the message's delivery id (per channel, the same at every try): the JSON's
// delivery_id, the header X-Orvant-Delivery, ORVANT_DELIVERY_ID for a
// command, the mail's Message-ID.
class Dispatcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Dispatcher)

public:
    explicit Dispatcher(QObject *parent = nullptr);
    // Deliveries under way end without telling their outcome; a mail
    // session is cut and waited for (about a second at most).
    ~Dispatcher() override;

    void setLimits(const DeliveryLimits &limits) { m_limits = limits; }
    void deliver(const AlertChannel &channel, const AlertMessage &message, std::function<void(DeliveryOutcome)> done);

    // The body a webhook of this form posts, and the URL it posts it to.
    static QByteArray webhookBody(const AlertChannel &channel, const AlertMessage &message, QString *url);

private:
    void runCommand(const AlertChannel &channel, const AlertMessage &message,
                    std::function<void(DeliveryOutcome)> done);
    void postWebhook(const AlertChannel &channel, const AlertMessage &message,
                     std::function<void(DeliveryOutcome)> done);
    void sendMail(const AlertChannel &channel, const AlertMessage &message, std::function<void(DeliveryOutcome)> done);

    DeliveryLimits m_limits;
    QNetworkAccessManager *m_network = nullptr;
    // Mail sessions running: asked to abort and waited for on destruction.
    std::shared_ptr<std::atomic<bool>> m_abort;
    std::vector<QPointer<QThread>> m_mailThreads;
};

} // namespace alerts
