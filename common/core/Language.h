#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// Which language the suite speaks. Its texts are written in Russian and
// translated to English; nothing else exists. The choice follows the user's
// list of interface languages (LANGUAGE, LC_ALL, LC_MESSAGES, LANG as Qt
// reads them): the first entry in Russian or English wins; the C/POSIX
// locale is a session without a language and keeps the Russian the
// programs have always shown.
namespace Language {

enum class Choice {
    Russian,   // asked for, or the C/POSIX locale
    English,   // asked for before any Russian
    Unmatched, // nothing we have texts for: Russian, as before translations
};

// For a list such as QLocale::uiLanguages() gives ("en-GB", "en-Latn-GB"...).
Choice choose(const QStringList &uiLanguages);
// For the system locale of this process.
Choice forSystem();

// Where a program finds its translation files: "translations" beside it,
// or beside its parent directory (the tools in libexec/), or in bin/ beside
// it (the tools of a build tree).
QStringList translationDirectories();

// Installs the suite's English texts when `choice` is English. Texts that
// cannot be found leave the Russian in place and say so on stderr, naming
// where they were looked for. Returns whether English texts are installed.
bool installOwnTexts(QCoreApplication &app, Choice choice, const QStringList &directories);

// What the command-line tools call first: forSystem() and
// translationDirectories().
bool installOwnTextsForSystem(QCoreApplication &app);

// Qt's own texts of a command-line tool (its parser's "Usage:", "Unknown
// option") in Russian where the suite speaks Russian, from Qt's
// translations (qt6-translations-l10n). Without them they stay English:
// false.
bool installQtTextsForSystem(QCoreApplication &app);

} // namespace Language
