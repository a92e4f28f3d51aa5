#include "frmOpt.h"

#include "AdminDatabase.h"

#include "AdminRules.h"
#include "AdminWidgets.h"
#include "Prompts.h"
#include "OptionsStore.h"
#include "RefreshInterval.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace admin {

using namespace AdminWidgets;

frmOpt::frmOpt(Prompts &prompts, QWidget *mainWindow)
    : AdminDialog(prompts, mainWindow, true)
{
    setObjectName(QStringLiteral("frmOpt"));
    setWindowTitle(tr("Настройки", "window title"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto *frame1 = new QGroupBox(tr("Настройки"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    txtRefresh = lineEdit("txtRefresh", frame1);
    chView = new QCheckBox(tr("Показывать окно при отсутствии соединения:"), frame1);
    chView->setObjectName(QStringLiteral("chView"));
    chView->setLayoutDirection(Qt::RightToLeft); // the box at the right of its text

    auto *frame2 = new QGroupBox(tr("Звук"), frame1);
    frame2->setObjectName(QStringLiteral("Frame2"));
    txtSndErr = lineEdit("txtSndErr", frame2);
    txtSndRest = lineEdit("txtSndRest", frame2);
    cmdSndErr = button("cmdSndErr", QStringLiteral(" ..."), frame2);
    cmdSndRest = button("cmdSndRest", QStringLiteral(" ..."), frame2);
    for (QPushButton *small : {cmdSndErr, cmdSndRest})
        small->setFixedWidth(small->fontMetrics().horizontalAdvance(QStringLiteral(" ...")) + 16);

    auto *sound = new QGridLayout(frame2);
    sound->addWidget(label("Label3", tr("при обрыве:"), frame2, false), 0, 0);
    sound->addWidget(txtSndErr, 0, 1);
    sound->addWidget(cmdSndErr, 0, 2);
    sound->addWidget(label("Label4", tr("при восстановлении:"), frame2, false), 1, 0);
    sound->addWidget(txtSndRest, 1, 1);
    sound->addWidget(cmdSndRest, 1, 2);

    auto *settings = new QVBoxLayout(frame1);
    auto *interval = new QHBoxLayout;
    interval->addWidget(label("Label1", tr("Интервал обновления (мин):"), frame1, false));
    interval->addWidget(txtRefresh);
    settings->addLayout(interval);
    settings->addWidget(chView, 0, Qt::AlignLeft);
    settings->addWidget(frame2);

    cmdSave = button("cmdSave", tr("Сохранить и закрыть"), this, true);
    cmdBack = button("cmdBack", tr("Отмена"), this);
    setActionButton(cmdSave);
    // Tab as the eye reads: each path box, then its " ..." button.
    setTabOrder(txtRefresh, chView);
    setTabOrder(chView, txtSndErr);
    setTabOrder(txtSndErr, cmdSndErr);
    setTabOrder(cmdSndErr, txtSndRest);
    setTabOrder(txtSndRest, cmdSndRest);
    setTabOrder(cmdSndRest, cmdSave);
    setTabOrder(cmdSave, cmdBack);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdSave);
    buttons->addStretch();
    buttons->addWidget(cmdBack);
    layout->addLayout(buttons);
    setTwipsSize(4545, 2700);

    connect(cmdSndErr, &QPushButton::clicked, this, &frmOpt::cmdSndErr_Click);
    connect(cmdSndRest, &QPushButton::clicked, this, &frmOpt::cmdSndRest_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmOpt::cmdSave_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmOpt::Form_Unload);
}

void frmOpt::showRecord(const OptionsRecord &record)
{
    txtRefresh->setText(QString::number(record.refreshTime));
    txtSndErr->setText(record.sndErr);
    txtSndRest->setText(record.sndRest);
    chView->setChecked(record.view != 0);
}

void frmOpt::cmdSndErr_Click()
{
    chooseSound(txtSndErr);
}

void frmOpt::cmdSndRest_Click()
{
    chooseSound(txtSndRest);
}

void frmOpt::chooseSound(QLineEdit *box)
{
    // Start where the current sound lies, when it is a file.
    const QFileInfo current(box->text());
    const QString directory = current.isAbsolute() ? current.absolutePath() : QString();
    const QString chosen = prompts().openFileName(this, directory, QStringLiteral("*.wav (*.wav)"));
    // A cancelled choice keeps the path that was there.
    if (!chosen.isEmpty())
        box->setText(chosen);
}

void frmOpt::cmdSave_Click()
{
    // The restart reminder keeps its designed title; our own messages say
    // where they come from in Russian.
    const QString title = QStringLiteral("Options");
    if (!txtRefresh->text().isEmpty()) {
        const std::optional<int> minutes = AdminRules::readInterval(txtRefresh->text());
        if (!minutes) {
            // Refused here, before any statement: the stored row stays whole.
            prompts().ask(this, QMessageBox::Warning, tr("Настройки", "window title"),
                              tr("Интервал обновления «%1» не подходит: нужно целое число минут от %2 до %3 "
                                 "(один год).\nВведите другое число; настройки в таблице options не изменены.")
                                  .arg(txtRefresh->text().trimmed())
                                  .arg(RefreshInterval::MinMinutes)
                                  .arg(RefreshInterval::MaxMinutes));
            txtRefresh->setFocus();
            return;
        }
        OptionsRecord record;
        record.refreshTime = *minutes;
        record.sndErr = txtSndErr->text();
        record.sndRest = txtSndRest->text();
        record.view = chView->isChecked() ? 1 : 0;
        const auto saved = onDatabase(database(), this, [record](const QString &connection) {
            QString error;
            return Outcome::of(OptionsStore::save(record, &error, connection), error, connection);
        });
        if (!saved)
            return;
        if (!saved->ok) {
            reportFailure(tr("Настройки", "window title"),
                          tr("Не удалось сохранить настройки в таблицу options; сохранённые значения не изменены. "
                             "Проверьте файл базы данных и сохраните снова."),
                          saved->error);
            return;
        }
        prompts().ask(this, QMessageBox::Information, title,
                          tr("Изменения вступят в силу после перезапуска программы Orvant."));
    }
    Form_Unload();
}

} // namespace admin
