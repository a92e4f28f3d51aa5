#pragma once

#include "Prompts.h"

// The real prompts: QMessageBox, QFileDialog and QColorDialog. On the
// offscreen platform no dialog could be seen or answered: a message goes to
// stderr and is answered as Enter would, a choice is cancelled.
class WidgetPrompts : public Prompts
{
public:
    enum Option {
        NoOption = 0,
        // Every message also goes to stderr, where a session log or a
        // terminal keeps it, not only when there is no display.
        EchoEveryMessage = 0x1,
        // Qt's own save dialog rather than the desktop's, so its buttons
        // and labels come from Qt's translations like every other prompt.
        QtSaveDialog = 0x2,
    };
    Q_DECLARE_FLAGS(Options, Option)

    explicit WidgetPrompts(Options options = NoOption) : m_options(options) {}

    QMessageBox::StandardButton ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                    const QString &text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) override;
    void notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text) override;
    QString openFileName(QWidget *parent, const QString &directory, const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &suggested, const QString &filter,
                         const QString &defaultSuffix) override;
    QColor chooseColor(QWidget *parent, const QColor &initial) override;
    // No choice of its own: a program that offers one overrides this.
    QStringList chooseProgram(QWidget *parent, const QString &filePath) override;

private:
    Options m_options;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(WidgetPrompts::Options)
