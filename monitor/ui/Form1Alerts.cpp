// The main window's part in the alerts: which alarms of a pass are given,
// the reasons of the quiet ones on their event lines, mutes from the event
// list, and the tray icon that shows an open outage.
#include "Form1.h"

#include "Clock.h"
#include "EventListModel.h"
#include "FormatGrid.h"
#include "MonitorSession.h"
#include "PassNotifier.h"
#include "HostState.h"
#include "PollingEngine.h"
#include "ProgramIcon.h"
#include "SoundPlayer.h"
#include "TrayIcon.h"

#include <QMenu>

namespace monitor {

namespace {

constexpr int AddressColumn = 3;

} // namespace

void Form1::alarmsOfPass(const PassReport &report)
{
    bool soundOutage = false;
    bool soundReturn = false;
    for (const OutageChange &c : report.changes) {
        if (c.alarm == OutageChange::Alarm::Held) {
            // The quiet lines say why on their tips; the pass's own lines are
            // the newest, on top (notices may lie among them).
            m_events->noteLine(c.ip, c.kind == OutageChange::Began ? EventListModel::Kind::OutageBegan
                                                                    : EventListModel::Kind::OutageEnded,
                               tr("Без сигнала: %1").arg(c.reasonText), m_passLines + 50);
        } else if (c.alarm == OutageChange::Alarm::AtPassEnd) {
            (c.kind == OutageChange::Began ? soundOutage : soundReturn) = true;
        }
    }
    if (!report.late.isEmpty())
        soundOutage = true;
    // Alarms given at the pass's end sound once for the pass, however many
    // there are.
    if (soundOutage) {
        soundOnce(true);
        if (m_session.showOnErr())
            changeStateForPass(WindowState::Shown);
    } else if (soundReturn) {
        soundOnce(false);
    }
    if (!m_services.notifier)
        return;
    // The restoration's notification tells how long the host was down,
    // unless the operator turned that off (notify.downtime=0).
    const bool tellDowntime = m_session.extraSettings().flag(QStringLiteral("notify.downtime"), true);
    const QList<NotifiedHost> began = report.ringing(OutageChange::Began, tellDowntime);
    const QList<NotifiedHost> ended = report.ringing(OutageChange::Ended, tellDowntime);
    if (!began.isEmpty() || !ended.isEmpty())
        m_services.notifier->passEnded(began, ended);
    // Every host back, quiet or not: a notification naming only hosts that
    // are back tells of nothing any more.
    QStringList back;
    for (const OutageChange &c : report.changes) {
        if (c.kind == OutageChange::Ended)
            back << c.ip;
    }
    if (!back.isEmpty())
        m_services.notifier->hostsBack(back);
    if (!report.startedFlapping.isEmpty() || !report.settled.isEmpty())
        m_services.notifier->flappingChanged(report.startedFlapping, report.settled);
}

void Form1::showMutes()
{
    if (m_report)
        m_report->setMutes(m_session.alerts().activeMutes(m_services.clock->now()));
}

QIcon Form1::trayIcon() const
{
    return m_session.hostState()->downCount() > 0 ? outageIcon() : windowIcon();
}

QString Form1::trayToolTip() const
{
    const int down = m_session.hostState()->downCount();
    if (down == 0)
        return QStringLiteral("Orvant");
    return QStringLiteral("Orvant\n") + tr("Нет соединения: %n адр.", nullptr, down);
}

void Form1::refreshTrayIcon()
{
    if (!m_services.tray->isIconVisible() || m_session.hostState()->downCount() == m_trayDown)
        return;
    m_trayDown = m_session.hostState()->downCount();
    m_services.tray->showIcon(trayIcon(), trayToolTip());
}

void Form1::addMuteActions(QMenu *menu, const QString &ip)
{
    const QDateTime now = m_services.clock->now();
    QMenu *sub = menu->addMenu(ip.isEmpty() ? tr("Отключить сигналы всех адресов")
                                            : tr("Отключить сигналы %1").arg(ip));
    sub->setObjectName(ip.isEmpty() ? QStringLiteral("mnuMuteAll") : QStringLiteral("mnuMute"));
    auto add = [&](const QString &text, const QDateTime &until) {
        connect(sub->addAction(text), &QAction::triggered, this, [this, ip, until] { m_session.muteHost(ip, until); });
    };
    add(tr("на 15 минут"), now.addSecs(15 * 60));
    add(tr("на 1 час"), now.addSecs(60 * 60));
    add(tr("на 4 часа"), now.addSecs(4 * 60 * 60));
    add(tr("до завтра 08:00"), AlertRecords::tomorrowMorning(now));
    add(tr("до включения"), QDateTime());
    for (const AlertRecords::Mute &m : m_session.alerts().activeMutes(now)) {
        if (m.ip != ip)
            continue;
        QAction *lift = menu->addAction(ip.isEmpty() ? tr("Включить сигналы всех адресов (отключены %1)")
                                                           .arg(AlertRecords::untilText(m))
                                                     : tr("Включить сигналы %1 (отключены %2)")
                                                           .arg(ip, AlertRecords::untilText(m)));
        lift->setObjectName(ip.isEmpty() ? QStringLiteral("mnuUnmuteAll") : QStringLiteral("mnuUnmute"));
        connect(lift, &QAction::triggered, this, [this, ip] { m_session.unmuteHost(ip); });
    }
}

void Form1::onEventListMenu(const QPoint &pos)
{
    QMenu menu(this);
    const QModelIndex index = m_fg->indexAt(pos);
    const QString ip = index.isValid() ? m_fg->text(index.row(), AddressColumn).trimmed() : QString();
    if (!ip.isEmpty())
        addMuteActions(&menu, ip);
    addMuteActions(&menu, QString());
    menu.exec(m_fg->viewport()->mapToGlobal(pos));
}

} // namespace monitor
