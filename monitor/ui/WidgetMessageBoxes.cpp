#include "WidgetMessageBoxes.h"

#include <QApplication>

#include <cstdio>

namespace monitor {

MessageBoxes::~MessageBoxes() = default;

namespace {

// Without a display nobody could answer a dialog, and a modal one would stop
// the monitor for good: the text goes to stderr instead.
bool headless()
{
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

// A message during start-up must not sit hidden under the splash window,
// which stays on top until the first pass is over.
void hideSplash()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->windowType() == Qt::SplashScreen && w->isVisible())
            w->hide();
    }
}

void toStderr(const QString &title, const QString &text)
{
    std::fprintf(stderr, "orvant: %s: %s\n", title.toLocal8Bit().constData(),
                 QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

QMessageBox::StandardButton WidgetMessageBoxes::ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                                    const QString &text, QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton)
{
    if (headless()) {
        toStderr(title, text);
        if (defaultButton != QMessageBox::NoButton)
            return defaultButton;
        for (int b = QMessageBox::FirstButton; b <= QMessageBox::LastButton; b <<= 1) {
            if (buttons & b)
                return QMessageBox::StandardButton(b);
        }
        return QMessageBox::NoButton;
    }
    hideSplash();
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

void WidgetMessageBoxes::notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    if (headless()) {
        toStderr(title, text);
        return;
    }
    hideSplash();
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

} // namespace monitor
