#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

class QMenu;

namespace monitor {

// The notification-area icon of the monitor, behind an interface so that a
// test without a tray host can watch what the window does with it.
class TrayIcon : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayIcon)

public:
    explicit TrayIcon(QObject *parent = nullptr);
    ~TrayIcon() override;

    // Whether the desktop has a notification area at all.
    virtual bool isAvailable() const = 0;
    // Shows the icon; showing it again while shown keeps the one icon.
    virtual void showIcon(const QIcon &icon, const QString &toolTip) = 0;
    virtual void hideIcon() = 0;
    virtual bool isIconVisible() const = 0;
    // The pop-up menu that a right-button action on the icon opens.
    virtual void setContextMenu(QMenu *menu) = 0;

signals:
    // Trigger: the icon was activated with the left button.
    void activated(QSystemTrayIcon::ActivationReason reason);
};

} // namespace monitor
