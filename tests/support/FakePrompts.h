#pragma once

#include "Prompts.h"

#include <QList>
#include <QStringList>

#include <functional>

// Prompts answered in advance, with a record of what was asked.
// Each modal box takes the next queued answer; with none queued, its
// default button, else its first (as Enter would). File, colour and program
// choices take their own queues, then count as cancelled.
class FakePrompts final : public Prompts
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
    struct Save
    {
        QString title;
        QString suggested;
        QString filter;
        QString defaultSuffix;
    };

    QList<Box> boxes;
    QList<QMessageBox::StandardButton> answers;
    // What happens while the operator reads a modal box (a pass, say).
    std::function<void()> whileOpen;

    QStringList openAnswers;
    QStringList openFilters;
    QStringList saveAnswers;
    QList<Save> saves;
    QList<QColor> colors; // invalid = cancelled
    QList<QStringList> programAnswers;
    QStringList programFiles;

    QMessageBox::StandardButton ask(QWidget *, QMessageBox::Icon icon, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) override
    {
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

    QString openFileName(QWidget *, const QString &, const QString &filter) override
    {
        openFilters << filter;
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }

    QString saveFileName(QWidget *, const QString &title, const QString &suggested, const QString &filter,
                         const QString &defaultSuffix) override
    {
        saves << Save{title, suggested, filter, defaultSuffix};
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }

    QColor chooseColor(QWidget *, const QColor &) override { return colors.isEmpty() ? QColor() : colors.takeFirst(); }

    QStringList chooseProgram(QWidget *, const QString &filePath) override
    {
        programFiles << filePath;
        return programAnswers.isEmpty() ? QStringList() : programAnswers.takeFirst();
    }

    // The text of every box shown, in order, then forgotten.
    QStringList takeTexts()
    {
        QStringList texts;
        for (const Box &b : std::as_const(boxes))
            texts << b.text;
        boxes.clear();
        return texts;
    }
};
