#pragma once

#include "WidgetPrompts.h"

namespace admin {

// The admin's real prompts: the shared ones plus its open-with choice for a
// file that no application is associated with.
class AdminPrompts final : public WidgetPrompts
{
public:
    AdminPrompts() : WidgetPrompts(EchoEveryMessage | QtSaveDialog) {}

    QStringList chooseProgram(QWidget *parent, const QString &filePath) override;
};

} // namespace admin
