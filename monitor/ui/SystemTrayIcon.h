#pragma once

#include "TrayIcon.h"

namespace monitor {

// The desktop's notification area through QSystemTrayIcon.
class SystemTrayIcon final : public TrayIcon
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SystemTrayIcon)

public:
    explicit SystemTrayIcon(QObject *parent = nullptr);
    ~SystemTrayIcon() override;

    bool isAvailable() const override;
    void showIcon(const QIcon &icon, const QString &toolTip) override;
    void hideIcon() override;
    bool isIconVisible() const override;
    void setContextMenu(QMenu *menu) override;

private:
    QSystemTrayIcon *m_icon;
};

} // namespace monitor
