#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace admin {

// An application as the desktop lists it in a .desktop file: what the
// open-with choice needs of it.
class DesktopEntry
{
public:
    QString name;
    QString exec;

    // Reads a .desktop file; false for files that are not a shown application.
    static bool read(const QString &path, DesktopEntry *entry, const QString &language = QString());
    // Every shown application of the desktop's application folders, by name.
    static QList<DesktopEntry> installedApplications();

    // The program and arguments that open `filePath`: the Exec line with its
    // file and URL field codes replaced by the file; the file is appended
    // when the line names none.
    QStringList commandFor(const QString &filePath) const;
};

} // namespace admin
