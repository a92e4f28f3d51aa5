#include "frmVantages.h"

#include "AdminStore.h"
#include "AdminWidgets.h"
#include "DatabaseWait.h"
#include "Prompts.h"
#include "VantageRecords.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace admin {

using namespace AdminWidgets;

frmVantages::frmVantages(Prompts &prompts, QWidget *mainWindow)
    : AdminDialog(prompts, mainWindow, false)
{
    setObjectName(QStringLiteral("frmVantages"));
    setWindowTitle(tr("Наблюдательные пункты"));

    lstVantages = new QTreeWidget(this);
    lstVantages->setObjectName(QStringLiteral("lstVantages"));
    lstVantages->setRootIsDecorated(false);
    lstVantages->setHeaderLabels({tr("Пункт"), tr("Последний проход"), tr("Состояние"), tr("Интервал, с"),
                                  tr("Компьютер"), tr("Журнал")});
    lstVantages->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    lblRule = label("lblRule", tr("Правило (all, any или число):"), this, false);
    txtRule = lineEdit("txtRule", this);
    cmdSave = button("cmdSave", tr("Сохранить правило"), this);
    cmdRefresh = button("cmdRefresh", tr("Обновить"), this);
    cmdQuit = button("cmdQuit", tr("Закрыть"), this);
    setActionButton(cmdSave);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lstVantages);
    auto *rule = new QHBoxLayout;
    rule->addWidget(lblRule);
    rule->addWidget(txtRule);
    rule->addWidget(cmdSave);
    layout->addLayout(rule);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdRefresh);
    buttons->addStretch();
    buttons->addWidget(cmdQuit);
    layout->addLayout(buttons);
    resize(640, 320);

    connect(cmdSave, &QPushButton::clicked, this, &frmVantages::cmdSave_Click);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmVantages::refresh);
    connect(cmdQuit, &QPushButton::clicked, this, &frmVantages::Form_Unload);
}

bool frmVantages::refresh()
{
    const auto read = DatabaseWait::wait(this, store().readVantages());
    if (!read)
        return false;
    if (!read->outcome.ok) {
        reportFailure(windowTitle(), tr("Наблюдательные пункты не прочитаны."), read->outcome.error);
        return false;
    }
    lstVantages->clear();
    for (const VantageState &v : read->vantages) {
        auto *item = new QTreeWidgetItem(lstVantages);
        item->setText(0, v.name);
        item->setText(1, VantageRecords::localText(v.lastPass));
        item->setText(2, v.isLive() ? tr("работает") : tr("молчит"));
        item->setText(3, QString::number(v.intervalSeconds));
        item->setText(4, v.host);
        item->setText(5, v.writer ? tr("ведёт") : QString());
    }
    txtRule->setText(read->rule.text());
    return true;
}

void frmVantages::cmdSave_Click()
{
    const std::optional<VantageRule> rule = VantageRule::fromText(txtRule->text());
    if (!rule) {
        prompts().ask(this, QMessageBox::Warning, windowTitle(),
                      tr("Правило — all, any или число от 1 до %1.").arg(VantageRule::MaxCount));
        return;
    }
    const auto saved = DatabaseWait::wait(this, store().saveVantageRule(*rule));
    if (!saved)
        return;
    if (!saved->ok) {
        reportFailure(windowTitle(), tr("Правило не сохранено."), saved->error);
        return;
    }
    refresh();
}

} // namespace admin
