#pragma once

#include "MessageBoxes.h"

namespace monitor {

// Real QMessageBox dialogs.
class WidgetMessageBoxes final : public MessageBoxes
{
public:
    QMessageBox::StandardButton ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                    const QString &text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) override;
    void notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text) override;
};

} // namespace monitor
