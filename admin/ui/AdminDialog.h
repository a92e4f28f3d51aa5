#pragma once

#include <QDialog>

class QPushButton;

class Prompts;

namespace admin {

class AdminStore;

// What the admin's dialogs share: their own close button only hides them
// (their contents stay for the next opening), while the window's close box
// asks the main window to discard them, so the next opening builds them
// afresh. Most of them bring the main window forward when they go.
class AdminDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AdminDialog)

public:
    AdminDialog(Prompts &prompts, QWidget *mainWindow, bool bringsMainForward);

    // The close box was used: the owner deletes the dialog once it is hidden.
    bool discarded() const { return m_discarded; }

    // The dialog's own close button: hide, keep the contents.
    void Form_Unload();

    // The dialog's size in twips, grown where the contents need more room
    // than the designed size gives them (fonts differ between desktops).
    void setTwipsSize(int width, int height);

    // Escape acts like the dialog's own close button.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

    Prompts &prompts() { return m_prompts; }
    // Enter in any of the dialog's boxes presses `button`, the dialog's action.
    void setActionButton(QPushButton *button);
    // A failed statement or program start: the message names what failed
    // and carries the database's or the system's own text.
    // `error` comes from the store with a lost connection noted.
    void reportFailure(const QString &title, const QString &what, const QString &error);
    // The admin's store (the main window's).
    AdminStore &store() const;

private:
    Prompts &m_prompts;
    bool m_bringsMainForward;
    bool m_discarded = false;
};

} // namespace admin
