#include "ServerSession.h"

#include "MonitorLock.h"
#include "VantageLock.h"
#include "VantageRecords.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTcpSocket>
#include <QTimer>

namespace monitor {

namespace {

// Qt forgets the socket's path once connecting failed.
const char *const SocketPathProperty = "orvantSocketPath";

// Qt calls a socket file that is not there an invalid name.
QString knockError(QIODevice *device)
{
    if (auto *local = qobject_cast<QLocalSocket *>(device)) {
        switch (local->error()) {
        case QLocalSocket::ServerNotFoundError:
            return QCoreApplication::translate("monitor::ServerSession", "нет сокета %1 (сервер не запущен?)")
                .arg(local->property(SocketPathProperty).toString());
        case QLocalSocket::ConnectionRefusedError:
            return QCoreApplication::translate("monitor::ServerSession", "сервер не принимает подключения на сокете %1")
                .arg(local->property(SocketPathProperty).toString());
        default:
            break;
        }
    }
    return device->errorString();
}

// The driver's text comes over several lines with libpq's advice in them.
QString oneLine(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.simplified();
}

} // namespace

ServerSession::ServerSession(const DatabaseConfig &config, const Database::Options &options,
                             const QString &connectionName, QObject *parent)
    : QObject(parent)
    , m_config(config)
    , m_options(options)
    , m_connectionName(connectionName)
    , m_sessionName(MonitorLock::sessionNameOfThisProcess())
    , m_knockTimeout(new QTimer(this))
{
    m_knockTimeout->setSingleShot(true);
    m_knockTimeout->setInterval(KnockTimeoutMs);
    connect(m_knockTimeout, &QTimer::timeout, this, &ServerSession::onKnockFailed);
}

ServerSession::~ServerSession()
{
    endKnock();
}

ServerSession::OpenResult ServerSession::open(QString *text)
{
    QString error;
    m_warning.clear();
    if (!Database::open(m_config, m_options, &error, m_connectionName, &m_warning)) {
        m_state = State::Closed;
        ++m_failedOpens;
        m_sinceFailedOpen.start();
        if (text)
            *text = error;
        return OpenResult::Failed;
    }
    m_failedOpens = 0;
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    QString holder;
    MonitorLock::Result result = MonitorLock::Result::Failed;
    m_heldByOwn = false;
    if (MonitorLock::nameSession(db, m_sessionName, &error))
        result = m_config.isVantage() ? takeVantage(db, &holder, &error)
                                      : MonitorLock::take(db, m_sessionName, &holder, &error, &m_heldByOwn);
    switch (result) {
    case MonitorLock::Result::Taken:
        m_state = State::Connected;
        return OpenResult::Opened;
    case MonitorLock::Result::HeldByOther:
        // Closed, so that nothing of this monitor reaches the database
        // another one owns.
        db.close();
        m_state = State::HeldByOther;
        if (text)
            *text = holder;
        return OpenResult::HeldByOther;
    case MonitorLock::Result::Failed:
        break;
    }
    db.close();
    m_state = State::Closed;
    if (text)
        *text = tr("Не удалось занять базу данных %1 для монитора: %2").arg(m_config.describe(), error);
    return OpenResult::Failed;
}

// A vantage point shares the database with the other vantages: it takes
// the shared lock and (re)registers its row, whose heartbeats its passes
// then renew. A plain monitor or a running vantage of the same name keeps
// it off, as a plain monitor is kept off by another.
MonitorLock::Result ServerSession::takeVantage(QSqlDatabase db, QString *holder, QString *error)
{
    switch (VantageLock::take(db, m_config.vantageName(), m_sessionName, holder, error)) {
    case VantageLock::Result::Taken:
        break;
    case VantageLock::Result::HeldByMonitor:
    case VantageLock::Result::NameInUse:
        return MonitorLock::Result::HeldByOther;
    case VantageLock::Result::Failed:
        return MonitorLock::Result::Failed;
    }
    if (!VantageRecords::registerVantage(db, m_config.vantageName(), 0, m_sessionName, error))
        return MonitorLock::Result::Failed;
    return MonitorLock::Result::Taken;
}

void ServerSession::close()
{
    endKnock();
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::database(m_connectionName, false).close();
    m_state = State::Closed;
}

bool ServerSession::usable() const
{
    return m_state == State::Connected && QSqlDatabase::database(m_connectionName, false).isOpen();
}

bool ServerSession::lost(const QSqlError &error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    // The driver closes the connection itself when libpq finds it broken.
    if (db.isOpen() && !Database::isConnectionLost(error, db))
        return false;
    db.close();
    const bool wasConnected = m_state == State::Connected;
    m_state = State::Closed;
    if (wasConnected)
        emit connectionLost(oneLine(error));
    return true;
}

void ServerSession::tick()
{
    // Any statement on the connection (the report window's, the settings')
    // may be the one that finds it broken; the driver then closes it
    // without telling us.
    if (m_state == State::Connected && !QSqlDatabase::database(m_connectionName, false).isOpen()) {
        m_state = State::Closed;
        emit connectionLost(tr("соединение закрыто"));
    }
    if (m_state == State::Connected || m_knock)
        return;
    if (m_failedOpens > 0 && m_sinceFailedOpen.isValid()
        && m_sinceFailedOpen.elapsed() < retryDelayMs(m_failedOpens))
        return;
    knock();
}

int ServerSession::retryDelayMs(int failedOpens)
{
    if (failedOpens <= 0)
        return 0;
    if (failedOpens > 7)
        return MaxRetryDelayMs;
    return qMin(1000 << (failedOpens - 1), MaxRetryDelayMs);
}

QIODevice *ServerSession::makeKnockSocket()
{
    const QString host = m_config.host();
    const int port = m_config.port() > 0 ? m_config.port() : 5432;
    if (host.contains(QLatin1Char(',')))
        return nullptr;
    if (host.isEmpty() || host.startsWith(QLatin1Char('/'))) {
        auto *socket = new QLocalSocket(this);
        const QString directory = host.isEmpty() ? QStringLiteral("/var/run/postgresql") : host;
        const QString path = QStringLiteral("%1/.s.PGSQL.%2").arg(directory).arg(port);
        socket->setServerName(path);
        socket->setProperty(SocketPathProperty, path);
        return socket;
    }
    return new QTcpSocket(this);
}

// libpq's connect timeout has a floor of two seconds, far too long for the
// UI thread: a socket of our own, asynchronous, finds out first whether
// anything listens where the server should be.
void ServerSession::knock()
{
    QIODevice *device = makeKnockSocket();
    if (!device) {
        onKnockAnswered();
        return;
    }
    m_knock = device;
    m_knockTimeout->start();
    if (auto *local = qobject_cast<QLocalSocket *>(device)) {
        connect(local, &QLocalSocket::connected, this, &ServerSession::onKnockAnswered);
        connect(local, &QLocalSocket::errorOccurred, this, &ServerSession::onKnockFailed);
        local->connectToServer();
    } else if (auto *tcp = qobject_cast<QTcpSocket *>(device)) {
        connect(tcp, &QTcpSocket::connected, this, &ServerSession::onKnockAnswered);
        connect(tcp, &QTcpSocket::errorOccurred, this, &ServerSession::onKnockFailed);
        tcp->connectToHost(m_config.host(), quint16(m_config.port() > 0 ? m_config.port() : 5432));
    }
}

ServerSession::OpenResult ServerSession::openAtStart(QString *text)
{
    QIODevice *device = makeKnockSocket();
    bool answered = true;
    if (auto *local = qobject_cast<QLocalSocket *>(device)) {
        local->connectToServer();
        answered = local->waitForConnected(KnockTimeoutMs);
    } else if (auto *tcp = qobject_cast<QTcpSocket *>(device)) {
        tcp->connectToHost(m_config.host(), quint16(m_config.port() > 0 ? m_config.port() : 5432));
        answered = tcp->waitForConnected(KnockTimeoutMs);
    }
    const QString why = device ? knockError(device) : QString();
    delete device;
    if (!answered) {
        m_state = State::Closed;
        if (text)
            *text = tr("Не удалось подключиться к серверу базы данных %1: %2").arg(m_config.describe(), why);
        return OpenResult::Failed;
    }
    return open(text);
}

void ServerSession::endKnock()
{
    m_knockTimeout->stop();
    if (m_knock) {
        QIODevice *socket = m_knock;
        m_knock.clear();
        socket->disconnect(this);
        if (auto *local = qobject_cast<QLocalSocket *>(socket))
            local->abort();
        else if (auto *tcp = qobject_cast<QTcpSocket *>(socket))
            tcp->abort();
        socket->deleteLater();
    }
}

void ServerSession::onKnockFailed()
{
    // The timer still runs when the socket itself failed (refused, no such
    // socket); it has fired when nothing answered at all.
    QString why = tr("нет ответа за %1 мс").arg(KnockTimeoutMs);
    if (m_knock && m_knockTimeout->isActive())
        why = knockError(m_knock);
    endKnock();
    emit reconnectFailed(tr("Не удалось подключиться к серверу базы данных %1: %2").arg(m_config.describe(), why));
}

void ServerSession::onKnockAnswered()
{
    endKnock();
    QString text;
    switch (open(&text)) {
    case OpenResult::Opened:
        emit reconnected();
        break;
    case OpenResult::HeldByOther:
        emit heldByOther(text, m_heldByOwn);
        break;
    case OpenResult::Failed:
        emit reconnectFailed(text);
        break;
    }
}

} // namespace monitor
