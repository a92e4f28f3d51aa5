#pragma once

#include "AlertChannel.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace alerts {

// A message waiting for its channel: made by a pass, deleted once delivered
// or given up.
struct PendingMessage
{
    qint64 id = 0;
    qint64 channelId = 0;
    QDateTime created;
    QString event;
    QByteArray payload;  // AlertMessage::toJsonBytes()
    int attempts = 0;
    QDateTime nextTry;
};

// An entry of the delivery log.
struct DeliveryEntry
{
    QDateTime at;
    QString channel;
    QString event;
    QString outcome;  // "delivered", "failed", "given up", "test delivered", "test failed"
    QString detail;   // an error, or a program's exit status and first lines
};

// The channels, the undelivered messages and the delivery log, on one
// connection (the caller's thread's: a database thread's job). The tables
// are schema steps (SchemaSteps.def), made when a program opens the
// database read-write. Every failure returns false with the
// database's own text in *error.
class AlertStore
{
public:
    explicit AlertStore(QSqlDatabase db) : m_db(std::move(db)) {}

    bool channels(QList<AlertChannel> *out, QString *error);
    // False with an empty *error when no channel has the name.
    bool channel(const QString &name, AlertChannel *out, QString *error);
    // A secret in channel.secret (typed into a dialog) is written to a file
    // of this user's (SecretFile::write) and the channel names that file:
    // the database never holds a secret.
    bool addChannel(AlertChannel *channel, QString *error);
    bool updateChannel(const AlertChannel &channel, QString *error);
    // Secrets an earlier version kept in the database move into files of
    // this user's, each channel in a transaction of its own, the database's
    // copy overwritten. Run by the monitor, whose user is the one that must
    // read them. *moved names the channels moved.
    bool moveSecretsOut(QStringList *moved, QString *error);
    // Removes the channel and its undelivered messages in one transaction,
    // and the secret file this suite wrote for it.
    bool removeChannel(qint64 id, QString *error);

    bool enqueue(qint64 channelId, const AlertMessage &message, const QDateTime &now, QString *error);
    bool pending(QList<PendingMessage> *out, QString *error);
    bool reschedule(qint64 id, int attempts, const QDateTime &nextTry, QString *error);
    bool removePending(qint64 id, QString *error);

    bool log(const DeliveryEntry &entry, QString *error);
    bool deliveries(int limit, QList<DeliveryEntry> *out, QString *error);

    // The begin of an address's latest closed outage (invalid when none).
    QDateTime lastClosedBegin(const QString &ip);
    // Every open outage: address, description, begin.
    bool openOutages(QList<HostChange> *out, QString *error);

private:
    QSqlDatabase m_db;
};

} // namespace alerts
