#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

namespace admin {

// Everything the admin asks the operator in a window of the platform's own:
// message boxes, the sound-file chooser and the open-with choice. Tests put
// a fake in its place that answers in advance and records what was asked.
class OperatorPrompts
{
public:
    virtual ~OperatorPrompts() = default;

    // A modal message box; returns the button pressed.
    virtual QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                                const QString &text,
                                                QMessageBox::StandardButtons buttons = QMessageBox::Ok) = 0;
    // An existing file to open; empty when the operator cancels.
    virtual QString openFileName(QWidget *parent, const QString &directory, const QString &filter) = 0;
    // A file to write, `suggested` offered first; empty when the operator cancels.
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &suggested,
                                 const QString &filter) = 0;
    // A program for `filePath`: the program and its arguments (the file
    // included); empty when the operator cancels.
    virtual QStringList chooseProgram(QWidget *parent, const QString &filePath) = 0;
};

} // namespace admin
