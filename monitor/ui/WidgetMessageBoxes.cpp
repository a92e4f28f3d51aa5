#include "WidgetMessageBoxes.h"

#include "Headless.h"

#include <QApplication>


namespace monitor {

MessageBoxes::~MessageBoxes() = default;

namespace {

// A message during start-up must not sit hidden under the splash window,
// which stays on top until the first pass is over.
void hideSplash()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->windowType() == Qt::SplashScreen && w->isVisible())
            w->hide();
    }
}

} // namespace

QMessageBox::StandardButton WidgetMessageBoxes::ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                                    const QString &text, QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton)
{
    if (Headless::active()) {
        Headless::toStderr(title, text);
        return Headless::defaultAnswer(buttons, defaultButton);
    }
    hideSplash();
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

void WidgetMessageBoxes::notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    if (Headless::active()) {
        Headless::toStderr(title, text);
        return;
    }
    hideSplash();
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

} // namespace monitor
