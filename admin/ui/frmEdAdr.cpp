#include "frmEdAdr.h"

#include "AdminStore.h"
#include "DatabaseWait.h"

#include "ParentChoice.h"
#include "AdminRules.h"
#include "AdminWidgets.h"
#include "Prompts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>

namespace admin {

using namespace AdminWidgets;

frmEdAdr::frmEdAdr(Prompts &prompts, QWidget *mainWindow)
    : AdminDialog(prompts, mainWindow, true)
{
    setObjectName(QStringLiteral("frmEdAdr"));
    setWindowTitle(tr("Редактирование", "window title"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    QLabel *heading = label("Label1", tr("Редактирование аттрибутов адреса"), this);
    heading->setAlignment(Qt::AlignCenter);
    cmbAddr = new QComboBox(this);
    cmbAddr->setObjectName(QStringLiteral("cmbAddr"));
    txtDesc = lineEdit("txtDesc", this);
    txtPTO = lineEdit("txtPTO", this);
    cmbParent = ParentChoice::comboBox("cmbParent", this);
    Command1 = button("Command1", tr("Сохранить"), this, true);
    Command2 = button("Command2", tr("Закрыть"), this);
    setActionButton(Command1);

    auto *grid = new QGridLayout(this);
    grid->addWidget(heading, 0, 0, 1, 2);
    grid->addWidget(label("Label2", tr("Адрес:"), this), 1, 0);
    grid->addWidget(cmbAddr, 1, 1);
    grid->addWidget(label("Label3", tr("Описание:"), this), 2, 0);
    grid->addWidget(txtDesc, 2, 1);
    grid->addWidget(label("Label4", tr("Время ожидания ответа(ms):"), this), 3, 0);
    grid->addWidget(txtPTO, 3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addStretch();
    buttons->addWidget(Command2);
    grid->addWidget(label("Label5", tr("За адресом:"), this), 4, 0);
    grid->addWidget(cmbParent, 4, 1);
    grid->addLayout(buttons, 5, 0, 1, 2);
    setTwipsSize(3960, 2115);

    connect(txtDesc, &QLineEdit::textChanged, this, [this] { m_changed = true; });
    connect(txtPTO, &QLineEdit::textChanged, this, [this] { m_changed = true; });
    connect(cmbParent, &QComboBox::activated, this, [this] { m_changed = true; });
    connect(cmbAddr, &QComboBox::activated, this, &frmEdAdr::cmbAddr_Click);
    connect(Command1, &QPushButton::clicked, this, &frmEdAdr::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmEdAdr::Form_Unload);

    Form_Load();
}

void frmEdAdr::Form_Load()
{
    cmbAddr->clear();
    const auto listed = DatabaseWait::wait(this, store().listAddresses());
    if (!listed)
        return;
    if (!listed->outcome.ok) {
        reportFailure(windowTitle(), tr("Не удалось прочитать список адресов."), listed->outcome.error);
        return;
    }
    const QList<AddressRecord> &records = listed->records;
    for (const AddressRecord &record : records)
        cmbAddr->addItem(record.ip);
    cmbAddr->setCurrentIndex(-1);
}

void frmEdAdr::cmbAddr_Click()
{
    const auto loaded = DatabaseWait::wait(this, store().readAddress(cmbAddr->currentText()));
    if (!loaded)
        return;
    const AddressRecord &record = loaded->record;
    const bool found = loaded->found;
    if (!loaded->outcome.ok) {
        // The boxes would still show the previous address: say so rather
        // than let its values be saved onto this one unnoticed.
        reportFailure(windowTitle(), tr("Не удалось прочитать адрес."), loaded->outcome.error);
    } else if (found) {
        // A column without a value leaves its box as it was.
        if (!record.descript.isNull())
            txtDesc->setText(record.descript.toString());
        if (!record.pingTimeout.isNull())
            txtPTO->setText(record.pingTimeout.toString());
        // The parents offered are the book as it is now, without the address itself.
        const QString ip = cmbAddr->currentText();
        m_storedParent = loaded->parents.ok ? loaded->parent : QString();
        ParentChoice::fill(cmbParent, ip, loaded->book);
        if (!loaded->parents.ok)
            reportFailure(windowTitle(), tr("Не удалось прочитать, за каким адресом стоит этот адрес."),
                          loaded->parents.error);
        ParentChoice::select(cmbParent, m_storedParent);
    }
    m_changed = false;
}

void frmEdAdr::Command1_Click()
{
    if (!m_changed) {
        prompts().ask(this, QMessageBox::Information, windowTitle(), tr("Изменений небыло."));
        return;
    }
    if (AdminRules::timeoutTooLong(txtPTO->text())) {
        prompts().ask(this, QMessageBox::Warning, windowTitle(), AdminRules::tooLongTimeoutText());
        return;
    }
    // No lower bound here, unlike adding: the operator may store 0 on purpose.
    const std::optional<qint32> timeout = AdminRules::readTimeout(txtPTO->text());
    if (!timeout) {
        prompts().ask(this, QMessageBox::NoIcon, QStringLiteral("Orvant Admin"), QStringLiteral("Error"));
        return;
    }
    const QString ip = cmbAddr->currentText();
    const QString parent = ParentChoice::chosen(cmbParent);
    const bool parentChanged = parent != m_storedParent;
    const auto updated =
        DatabaseWait::wait(this, store().updateAddress(ip, txtDesc->text(), *timeout, parent, parentChanged));
    if (!updated)
        return;
    if (!updated->outcome.ok) {
        reportFailure(windowTitle(), tr("Изменения не записаны."), updated->outcome.error);
        return;
    }
    if (updated->cycle) {
        prompts().ask(this, QMessageBox::Warning, windowTitle(),
                      tr("Адрес %1 сам стоит за %2: выберите другой адрес или «нет».").arg(parent, ip));
        return;
    }
    const int rows = updated->rows;
    if (rows == 0) {
        prompts().ask(this, QMessageBox::Warning, windowTitle(),
                          tr("Изменения не записаны: адреса «%1» нет в базе.").arg(ip));
        return;
    }
    if (parentChanged) {
        if (!updated->parent.ok) {
            reportFailure(windowTitle(), tr("Не записано, за каким адресом стоит адрес."),
                          updated->parent.error);
            return;
        }
        m_storedParent = parent;
    }
    m_changed = false;
    prompts().ask(this, QMessageBox::Information, windowTitle(), tr("Изменения записанны."));
}

} // namespace admin
