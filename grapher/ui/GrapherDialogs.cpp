#include "GrapherDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace grapher {

void GrapherDialogs::information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

void GrapherDialogs::warning(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

QColor GrapherDialogs::chooseColor(QWidget *parent, const QColor &initial)
{
    return QColorDialog::getColor(initial, parent);
}

QString GrapherDialogs::saveFileName(QWidget *parent, const QString &directory, const QString &filter,
                                     const QString &defaultSuffix)
{
    QFileDialog dialog(parent, QString(), directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace grapher
