#include "WidgetPrompts.h"

#include "Headless.h"
#include "OpenWithDialog.h"

#include <QFileDialog>

namespace admin {

QMessageBox::StandardButton WidgetPrompts::message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                                   const QString &text, QMessageBox::StandardButtons buttons)
{
    // Every message also goes to stderr, where a session log or a terminal
    // keeps it; without a display it goes there alone, answered as Enter would.
    Headless::toStderr(title, text);
    if (Headless::active())
        return Headless::defaultAnswer(buttons);
    QMessageBox box(icon, title, text, buttons, parent);
    return QMessageBox::StandardButton(box.exec());
}

QString WidgetPrompts::openFileName(QWidget *parent, const QString &directory, const QString &filter)
{
    if (Headless::active())
        return {};
    return QFileDialog::getOpenFileName(parent, QString(), directory, filter);
}

QString WidgetPrompts::saveFileName(QWidget *parent, const QString &title, const QString &suggested,
                                   const QString &filter)
{
    if (Headless::active())
        return {};
    // Qt's own dialog, not the desktop's: its buttons and labels come from
    // Qt's Russian translation like every other prompt of the admin.
    QFileDialog dialog(parent, title, suggested, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QStringList WidgetPrompts::chooseProgram(QWidget *parent, const QString &filePath)
{
    if (Headless::active())
        return {};
    OpenWithDialog dialog(filePath, parent);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.command();
}

} // namespace admin
