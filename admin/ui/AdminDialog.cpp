#include "AdminDialog.h"

#include "frmMain.h"

#include "Prompts.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QPushButton>

namespace admin {

AdminDialog::AdminDialog(Prompts &prompts, QWidget *mainWindow, bool bringsMainForward)
    : QDialog(mainWindow)
    , m_prompts(prompts)
    , m_bringsMainForward(bringsMainForward)
{
    setModal(true);
}

void AdminDialog::Form_Unload()
{
    hide();
    if (m_bringsMainForward && parentWidget()) {
        QWidget *main = parentWidget()->window();
        main->show();
        main->raise();
        main->activateWindow();
    }
}

void AdminDialog::reject()
{
    Form_Unload();
    setResult(QDialog::Rejected);
}

void AdminDialog::closeEvent(QCloseEvent *event)
{
    m_discarded = true;
    Form_Unload();
    event->accept();
}

void AdminDialog::setTwipsSize(int width, int height)
{
    const QSize wanted = Twips::toPixels(width, height, this).expandedTo(minimumSizeHint());
    setFixedSize(wanted);
}

void AdminDialog::setActionButton(QPushButton *button)
{
    // A text box leaves Enter to its dialog, which presses its default button.
    button->setDefault(true);
}

void AdminDialog::reportFailure(const QString &title, const QString &what, const QString &error)
{
    m_prompts.ask(this, QMessageBox::Critical, title, what + QLatin1Char('\n') + error);
}

AdminStore &AdminDialog::store() const
{
    // Every dialog of the admin is made over its main window.
    return qobject_cast<frmMain *>(parentWidget())->store();
}

} // namespace admin
