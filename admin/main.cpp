#include "AdminPrompts.h"
#include "Database.h"
#include "DesktopLauncher.h"
#include "ProgramCommandLine.h"
#include "SingleInstance.h"
#include "frmMain.h"

#include "Translations.h"

#include <QCoreApplication>
#include <QApplication>
#include <QScreen>
#include <QTimer>

using namespace admin;

int main(int argc, char **argv)
{
    ProgramCommandLine commandLine(ProgramCommandLine::Program::Admin);
    if (const int status = commandLine.answerBeforeStart(argc, argv); status >= 0)
        return status;
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("admin"));
    installTranslations(app);
    if (const int status = commandLine.check(QCoreApplication::arguments()); status >= 0)
        return status;

    AdminPrompts prompts;
    // A second copy says so and ends before it opens anything.
    SingleInstance instance(QStringLiteral("admin"));
    if (!instance.tryAcquire()) {
        prompts.ask(nullptr, QMessageBox::NoIcon, QStringLiteral("Orvant Admin"),
                        QCoreApplication::translate("admin::main", "Программа уже запущена!"), QMessageBox::Ok);
        return 0;
    }

    DesktopLauncher launcher;
    frmMain window(prompts, launcher, Database::programDirectory());
    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.rect().center());
    window.show();
    // Loaded from within the event loop, so that closing the window while a
    // silent database is waited for ends the program at once (DatabaseWait).
    QTimer::singleShot(0, &window, [&window] { window.Form_Load(); });
    return app.exec();
}
