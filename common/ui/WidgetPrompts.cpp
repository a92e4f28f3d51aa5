#include "WidgetPrompts.h"

#include "Headless.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>

Prompts::~Prompts() = default;

namespace {

// A message during the monitor's start-up must not sit hidden under its
// splash window, which stays on top until the first pass is over.
void hideSplash()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->windowType() == Qt::SplashScreen && w->isVisible())
            w->hide();
    }
}

} // namespace

QMessageBox::StandardButton WidgetPrompts::ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                               const QString &text, QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton)
{
    if (Headless::active() || m_options.testFlag(EchoEveryMessage))
        Headless::toStderr(title, text);
    if (Headless::active())
        return Headless::defaultAnswer(buttons, defaultButton);
    hideSplash();
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

void WidgetPrompts::notify(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text)
{
    if (Headless::active() || m_options.testFlag(EchoEveryMessage))
        Headless::toStderr(title, text);
    if (Headless::active())
        return;
    hideSplash();
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

QString WidgetPrompts::openFileName(QWidget *parent, const QString &directory, const QString &filter)
{
    if (Headless::active())
        return {};
    return QFileDialog::getOpenFileName(parent, QString(), directory, filter);
}

QString WidgetPrompts::saveFileName(QWidget *parent, const QString &title, const QString &suggested,
                                    const QString &filter, const QString &defaultSuffix)
{
    if (Headless::active())
        return {};
    QFileDialog dialog(parent, title, suggested, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (m_options.testFlag(QtSaveDialog))
        dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!suggested.isEmpty() && !QFileInfo(suggested).isDir())
        dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

QColor WidgetPrompts::chooseColor(QWidget *parent, const QColor &initial)
{
    if (Headless::active())
        return {};
    return QColorDialog::getColor(initial, parent);
}

QStringList WidgetPrompts::chooseProgram(QWidget *, const QString &)
{
    return {};
}
