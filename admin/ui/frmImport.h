#pragma once

#include "AddressImport.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;

class Prompts;

namespace admin {

class AddressImportModel;

// Addresses from a CSV file or pasted text: every line is checked and shown
// with what would become of it; nothing is written until the operator
// presses "Импортировать", and then all accepted lines in one transaction.
class frmImport final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmImport)

public:
    frmImport(Prompts &prompts, QWidget *parent);

    // Reads a file into the text box and checks it.
    bool loadFile(const QString &path);
    void cmdFile_Click();
    // Checks the text box against the book and shows the preview.
    bool cmdCheck_Click();
    // Writes what the preview shows, after the questions it calls for.
    bool cmdImport_Click();

    bool wrote() const { return m_wrote; }
    QPlainTextEdit *text() const { return txtText; }
    QCheckBox *replace() const { return chkReplace; }
    AddressImportModel *preview() const { return m_preview; }
    QLabel *summary() const { return lblSummary; }
    QPushButton *importButton() const { return cmdImport; }

private:
    bool makePlan(AddressImport::Plan *plan);
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
    bool m_checked = false; // the preview shows the text as it is now
    bool m_wrote = false;
};

} // namespace admin
