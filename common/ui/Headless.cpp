#include "Headless.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>

namespace Headless {

void chooseOffscreenWithoutDisplay(const char *program)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        std::fprintf(stderr, "%s: no display found; running without windows (Qt offscreen platform)\n", program);
    }
}

bool active()
{
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

void toStderr(const QString &title, const QString &text)
{
    std::fprintf(stderr, "%s: %s: %s\n", QCoreApplication::applicationName().toLocal8Bit().constData(),
                 title.toLocal8Bit().constData(),
                 QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).toLocal8Bit().constData());
    std::fflush(stderr);
}

QMessageBox::StandardButton defaultAnswer(QMessageBox::StandardButtons buttons,
                                          QMessageBox::StandardButton defaultButton)
{
    if (defaultButton != QMessageBox::NoButton)
        return defaultButton;
    for (int b = QMessageBox::FirstButton; b <= QMessageBox::LastButton; b <<= 1) {
        if (buttons & b)
            return QMessageBox::StandardButton(b);
    }
    return QMessageBox::NoButton;
}

} // namespace Headless
