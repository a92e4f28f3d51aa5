#pragma once

#include "TrayIcon.h"

namespace monitor {

// A notification area that only records: whether the icon shows, how often
// it was put up, and the pop-up menu it would open on the right button.
class FakeTray final : public TrayIcon
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeTray)

public:
    explicit FakeTray(bool available = true, QObject *parent = nullptr);

    bool isAvailable() const override { return m_available; }
    void showIcon(const QIcon &icon, const QString &toolTip) override;
    void hideIcon() override { m_visible = false; }
    bool isIconVisible() const override { return m_visible; }
    void setContextMenu(QMenu *menu) override { m_menu = menu; }

    void setAvailable(bool available) { m_available = available; }
    QMenu *contextMenu() const { return m_menu; }
    // The operator's action on the icon.
    void activate(QSystemTrayIcon::ActivationReason reason) { emit activated(reason); }

    int shows = 0;
    QString toolTip;
    QIcon icon;

private:
    bool m_available;
    bool m_visible = false;
    QMenu *m_menu = nullptr;
};

} // namespace monitor
