#pragma once

#include "OperatorPrompts.h"

namespace admin {

// The real prompts: QMessageBox, QFileDialog and OpenWithDialog.
class WidgetPrompts final : public OperatorPrompts
{
public:
    QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                        const QString &text, QMessageBox::StandardButtons buttons) override;
    QString openFileName(QWidget *parent, const QString &directory, const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &suggested,
                         const QString &filter) override;
    QStringList chooseProgram(QWidget *parent, const QString &filePath) override;
};

} // namespace admin
