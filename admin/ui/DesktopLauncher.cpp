#include "DesktopLauncher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace admin {

// xdg-mime answers at once; the bound only guards against a hung helper.
static constexpr int QueryTimeoutMs = 3000;

bool DesktopLauncher::hasAssociatedApplication(const QString &filePath)
{
    // QDesktopServices hands a file to xdg-open and reports success as soon as
    // xdg-open starts, even when nothing can open the type; ask first.
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return false;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(filePath);
    QStringList names{type.name()};
    names += type.allAncestors();
    names.removeAll(QStringLiteral("application/octet-stream"));
    for (const QString &name : names) {
        QProcess query;
        query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), name});
        if (!query.waitForFinished(QueryTimeoutMs)) {
            query.kill();
            query.waitForFinished(QueryTimeoutMs);
            continue;
        }
        if (!QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed().isEmpty())
            return true;
    }
    return false;
}

bool DesktopLauncher::openWithAssociatedApplication(const QString &filePath)
{
    if (!hasAssociatedApplication(filePath))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(filePath).absoluteFilePath()));
}

bool DesktopLauncher::startDetached(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (process.startDetached())
        return true;
    if (error) {
        *error = process.errorString();
        if (error->isEmpty())
            *error = QStringLiteral("%1 cannot be started").arg(program);
    }
    return false;
}

} // namespace admin
