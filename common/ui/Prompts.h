#pragma once

#include <QColor>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

// Everything a program asks the operator in a window of the platform's own:
// message boxes, questions, file and colour choices and the open-with
// choice. The windows reach them only through this class, handed to each
// main window by main(), so that a test can answer them in advance and see
// what was asked instead of blocking on a modal dialog.
class Prompts
{
public:
    Prompts() = default;
    virtual ~Prompts();
    Prompts(const Prompts &) = delete;
    Prompts &operator=(const Prompts &) = delete;

    // Modal: returns the button the operator chose.
    virtual QMessageBox::StandardButton ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                            const QString &text,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) = 0;
    // Non-modal: shown and left to the operator; the caller goes on at once.
    virtual void notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text) = 0;
    // An existing file to open; empty when the operator cancels.
    virtual QString openFileName(QWidget *parent, const QString &directory, const QString &filter) = 0;
    // A file to write; empty when the operator cancels. `suggested` is a
    // directory or a file name offered first; `defaultSuffix` is added to a
    // name typed without one. `filter` is a Qt name filter ("bmp (*.bmp)").
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &suggested,
                                 const QString &filter, const QString &defaultSuffix) = 0;
    // An invalid colour when the operator cancels.
    virtual QColor chooseColor(QWidget *parent, const QColor &initial) = 0;
    // A program for `filePath`: the program and its arguments (the file
    // included); empty when the operator cancels or no choice is offered.
    virtual QStringList chooseProgram(QWidget *parent, const QString &filePath) = 0;
};
