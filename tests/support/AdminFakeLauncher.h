#pragma once

#include "ProgramLauncher.h"

#include <QList>
#include <QStringList>

namespace admin {

// Records what the admin would open or start instead of starting it.
class AdminFakeLauncher final : public ProgramLauncher
{
public:
    // Whether the desktop "has" an application for the database file.
    bool associated = true;
    // When not empty, every start fails with this text.
    QString startError;

    QStringList openedFiles;
    QList<QStringList> started; // program first, then its arguments

    bool openWithAssociatedApplication(const QString &filePath) override
    {
        if (!associated)
            return false;
        openedFiles.append(filePath);
        return true;
    }

    bool startDetached(const QString &program, const QStringList &arguments, QString *error) override
    {
        if (!startError.isEmpty()) {
            *error = startError;
            return false;
        }
        started.append(QStringList{program} + arguments);
        return true;
    }
};

} // namespace admin
