#pragma once

#include "AlertChannel.h"
#include "AlertMessage.h"
#include "AlertStore.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QObject;

namespace alerts {

// The alert outbox, the channels and the delivery log as the delivery queue
// reaches them: through the program's store, which runs each operation where
// its connection lives and answers later on the caller's thread. The queue
// itself never holds a connection.
//
// Every answer comes through its callback unless `context` is gone by then;
// an operation that cannot reach the database answers with ok false (or a
// non-empty error) and the queue tries again later.
class Outbox
{
public:
    Outbox() = default;
    virtual ~Outbox();
    Outbox(const Outbox &) = delete;
    Outbox &operator=(const Outbox &) = delete;

    // A message made by a pass, for one channel, to be kept until delivered.
    struct Entry
    {
        qint64 channelId = 0;
        AlertMessage message;
        QDateTime at;
    };

    // Secrets an earlier version kept in the database move into files of
    // this user's (AlertStore::moveSecretsOut); `moved` names the channels.
    virtual void moveSecretsOut(QObject *context,
                                std::function<void(const QStringList &moved, const QString &error)> done) = 0;
    // Saves entries in their order; `saved` counts those now in the outbox
    // (a failure keeps the rest for a later try, in order).
    virtual void saveMessages(QObject *context, const QList<Entry> &entries,
                              std::function<void(int saved, const QString &error)> done) = 0;
    // What waits, oldest first, and the channels.
    virtual void readOutbox(QObject *context,
                            std::function<void(bool ok, const QList<PendingMessage> &pending,
                                               const QList<AlertChannel> &channels, const QString &error)>
                                done) = 0;
    virtual void readChannels(QObject *context,
                              std::function<void(bool ok, const QList<AlertChannel> &channels, const QString &error)>
                                  done) = 0;
    // Strikes messages from the outbox; `removed` names those that went.
    virtual void removeMessages(QObject *context, const QList<qint64> &ids,
                                std::function<void(const QList<qint64> &removed, const QString &error)> done) = 0;
    virtual void rescheduleMessage(QObject *context, qint64 id, int attempts, const QDateTime &nextTry,
                                   std::function<void(const QString &error)> done) = 0;
    virtual void logDelivery(QObject *context, const DeliveryEntry &entry,
                             std::function<void(const QString &error)> done) = 0;
};

} // namespace alerts
