#pragma once

#include "ProgramLauncher.h"

namespace admin {

// The real launcher: the desktop's file associations (xdg-mime, then
// QDesktopServices) and QProcess::startDetached.
class DesktopLauncher final : public ProgramLauncher
{
public:
    bool openWithAssociatedApplication(const QString &filePath) override;
    bool startDetached(const QString &program, const QStringList &arguments, QString *error) override;

    // Whether the desktop names an application for the file's type (or one
    // of the types it derives from).
    static bool hasAssociatedApplication(const QString &filePath);
};

} // namespace admin
