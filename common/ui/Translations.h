#pragma once

class QApplication;
class QString;

// Loads the translations a program's texts are shown in, for the system
// locale: Qt's own standard buttons and dialogs ("Да", "Отмена", the file and
// colour dialogs) in Russian under a Russian locale and under the C/POSIX
// locale, since the programs speak Russian unless told otherwise. Called by
// each program's main() right after the application object is made.
void installTranslations(QApplication &app);

// Whether Qt's Russian texts are wanted for a locale name such as "ru_RU",
// "C" or "POSIX".
bool wantsRussianQtTexts(const QString &localeName);
