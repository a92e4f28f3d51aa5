#include "SystemTrayIcon.h"

#include <QMenu>

namespace monitor {

TrayIcon::TrayIcon(QObject *parent)
    : QObject(parent)
{
}

TrayIcon::~TrayIcon() = default;

SystemTrayIcon::SystemTrayIcon(QObject *parent)
    : TrayIcon(parent)
    , m_icon(new QSystemTrayIcon(this))
{
    connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::activated);
}

SystemTrayIcon::~SystemTrayIcon()
{
    m_icon->hide();
}

bool SystemTrayIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayIcon::showIcon(const QIcon &icon, const QString &toolTip)
{
    m_icon->setIcon(icon);
    m_icon->setToolTip(toolTip);
    m_icon->show();
}

void SystemTrayIcon::hideIcon()
{
    m_icon->hide();
}

bool SystemTrayIcon::isIconVisible() const
{
    return m_icon->isVisible();
}

void SystemTrayIcon::setContextMenu(QMenu *menu)
{
    // The platform opens it on the right button (under an XEmbed tray as
    // under a StatusNotifier host), so the window need not.
    m_icon->setContextMenu(menu);
}

} // namespace monitor
