#include "DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>
#include <QUrl>

#include <algorithm>

namespace admin {

bool DesktopEntry::read(const QString &path, DesktopEntry *entry, const QString &language)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    bool inEntry = false;
    QString name, localName, exec, type;
    bool hidden = false;
    const QString localKey = QStringLiteral("Name[%1]").arg(language);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Name"))
            name = value;
        else if (!language.isEmpty() && key == localKey)
            localName = value;
        else if (key == QLatin1String("Exec"))
            exec = value;
        else if (key == QLatin1String("Type"))
            type = value;
        else if ((key == QLatin1String("NoDisplay") || key == QLatin1String("Hidden")) && value == QLatin1String("true"))
            hidden = true;
    }
    if (hidden || type != QLatin1String("Application") || exec.isEmpty() || name.isEmpty())
        return false;
    entry->name = localName.isEmpty() ? name : localName;
    entry->exec = exec;
    return true;
}

QList<DesktopEntry> DesktopEntry::installedApplications()
{
    const QString language = QLocale::system().name().section(QLatin1Char('_'), 0, 0);
    QList<DesktopEntry> out;
    QSet<QString> seenIds;
    // Earlier folders (the user's own) override later ones by file id.
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        const QDir dir(folder);
        const QStringList files = dir.entryList({QStringLiteral("*.desktop")}, QDir::Files);
        for (const QString &file : files) {
            if (seenIds.contains(file))
                continue;
            seenIds.insert(file);
            DesktopEntry entry;
            if (read(dir.filePath(file), &entry, language))
                out.append(entry);
        }
    }
    std::sort(out.begin(), out.end(), [](const DesktopEntry &a, const DesktopEntry &b) {
        return QString::localeAwareCompare(a.name, b.name) < 0;
    });
    return out;
}

QStringList DesktopEntry::commandFor(const QString &filePath) const
{
    const QString url = QUrl::fromLocalFile(filePath).toString();
    QStringList out;
    bool namedFile = false;
    for (const QString &word : QProcess::splitCommand(exec)) {
        if (word == QLatin1String("%f") || word == QLatin1String("%F")) {
            out << filePath;
            namedFile = true;
            continue;
        }
        if (word == QLatin1String("%u") || word == QLatin1String("%U")) {
            out << url;
            namedFile = true;
            continue;
        }
        // Other field codes (%i, %c, %k …) give nothing here.
        QString kept;
        for (qsizetype i = 0; i < word.size(); ++i) {
            if (word.at(i) == QLatin1Char('%') && i + 1 < word.size()) {
                if (word.at(i + 1) == QLatin1Char('%'))
                    kept += QLatin1Char('%');
                ++i;
                continue;
            }
            kept += word.at(i);
        }
        if (!kept.isEmpty())
            out << kept;
    }
    if (!out.isEmpty() && !namedFile)
        out << filePath;
    return out;
}

} // namespace admin
