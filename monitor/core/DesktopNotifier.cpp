#include "DesktopNotifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QTimer>
#include <QVariantMap>

#include <cstdio>
#include <utility>

namespace monitor {

namespace {

// Urgency levels of the notification hints.
constexpr uchar UrgencyNormal = 1;
constexpr uchar UrgencyCritical = 2;
// The server decides how long a bubble stays.
constexpr int ServerDefaultTimeout = -1;

QString text(const char *s)
{
    return QString::fromLatin1(s);
}

} // namespace

DesktopNotifier::DesktopNotifier(const QDBusConnection &bus, QObject *parent)
    : PassNotifier(parent)
    , m_bus(bus)
{
    if (m_bus.isConnected()) {
        // Any sender: the signal comes from the server's unique name.
        m_bus.connect(QString(), text(Path), text(Interface), QStringLiteral("ActionInvoked"), this,
                      SLOT(onActionInvoked(uint, QString)));
    }
}

DesktopNotifier::~DesktopNotifier() = default;

void DesktopNotifier::passEnded(const QList<NotifiedHost> &began, const QList<NotifiedHost> &ended)
{
    if (!began.isEmpty()) {
        m_waiting.append({NotificationTexts::outage(began), true, true});
        // It replaces the one before: what that one named is no longer shown.
        m_outageHosts.clear();
        for (const NotifiedHost &h : began)
            m_outageHosts.insert(h.ip);
    } else if (!ended.isEmpty() && !m_outageHosts.isEmpty()) {
        for (const NotifiedHost &h : ended)
            m_outageHosts.remove(h.ip);
        // Everything it told of is over: a critical bubble must not say otherwise.
        if (m_outageHosts.isEmpty() && m_outageId != 0) {
            close(m_outageId);
            m_outageId = 0;
        }
    }
    if (!ended.isEmpty())
        m_waiting.append({NotificationTexts::restored(ended), false, false});
    if (m_waiting.isEmpty())
        return;
    if (!m_bus.isConnected()) {
        m_waiting.clear();
        reportFailure(tr("нет сеансовой шины D-Bus (%1)").arg(m_bus.lastError().message()));
        return;
    }
    if (!m_capabilitiesKnown) {
        askCapabilities();
        return;
    }
    const QList<Pending> now = std::exchange(m_waiting, {});
    for (const Pending &p : now)
        send(p);
}

void DesktopNotifier::hostsBack(const QStringList &ips)
{
    if (m_outageHosts.isEmpty())
        return;
    for (const QString &ip : ips)
        m_outageHosts.remove(ip);
    // A host whose return rang nothing (muted meanwhile) still ends what the
    // critical bubble says of it.
    if (m_outageHosts.isEmpty() && m_outageId != 0) {
        close(m_outageId);
        m_outageId = 0;
    }
}

void DesktopNotifier::flappingChanged(const QList<NotifiedHost> &started, const QList<NotifiedHost> &settled)
{
    if (!started.isEmpty())
        m_waiting.append({NotificationTexts::flapping(started), false, false, true});
    if (!settled.isEmpty())
        m_waiting.append({NotificationTexts::settled(settled), false, false});
    // Sent with the pass's own notifications, or now when the pass had none.
    passEnded({}, {});
}

void DesktopNotifier::close(quint32 id)
{
    if (!m_bus.isConnected() || id == 0)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(text(Service), text(Path), text(Interface),
                                                       QStringLiteral("CloseNotification"));
    call << uint(id);
    // Nothing to do with the answer: a bubble the operator closed already is
    // no failure.
    m_bus.asyncCall(call);
}

void DesktopNotifier::withdrawAll()
{
    QSet<quint32> ids = m_flapIds;
    if (m_outageId != 0)
        ids.insert(m_outageId);
    m_flapIds.clear();
    m_outageId = 0;
    m_outageHosts.clear();
    if (!m_bus.isConnected() || ids.isEmpty())
        return;
    // All asked at once, and waited for together: a server that does not
    // answer costs the program's end WithdrawWaitMs, not that much per bubble.
    QEventLoop wait;
    int left = int(ids.size());
    for (const quint32 id : std::as_const(ids)) {
        QDBusMessage call = QDBusMessage::createMethodCall(text(Service), text(Path), text(Interface),
                                                           QStringLiteral("CloseNotification"));
        call << uint(id);
        auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), &wait);
        connect(watcher, &QDBusPendingCallWatcher::finished, &wait, [&left, &wait] {
            if (--left == 0)
                wait.quit();
        });
    }
    QTimer::singleShot(WithdrawWaitMs, &wait, &QEventLoop::quit);
    wait.exec();
}

void DesktopNotifier::askCapabilities()
{
    if (m_askingCapabilities)
        return;
    m_askingCapabilities = true;
    const QDBusMessage call = QDBusMessage::createMethodCall(text(Service), text(Path), text(Interface),
                                                             QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        m_askingCapabilities = false;
        const QDBusPendingReply<QStringList> reply = *w;
        const QList<Pending> now = std::exchange(m_waiting, {});
        if (reply.isError()) {
            // No server, or one that does not answer: these notifications
            // are dropped; the next pass asks again.
            reportFailure(reply.error().name() + QStringLiteral(": ") + reply.error().message());
            return;
        }
        m_capabilitiesKnown = true;
        m_markup = reply.value().contains(QStringLiteral("body-markup"));
        for (const Pending &p : now)
            send(p);
    });
}

void DesktopNotifier::send(const Pending &notification)
{
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue<uchar>(notification.critical ? UrgencyCritical : UrgencyNormal));
    hints.insert(QStringLiteral("desktop-entry"), text(DesktopEntry));
    const QString body = m_markup ? NotificationTexts::escapedForMarkup(notification.text.body)
                                  : notification.text.body;
    const QStringList actions = {QStringLiteral("default"),
                                 QCoreApplication::translate("monitor::DesktopNotifier", "Открыть")};

    QDBusMessage call = QDBusMessage::createMethodCall(text(Service), text(Path), text(Interface),
                                                       QStringLiteral("Notify"));
    call << text(AppName) << uint(notification.outage ? m_outageId : 0) << text(IconName)
         << notification.text.summary << body << actions << hints << ServerDefaultTimeout;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    const bool outage = notification.outage;
    const bool notice = notification.flapping;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, outage, notice](QDBusPendingCallWatcher *w) {
                const QDBusPendingReply<uint> reply = *w;
                if (notice && !reply.isError())
                    m_flapIds.insert(reply.value());
                onNotifyReply(w, outage);
            });
}

void DesktopNotifier::onNotifyReply(QDBusPendingCallWatcher *watcher, bool outage)
{
    watcher->deleteLater();
    const QDBusPendingReply<uint> reply = *watcher;
    if (reply.isError()) {
        reportFailure(reply.error().name() + QStringLiteral(": ") + reply.error().message());
        // A server that went away may come back as another process whose ids
        // start afresh: ask it anew.
        m_capabilitiesKnown = false;
        emit replied(false, 0);
        return;
    }
    const quint32 id = reply.value();
    m_ours.insert(id);
    if (outage)
        m_outageId = id;
    emit replied(true, id);
}

void DesktopNotifier::onActionInvoked(uint id, const QString &actionKey)
{
    if (actionKey == QLatin1String("default") && m_ours.contains(id))
        emit openRequested();
}

void DesktopNotifier::reportFailure(const QString &why)
{
    if (m_failureReported)
        return;
    m_failureReported = true;
    std::fprintf(stderr, "orvant: %s\n", tr("уведомления рабочего стола недоступны: %1").arg(why).toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace monitor
