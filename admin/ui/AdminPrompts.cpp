#include "AdminPrompts.h"

#include "Headless.h"
#include "OpenWithDialog.h"

namespace admin {

QStringList AdminPrompts::chooseProgram(QWidget *parent, const QString &filePath)
{
    if (Headless::active())
        return {};
    OpenWithDialog dialog(filePath, parent);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.command();
}

} // namespace admin
