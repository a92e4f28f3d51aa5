#include "WidgetPrompts.h"

#include "OpenWithDialog.h"

#include <QFileDialog>

namespace admin {

QMessageBox::StandardButton WidgetPrompts::message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                                   const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, title, text, buttons, parent);
    return QMessageBox::StandardButton(box.exec());
}

QString WidgetPrompts::openFileName(QWidget *parent, const QString &directory, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, QString(), directory, filter);
}

QStringList WidgetPrompts::chooseProgram(QWidget *parent, const QString &filePath)
{
    OpenWithDialog dialog(filePath, parent);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.command();
}

} // namespace admin
