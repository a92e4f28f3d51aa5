#include "AlertStore.h"

#include "Database.h"
#include "DateTimeText.h"
#include "SecretFile.h"

#include <QFile>
#include <QJsonDocument>

namespace alerts {

namespace {

bool failed(const QSqlQuery &q, QString *error)
{
    if (error)
        *error = statementError(q);
    return false;
}

AlertChannel channelOfRow(const QSqlQuery &q)
{
    AlertChannel c;
    c.id = q.value(0).toLongLong();
    c.name = q.value(1).toString();
    c.kind = kindFromName(q.value(2).toString()).value_or(ChannelKind::Command);
    c.settings = QJsonDocument::fromJson(q.value(3).toString().toUtf8()).object();
    c.secret = q.value(4).toString();
    c.setEventsText(q.value(5).toString());
    c.reminderMinutes = q.value(6).toInt();
    return c;
}

// The column `secret` stays from earlier versions and is written empty:
// a secret lives in its file (see SecretFile).
QVariantList channelValues(const AlertChannel &c)
{
    return {c.name,
            kindName(c.kind),
            QString::fromUtf8(QJsonDocument(c.settings).toJson(QJsonDocument::Compact)),
            QStringLiteral(""),
            c.eventsText(),
            c.reminderMinutes};
}

// A secret handed over in memory goes to its file before the row is written.
bool secretToFile(AlertChannel *c, QString *error)
{
    if (c->secret.isEmpty())
        return true;
    QString path;
    if (!SecretFile::write(c->name, c->kind, c->secret, &path, error))
        return false;
    c->settings.insert(QLatin1String(SecretFile::SettingKey), path);
    return true;
}

} // namespace

bool AlertStore::channels(QList<AlertChannel> *out, QString *error)
{
    QSqlQuery q(m_db);
    if (!runStatement(q, Statements::SelectAlertChannels))
        return failed(q, error);
    out->clear();
    while (q.next())
        out->append(channelOfRow(q));
    return true;
}

bool AlertStore::channel(const QString &name, AlertChannel *out, QString *error)
{
    QSqlQuery q(m_db);
    if (!runStatement(q, Statements::SelectAlertChannelByName, {name}))
        return failed(q, error);
    if (!q.next()) {
        if (error)
            error->clear();
        return false;
    }
    *out = channelOfRow(q);
    return true;
}

bool AlertStore::addChannel(AlertChannel *channel, QString *error)
{
    if (!secretToFile(channel, error))
        return false;
    QSqlQuery q(m_db);
    if (!runStatement(q, Statements::InsertAlertChannel, channelValues(*channel)))
        return failed(q, error);
    AlertChannel stored;
    if (!this->channel(channel->name, &stored, error))
        return false;
    channel->id = stored.id;
    return true;
}

bool AlertStore::updateChannel(const AlertChannel &given, QString *error)
{
    AlertChannel channel = given;
    if (!secretToFile(&channel, error))
        return false;
    QSqlQuery q(m_db);
    QVariantList values = channelValues(channel);
    values << channel.id;
    if (!runStatement(q, Statements::UpdateAlertChannel, values))
        return failed(q, error);
    return true;
}

bool AlertStore::removeChannel(qint64 id, QString *error)
{
    // The secret file this suite wrote for the channel goes with it (one the
    // operator named stays theirs); it is looked up first, since after the
    // delete nothing names it any more.
    QString secretFile;
    QList<AlertChannel> all;
    if (!channels(&all, error))
        return false;
    for (const AlertChannel &c : std::as_const(all))
        if (c.id == id)
            secretFile = c.setting(SecretFile::SettingKey);

    QSqlQuery q(m_db);
    if (!runStatement(q, Statements::BeginImmediate))
        return failed(q, error);
    QSqlQuery del(m_db);
    if (runStatement(del, Statements::DeleteAlertOutboxOfChannel, {id})
        && runStatement(del, Statements::DeleteAlertChannel, {id})) {
        QSqlQuery commit(m_db);
        if (runStatement(commit, Statements::Commit)) {
            if (SecretFile::isOwnFile(secretFile))
                QFile::remove(secretFile);
            return true;
        }
        failed(commit, error);
    } else {
        failed(del, error);
    }
    QSqlQuery undo(m_db);
    runStatement(undo, Statements::Rollback);
    return false;
}

bool AlertStore::moveSecretsOut(QStringList *moved, QString *error)
{
    QList<AlertChannel> list;
    if (!channels(&list, error))
        return false;
    const bool file = Database::dialectOf(m_db) == Statements::Dialect::Sqlite;
    for (AlertChannel c : std::as_const(list)) {
        if (c.secret.isEmpty())
            continue;
        if (file) {
            // The row is rewritten without its secret; the space it leaves
            // is zeroed rather than left for anyone reading the file raw.
            QSqlQuery pragma(m_db);
            runStatement(pragma, Statements::SecureDeleteOn);
        }
        QSqlQuery begin(m_db);
        if (!runStatement(begin, Statements::BeginImmediate))
            return failed(begin, error);
        // The row again inside the transaction: another program may have
        // changed the channel since.
        AlertChannel current;
        QString readError;
        if (!channel(c.name, &current, &readError) || current.secret.isEmpty()) {
            QSqlQuery undo(m_db);
            runStatement(undo, Statements::Rollback);
            if (!readError.isEmpty()) {
                if (error)
                    *error = readError;
                return false;
            }
            continue;
        }
        if (!updateChannel(current, error)) {
            QSqlQuery undo(m_db);
            runStatement(undo, Statements::Rollback);
            return false;
        }
        QSqlQuery commit(m_db);
        if (!runStatement(commit, Statements::Commit)) {
            failed(commit, error);
            QSqlQuery undo(m_db);
            runStatement(undo, Statements::Rollback);
            return false;
        }
        if (moved)
            moved->append(c.name);
    }
    return true;
}

bool AlertStore::enqueue(qint64 channelId, const AlertMessage &message, const QDateTime &now, QString *error)
{
    QSqlQuery q(m_db);
    const QString stamp = DateTimeText::fromDateTime(now);
    if (!runStatement(q, Statements::InsertAlertOutbox,
                      {channelId, stamp, eventName(message.event), QString::fromUtf8(message.toJsonBytes()), stamp}))
        return failed(q, error);
    return true;
}

bool AlertStore::pending(QList<PendingMessage> *out, QString *error)
{
    QSqlQuery q(m_db);
    if (!runStatement(q, Statements::SelectAlertOutbox))
        return failed(q, error);
    out->clear();
    while (q.next()) {
        PendingMessage p;
        p.id = q.value(0).toLongLong();
        p.channelId = q.value(1).toLongLong();
        p.created = DateTimeText::fromVariant(q.value(2));
        p.event = q.value(3).toString();
        p.payload = q.value(4).toString().toUtf8();
        p.attempts = q.value(5).toInt();
        p.nextTry = DateTimeText::fromVariant(q.value(6));
        out->append(p);
    }
    return true;
}

bool AlertStore::reschedule(qint64 id, int attempts, const QDateTime &nextTry, QString *error)
{
    QSqlQuery q(m_db);
    if (!runStatement(q, Statements::UpdateAlertOutboxRetry, {attempts, DateTimeText::fromDateTime(nextTry), id}))
        return failed(q, error);
    return true;
}

bool AlertStore::removePending(qint64 id, QString *error)
{
    QSqlQuery q(m_db);
    if (!runStatement(q, Statements::DeleteAlertOutbox, {id}))
        return failed(q, error);
    return true;
}

bool AlertStore::log(const DeliveryEntry &e, QString *error)
{
    QSqlQuery q(m_db);
    // The column holds no NULL: an outcome with nothing to say is an empty text.
    const QString detail = e.detail.isNull() ? QStringLiteral("") : e.detail;
    if (!runStatement(q, Statements::InsertAlertDelivery,
                      {DateTimeText::fromDateTime(e.at), e.channel, e.event, e.outcome, detail}))
        return failed(q, error);
    return true;
}

bool AlertStore::deliveries(int limit, QList<DeliveryEntry> *out, QString *error)
{
    QSqlQuery q(m_db);
    if (!runStatement(q, Statements::SelectAlertDeliveries, {limit}))
        return failed(q, error);
    out->clear();
    while (q.next()) {
        DeliveryEntry e;
        e.at = DateTimeText::fromVariant(q.value(0));
        e.channel = q.value(1).toString();
        e.event = q.value(2).toString();
        e.outcome = q.value(3).toString();
        e.detail = q.value(4).toString();
        out->append(e);
    }
    return true;
}

QDateTime AlertStore::lastClosedBegin(const QString &ip)
{
    QSqlQuery q(m_db);
    if (!runStatement(q, Statements::SelectLastClosedOutageOfAddress, {ip}) || !q.next())
        return {};
    return DateTimeText::fromVariant(q.value(0));
}

bool AlertStore::openOutages(QList<HostChange> *out, QString *error)
{
    QSqlQuery q(m_db);
    if (!runStatement(q, Statements::SelectOpenOutagesForReport))
        return failed(q, error);
    out->clear();
    while (q.next()) {
        HostChange h;
        h.event = Event::Down;
        h.begin = DateTimeText::fromVariant(q.value(0));
        h.address = q.value(1).toString();
        h.description = q.value(2).toString();
        out->append(h);
    }
    return true;
}

} // namespace alerts
