#pragma once

#include "OperatorPrompts.h"

#include <QList>
#include <QStringList>

namespace admin {

// Answers the admin's questions in advance and records what was asked.
// Message boxes are answered from `answers` in order, then with the first
// button offered (Ok where there is one); file and program choices from
// their own queues, then as cancelled.
class AdminFakePrompts final : public OperatorPrompts
{
public:
    struct Message
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
    };

    QList<Message> messages;
    QList<QMessageBox::StandardButton> answers;
    QStringList fileAnswers;
    QStringList fileFilters;
    QStringList saveAnswers;
    QStringList saveSuggestions;
    QList<QStringList> programAnswers;
    QStringList programFiles;

    QMessageBox::StandardButton message(QWidget *, QMessageBox::Icon icon, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons) override
    {
        messages.append({icon, title, text, buttons});
        if (!answers.isEmpty())
            return answers.takeFirst();
        if (buttons.testFlag(QMessageBox::Ok))
            return QMessageBox::Ok;
        for (int bit = 0; bit < 32; ++bit) {
            if (buttons & (1u << bit))
                return QMessageBox::StandardButton(1u << bit);
        }
        return QMessageBox::NoButton;
    }

    QString openFileName(QWidget *, const QString &, const QString &filter) override
    {
        fileFilters.append(filter);
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }

    QString saveFileName(QWidget *, const QString &title, const QString &suggested, const QString &filter) override
    {
        saveSuggestions.append(title + QLatin1Char('|') + suggested + QLatin1Char('|') + filter);
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }

    QStringList chooseProgram(QWidget *, const QString &filePath) override
    {
        programFiles.append(filePath);
        return programAnswers.isEmpty() ? QStringList() : programAnswers.takeFirst();
    }

    // The text of every message shown, in order, then forgotten.
    QStringList takeTexts()
    {
        QStringList texts;
        for (const Message &m : std::as_const(messages))
            texts << m.text;
        messages.clear();
        return texts;
    }
};

} // namespace admin
