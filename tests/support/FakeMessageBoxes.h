#pragma once

#include "MessageBoxes.h"

#include <QList>

#include <functional>

namespace monitor {

// Message boxes answered in advance. Each modal box takes the next queued
// answer; with none queued it takes its default button (else its first).
class FakeMessageBoxes final : public MessageBoxes
{
public:
    struct Box
    {
        bool modal;
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
        QMessageBox::StandardButton answer;
    };

    QMessageBox::StandardButton ask(QWidget *, QMessageBox::Icon icon, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) override
    {
        // What happens while the operator reads (a pass, for instance).
        // A copy: the hook may replace itself.
        if (whileOpen) {
            const std::function<void()> hook = whileOpen;
            hook();
        }
        QMessageBox::StandardButton answer = defaultButton;
        if (!answers.isEmpty()) {
            answer = answers.takeFirst();
        } else if (answer == QMessageBox::NoButton) {
            for (int b = QMessageBox::FirstButton; b <= QMessageBox::LastButton; b <<= 1) {
                if (buttons & b) {
                    answer = QMessageBox::StandardButton(b);
                    break;
                }
            }
        }
        boxes << Box{true, icon, title, text, buttons, defaultButton, answer};
        return answer;
    }

    void notify(QWidget *, QMessageBox::Icon icon, const QString &title, const QString &text) override
    {
        boxes << Box{false, icon, title, text, QMessageBox::Ok, QMessageBox::NoButton, QMessageBox::NoButton};
    }

    QList<QMessageBox::StandardButton> answers;
    std::function<void()> whileOpen;
    QList<Box> boxes;
};

} // namespace monitor
