#pragma once

#include "AddressImport.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;

class Prompts;

namespace admin {

class AddressImportModel;
class AdminStore;

// Addresses from a CSV file or pasted text: every line is checked and shown
// with what would become of it; nothing is written until the operator
// presses "Импортировать", and then all accepted lines in one transaction.
//
// Reading the book, checking ten thousand lines and writing them run in the
// admin's store, on its database thread, so the window keeps answering
// meanwhile; the buttons wait while a step runs.
class frmImport final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmImport)

public:
    frmImport(Prompts &prompts, AdminStore &store, QWidget *parent = nullptr);
    ~frmImport() override;

    // Reads a file into the text box and checks it.
    bool loadFile(const QString &path);
    void cmdFile_Click();
    // Checks the text box against the book; the preview follows.
    void cmdCheck_Click();
    // Checks again against the book as it is now, asks what the outcome
    // calls for, then writes it.
    void cmdImport_Click();

    // A step is running on the database thread.
    bool busy() const { return m_busy; }
    bool wrote() const { return m_wrote; }
    QPlainTextEdit *text() const { return txtText; }
    QCheckBox *replace() const { return chkReplace; }
    AddressImportModel *preview() const { return m_preview; }
    QLabel *summary() const { return lblSummary; }
    QPushButton *importButton() const { return cmdImport; }

signals:
    // A step ended: the preview shows the outcome, or the failure was told.
    void stepDone();

private:
    // Asks for the check of the current text; then() gets it on this thread.
    void check(std::function<void(const AddressImport::Plan &)> then);
    void setBusy(bool busy);
    void write(const AddressImport::Plan &plan);
    void showPlan(const AddressImport::Plan &plan);
    void reportFailure(const QString &what, const QString &error);

    Prompts &m_prompts;
    QPlainTextEdit *txtText = nullptr;
    QCheckBox *chkReplace = nullptr;
    QTableView *tblPreview = nullptr;
    QLabel *lblSummary = nullptr;
    QPushButton *cmdFile = nullptr;
    QPushButton *cmdCheck = nullptr;
    QPushButton *cmdImport = nullptr;
    QPushButton *cmdClose = nullptr;
    AddressImportModel *m_preview = nullptr;
    AdminStore &m_store;
    bool m_checked = false; // the preview shows the text as it is now
    bool m_wrote = false;
    bool m_busy = false;
};

} // namespace admin
