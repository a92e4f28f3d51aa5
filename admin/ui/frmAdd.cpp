#include "frmAdd.h"

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

frmAdd::frmAdd(Prompts &prompts, QWidget *mainWindow)
    : AdminDialog(prompts, mainWindow, true)
{
    setObjectName(QStringLiteral("frmAdd"));
    setWindowTitle(tr("Добавить", "window title"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    txtIP = lineEdit("txtIP", this);
    txtDesc = lineEdit("txtDesc", this);
    txtPTO = lineEdit("txtPTO", this, QString::number(AdminRules::DefaultTimeoutMs));
    cmbParent = ParentChoice::comboBox("cmbParent", this);
    cmdAdd = button("cmdAdd", tr("Добавить"), this);
    cmdBack = button("cmdBack", tr("Закрыть"), this);
    setActionButton(cmdAdd);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label("Label1", tr("IP адрес:"), this), 0, 0);
    grid->addWidget(txtIP, 0, 1);
    grid->addWidget(label("Label2", tr("Описание:"), this), 1, 0);
    grid->addWidget(txtDesc, 1, 1);
    grid->addWidget(label("Label3", tr("Время ожидания ответа(ms):"), this), 2, 0);
    grid->addWidget(txtPTO, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdAdd);
    buttons->addStretch();
    buttons->addWidget(cmdBack);
    grid->addWidget(label("Label4", tr("За адресом:"), this), 3, 0);
    grid->addWidget(cmbParent, 3, 1);
    grid->addLayout(buttons, 4, 0, 1, 2);
    setTwipsSize(4230, 1830);

    connect(cmdAdd, &QPushButton::clicked, this, &frmAdd::cmdAdd_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmAdd::Form_Unload);
}

void frmAdd::cmdAdd_Click()
{
    const QString title = QStringLiteral("Add");
    const QString ip = txtIP->text();
    if (ip.isEmpty()) {
        prompts().ask(this, QMessageBox::Warning, title, tr("Нет Ip адреса!"));
        return;
    }
    // An older IPv4 spelling would be probed as another host than it reads.
    if (const QString problem = AdminRules::addressProblem(ip); !problem.isEmpty()) {
        prompts().ask(this, QMessageBox::Warning, title, problem);
        return;
    }
    // The answer carries what was read: a wait the operator gave up on may
    // still end later, when nothing of this call is left to write into.
    const auto checked = DatabaseWait::wait(this, store().addressExists(ip));
    if (!checked)
        return;
    if (!checked->outcome.ok) {
        reportFailure(title, tr("Не удалось проверить адрес."), checked->outcome.error);
        return;
    }
    const bool found = checked->found;
    if (found) {
        prompts().ask(this, QMessageBox::Warning, title, tr("Запись с этим IP уже существует!"));
        return;
    }
    if (AdminRules::timeoutTooLong(txtPTO->text())) {
        prompts().ask(this, QMessageBox::Warning, title, AdminRules::tooLongTimeoutText());
        return;
    }
    const std::optional<qint32> typed = AdminRules::readTimeout(txtPTO->text());
    if (!typed || *typed < 1)
        txtPTO->setText(QString::number(AdminRules::DefaultTimeoutMs));
    const qint32 timeout = AdminRules::timeoutForNewAddress(txtPTO->text());
    const QString parent = ParentChoice::chosen(cmbParent);
    const auto added = DatabaseWait::wait(this, store().addAddress(ip, txtDesc->text(), timeout, parent));
    if (!added)
        return;
    if (!added->address.ok) {
        reportFailure(title, tr("Не удалось добавить адрес."), added->address.error);
        return;
    }
    if (!added->parent.ok)
        reportFailure(title, tr("Адрес добавлен, но не записано, за каким адресом он стоит."), added->parent.error);
    // The next host may sit behind this one; the chosen parent stays for
    // the next host, as hosts are often entered router by router.
    ParentChoice::insertAddress(cmbParent, ip);
    // The timeout box is left empty too, not reset to the default.
    txtIP->clear();
    txtDesc->clear();
    txtPTO->clear();
    // Ready for the next address.
    txtIP->setFocus();
}

void frmAdd::loadParents()
{
    const auto read = DatabaseWait::wait(this, store().readBook());
    if (!read)
        return;
    // A book that cannot be read leaves "нет" alone on offer.
    ParentChoice::fill(cmbParent, QString(), read->rows);
    if (!read->outcome.ok)
        reportFailure(windowTitle(), tr("Не удалось прочитать список адресов."), read->outcome.error);
}

void frmAdd::showEvent(QShowEvent *event)
{
    loadParents();
    AdminDialog::showEvent(event);
}

} // namespace admin
