#pragma once

#include <QMessageBox>
#include <QString>

namespace monitor {

// The monitor's message boxes, behind an interface so that a test can answer
// them in advance instead of blocking on a modal dialog.
class MessageBoxes
{
public:
    MessageBoxes() = default;
    virtual ~MessageBoxes();
    MessageBoxes(const MessageBoxes &) = delete;
    MessageBoxes &operator=(const MessageBoxes &) = delete;

    // Modal: returns the button the operator chose.
    virtual QMessageBox::StandardButton ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                            const QString &text,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) = 0;
    // Non-modal: shown and left to the operator; the caller goes on at once.
    virtual void notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text) = 0;
};

} // namespace monitor
