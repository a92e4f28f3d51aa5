#include "frmDel.h"

#include "AdminDatabase.h"

#include "AddressBook.h"
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
    const auto removed = onDatabase(database(), this, [ip](const QString &connection) {
        QString error;
        return Outcome::of(AddressBook::remove(ip, &error, connection), error, connection);
    });
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
