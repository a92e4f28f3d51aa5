#pragma once

#include <QStringList>

class QApplication;
class QString;

// Loads the translations a program's texts are shown in, for the system
// locale (see Language::choose): the suite's own English texts and Qt's
// English buttons under an English locale; under a Russian locale and under
// C/POSIX the Russian source texts with Qt's own standard buttons and
// dialogs ("Да", "Отмена", the file and colour dialogs) in Russian. Called
// by each program's main() right after the application object is made.
void installTranslations(QApplication &app);
// The same with the suite's translation files looked for in `directories`.
void installTranslations(QApplication &app, const QStringList &directories);

// Whether Qt's Russian texts are wanted for a locale name such as "ru_RU",
// "C" or "POSIX".
bool wantsRussianQtTexts(const QString &localeName);
