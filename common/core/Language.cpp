#include "Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

namespace Language {

Choice choose(const QStringList &uiLanguages)
{
    for (const QString &entry : uiLanguages) {
        const QString name = entry.trimmed();
        if (name.isEmpty())
            continue;
        // QLocale("POSIX") is the C locale as well.
        if (name == QLatin1String("C") || name == QLatin1String("POSIX"))
            return Choice::Russian;
        switch (QLocale(name).language()) {
        case QLocale::Russian:
            return Choice::Russian;
        case QLocale::English:
            return Choice::English;
        case QLocale::C:
            return Choice::Russian;
        default:
            break;
        }
    }
    return Choice::Unmatched;
}

Choice forSystem()
{
    return choose(QLocale::system().uiLanguages());
}

QStringList translationDirectories()
{
    const QDir programDirectory(QCoreApplication::applicationDirPath());
    return {programDirectory.filePath(QStringLiteral("translations")),
            QDir::cleanPath(programDirectory.filePath(QStringLiteral("../translations"))),
            // A build tree keeps the tools one folder away from the programs.
            QDir::cleanPath(programDirectory.filePath(QStringLiteral("../bin/translations")))};
}

bool installOwnTexts(QCoreApplication &app, Choice choice, const QStringList &directories)
{
    if (choice != Choice::English)
        return false;
    auto *texts = new QTranslator(&app);
    for (const QString &directory : directories) {
        if (texts->load(QStringLiteral("orvant_en"), directory)) {
            QCoreApplication::installTranslator(texts);
            return true;
        }
    }
    delete texts;
    // The operator asked for English and gets Russian: say why, once.
    std::fprintf(stderr, "%s: English texts (orvant_en.qm) not found in %s; the texts stay Russian\n",
                 qPrintable(QCoreApplication::applicationName()),
                 qPrintable(directories.join(QLatin1String(", "))));
    return false;
}

bool installOwnTextsForSystem(QCoreApplication &app)
{
    return installOwnTexts(app, forSystem(), translationDirectories());
}

bool installQtTextsForSystem(QCoreApplication &app)
{
    if (forSystem() != Choice::Russian)
        return false;
    auto *texts = new QTranslator(&app);
    if (texts->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(texts);
        return true;
    }
    delete texts;
    return false;
}

} // namespace Language
