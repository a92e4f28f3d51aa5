#include "GrapherDialogs.h"

#include "Headless.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace grapher {

void GrapherDialogs::information(QWidget *parent, const QString &title, const QString &text)
{
    // Every message also goes to stderr; without a display, there alone.
    Headless::toStderr(title, text);
    if (!Headless::active())
        QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

void GrapherDialogs::warning(QWidget *parent, const QString &title, const QString &text)
{
    Headless::toStderr(title, text);
    if (!Headless::active())
        QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

QColor GrapherDialogs::chooseColor(QWidget *parent, const QColor &initial)
{
    if (Headless::active())
        return {};
    return QColorDialog::getColor(initial, parent);
}

QString GrapherDialogs::saveFileName(QWidget *parent, const QString &directory, const QString &filter,
                                     const QString &defaultSuffix)
{
    if (Headless::active())
        return {};
    QFileDialog dialog(parent, QString(), directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace grapher
