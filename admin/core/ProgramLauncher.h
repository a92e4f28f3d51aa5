#pragma once

#include <QString>
#include <QStringList>

namespace admin {

// Starts other programs: the monitor, and the application for the database
// file. Tests put a fake in its place that records what would be started.
class ProgramLauncher
{
public:
    virtual ~ProgramLauncher() = default;

    // Opens the file in the application the desktop associates with its
    // type. False when no application is associated (or none could be
    // asked), so the caller can offer a choice of its own.
    virtual bool openWithAssociatedApplication(const QString &filePath) = 0;
    // Starts a program that lives on by itself; the admin does not wait for it.
    virtual bool startDetached(const QString &program, const QStringList &arguments, QString *error) = 0;
};

} // namespace admin
