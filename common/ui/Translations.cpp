#include "Translations.h"

#include "Language.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

bool wantsRussianQtTexts(const QString &localeName)
{
    return Language::choose({localeName}) == Language::Choice::Russian;
}

void installTranslations(QApplication &app)
{
    installTranslations(app, Language::translationDirectories());
}

void installTranslations(QApplication &app, const QStringList &directories)
{
    const Language::Choice choice = Language::forSystem();
    // English needs nothing of Qt's: its own texts are English.
    Language::installOwnTexts(app, choice, directories);
    if (choice != Language::Choice::Russian)
        return;
    auto *qtTexts = new QTranslator(&app);
    const QString directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (qtTexts->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                      directory)) {
        QCoreApplication::installTranslator(qtTexts);
        return;
    }
    delete qtTexts;
    // The programs still work, with Qt's buttons in English: say why.
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 QCoreApplication::translate("Translations",
                                             "Не найден перевод Qt qtbase_ru.qm в %1: стандартные кнопки и диалоги "
                                             "будут на английском. Установите пакет qt6-translations-l10n.")
                     .arg(directory)
                     .toLocal8Bit()
                     .constData());
}
