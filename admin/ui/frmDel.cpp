#include "frmDel.h"

#include "AdminStore.h"
#include "DatabaseWait.h"

#include "AdminWidgets.h"
#include "Prompts.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace admin {

using namespace AdminWidgets;

frmDel::frmDel(Prompts &prompts, QWidget *mainWindow)
    : AdminDialog(prompts, mainWindow, true)
{
    setObjectName(QStringLiteral("frmDel"));
    setWindowTitle(tr("Удаление", "window title"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    QLabel *label1 = label("Label1", tr("Удалить из базы IP адрес :"), this, false);
    label1->setAlignment(Qt::AlignCenter);
    txtIP = lineEdit("txtIP", this);
    cmdDel = button("cmdDel", tr("Удалить"), this);
    cmdBack = button("cmdBack", tr("Закрыть"), this);
    setActionButton(cmdDel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label1);
    layout->addWidget(txtIP);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdDel);
    buttons->addStretch();
    buttons->addWidget(cmdBack);
    layout->addLayout(buttons);
    setTwipsSize(3540, 1380);

    connect(cmdDel, &QPushButton::clicked, this, &frmDel::cmdDel_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmDel::Form_Unload);
}

void frmDel::cmdDel_Click()
{
    const QString title = QStringLiteral("Del");
    const QString ip = txtIP->text();
    if (ip.isEmpty()) {
        prompts().ask(this, QMessageBox::Information, title, tr("Нет IP адреса!"));
        return;
    }
    // The addresses behind this one need a word from the operator first.
    const auto behind = DatabaseWait::wait(this, store().addressesBehind(ip));
    if (!behind)
        return;
    if (!behind->outcome.ok) {
        reportFailure(title, tr("Не удалось удалить адрес."), behind->outcome.error);
        return;
    }
    const int children = behind->children;
    const QString parent = behind->parent;
    AddressParents::Children handOn = AddressParents::Children::LeaveWithoutParent;
    if (children > 0 && !parent.isEmpty()) {
        const QMessageBox::StandardButton answer = prompts().ask(
            this, QMessageBox::Question, title,
            tr("За адресом %1 стоят другие адреса (%2). Перенести их за %3, за которым стоит он сам?\n"
               "«Да» — перенести, «Нет» — оставить их без родительского адреса.")
                .arg(ip)
                .arg(children)
                .arg(parent),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer == QMessageBox::Cancel)
            return;
        if (answer == QMessageBox::Yes)
            handOn = AddressParents::Children::MoveToItsParent;
    } else if (children > 0) {
        if (prompts().ask(this, QMessageBox::Question, title,
                          tr("За адресом %1 стоят другие адреса (%2). Они останутся без родительского адреса. "
                             "Удалить?")
                              .arg(ip)
                              .arg(children),
                          QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Yes)
            != QMessageBox::Yes)
            return;
    }
    const auto removed = DatabaseWait::wait(this, store().removeAddress(ip, handOn));
    if (!removed)
        return;
    if (!removed->ok) {
        reportFailure(title, tr("Не удалось удалить адрес."), removed->error);
        return;
    }
    txtIP->clear();
    prompts().ask(this, QMessageBox::Information, title, tr("Запись с таким IP удалена."));
}

} // namespace admin
