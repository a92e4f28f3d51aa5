#pragma once

#include "PassNotifier.h"

#include <QDBusConnection>
#include <QSet>
#include <QString>

class QDBusPendingCallWatcher;

namespace monitor {

// Pass notifications through the freedesktop notification service
// (org.freedesktop.Notifications) on the session bus.
//
// Every call is asynchronous: a missing or hung server costs the pass
// nothing. Each new outage notification replaces the previous one of this
// run, so a flapping host leaves one bubble, not a pile; it is withdrawn
// once every host it names is back, and at the program's end. Without a server,
// or when a call fails, stderr says so once per run and nothing else
// changes; later passes try again quietly, so a server started later works.
class DesktopNotifier final : public PassNotifier
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DesktopNotifier)

public:
    static constexpr char Service[] = "org.freedesktop.Notifications";
    static constexpr char Path[] = "/org/freedesktop/Notifications";
    static constexpr char Interface[] = "org.freedesktop.Notifications";
    // Named in every notification: the program's name, icon and desktop file.
    static constexpr char AppName[] = "Orvant";
    static constexpr char IconName[] = "orvant";
    static constexpr char DesktopEntry[] = "orvant";

    explicit DesktopNotifier(const QDBusConnection &bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);
    ~DesktopNotifier() override;

    void passEnded(const QList<NotifiedHost> &began, const QList<NotifiedHost> &ended) override;
    void hostsBack(const QStringList &ips) override;
    void flappingChanged(const QList<NotifiedHost> &started, const QList<NotifiedHost> &settled) override;
    // Waits a little (WithdrawWaitMs in all) for the answers: the program is ending.
    void withdrawAll() override;
    static constexpr int WithdrawWaitMs = 300;

    // The server's id of the last outage notification (0 before the first
    // reply): the next one replaces it.
    quint32 outageId() const { return m_outageId; }
    // True once a failure was written to stderr.
    bool failureReported() const { return m_failureReported; }

signals:
    // Each call's reply, for tests and diagnostics: ok, and the server's id.
    void replied(bool ok, quint32 id);

private slots:
    void onActionInvoked(uint id, const QString &actionKey);

private:
    struct Pending
    {
        NotificationText text;
        bool outage = false;
        bool critical = false;
        bool flapping = false;  // kept on screen until the end, then withdrawn
    };

    void askCapabilities();
    void send(const Pending &notification);
    void onNotifyReply(QDBusPendingCallWatcher *watcher, bool outage);
    void reportFailure(const QString &why);
    void close(quint32 id);

    QDBusConnection m_bus;
    quint32 m_outageId = 0;
    // The addresses the outage notification names that are not back yet.
    QSet<QString> m_outageHosts;
    QSet<quint32> m_flapIds;      // flapping notices still up, for the end
    QSet<quint32> m_ours;        // ids of this run's notifications: only their clicks count
    bool m_capabilitiesKnown = false;
    bool m_askingCapabilities = false;
    bool m_markup = false;       // the server reads markup in bodies
    QList<Pending> m_waiting;    // composed while the capabilities were asked for
    bool m_failureReported = false;
};

} // namespace monitor
