#include "FakeTray.h"

namespace monitor {

FakeTray::FakeTray(bool available, QObject *parent)
    : TrayIcon(parent)
    , m_available(available)
{
}

void FakeTray::showIcon(const QIcon &newIcon, const QString &newToolTip)
{
    ++shows;
    icon = newIcon;
    toolTip = newToolTip;
    m_visible = true;
}

} // namespace monitor
