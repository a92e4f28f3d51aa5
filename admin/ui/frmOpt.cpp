#include "frmOpt.h"

#include "AdminRules.h"
#include "AdminWidgets.h"
#include "AlertRecords.h"
#include "AlertsDatabase.h"
#include "ExtraSettings.h"
#include "frmQuiet.h"
#include "Prompts.h"
#include "OptionsStore.h"
#include "RefreshInterval.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPointer>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cstdio>
#include <memory>

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

    // The alerts sit in a group of their own below the specified ones.
    auto *frame3 = new QGroupBox(tr("Сигналы"), this);
    frame3->setObjectName(QStringLiteral("FrameAlerts"));
    spConfirm = new QSpinBox(frame3);
    spConfirm->setObjectName(QStringLiteral("spConfirm"));
    spConfirm->setRange(1, AlertRecords::MaxConfirmPasses);
    chFlapping = new QCheckBox(tr("Не подавать сигналы о неустойчивых адресах"), frame3);
    chFlapping->setObjectName(QStringLiteral("chFlapping"));
    spFlapHigh = new QSpinBox(frame3);
    spFlapHigh->setObjectName(QStringLiteral("spFlapHigh"));
    spFlapHigh->setRange(1, 100);
    spFlapHigh->setSuffix(QStringLiteral(" %"));
    spFlapLow = new QSpinBox(frame3);
    spFlapLow->setObjectName(QStringLiteral("spFlapLow"));
    spFlapLow->setRange(0, 100);
    spFlapLow->setSuffix(QStringLiteral(" %"));
    auto *alerts = new QGridLayout(frame3);
    alerts->addWidget(label("LabelConfirm", tr("Сигнал после проверок подряд без ответа:"), frame3, false), 0, 0);
    alerts->addWidget(spConfirm, 0, 1);
    alerts->addWidget(chFlapping, 1, 0, 1, 2);
    alerts->addWidget(label("LabelFlapHigh", tr("неустойчив, если состояние менялось в (из 21 проверки):"), frame3, false),
                      2, 0);
    alerts->addWidget(spFlapHigh, 2, 1);
    alerts->addWidget(label("LabelFlapLow", tr("устойчив снова, если меньше чем в:"), frame3, false), 3, 0);
    alerts->addWidget(spFlapLow, 3, 1);
    auto *quiet = button("cmdQuiet", tr("Тишина и плановые работы..."), frame3);
    alerts->addWidget(quiet, 4, 0, 1, 2, Qt::AlignLeft);
    connect(quiet, &QPushButton::clicked, this, [this] {
        auto *dialog = new frmQuiet(this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    });
    for (QSpinBox *box : {spFlapHigh, spFlapLow})
        connect(chFlapping, &QCheckBox::toggled, box, &QWidget::setEnabled);
    frame3->setEnabled(false);  // until read

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
    // The added group comes after the dialog's own rows and buttons.
    setTabOrder(cmdBack, spConfirm);
    setTabOrder(spConfirm, chFlapping);
    setTabOrder(chFlapping, spFlapHigh);
    setTabOrder(spFlapHigh, spFlapLow);
    setTabOrder(spFlapLow, quiet);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame1);
    layout->addWidget(frame3);
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

void frmOpt::loadAlertSettings()
{
    auto settings = std::make_shared<AlertRecords::Settings>();
    postAlertsJob(
        this,
        [settings](const QSqlDatabase &db) {
            ExtraSettings extra;
            QString error;
            if (!ExtraSettings::read(db, &extra, &error))
                return error;
            *settings = AlertRecords::settingsFrom(extra);
            return QString();
        },
        [this, settings](const QString &error) {
            if (!error.isEmpty()) {
                std::fprintf(stderr, "admin: alert settings: %s\n", qUtf8Printable(error));
                return;
            }
            spConfirm->setValue(settings->confirmPasses);
            chFlapping->setChecked(settings->flapping);
            spFlapHigh->setValue(settings->flapHighPercent);
            spFlapLow->setValue(settings->flapLowPercent);
            spFlapHigh->setEnabled(settings->flapping);
            spFlapLow->setEnabled(settings->flapping);
            spConfirm->parentWidget()->setEnabled(true);
            m_alertsLoaded = true;
        });
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
        if (m_alertsLoaded) {
            AlertRecords::Settings alerts;
            alerts.confirmPasses = spConfirm->value();
            alerts.flapping = chFlapping->isChecked();
            alerts.flapHighPercent = spFlapHigh->value();
            alerts.flapLowPercent = qMin(spFlapLow->value(), spFlapHigh->value());
            QPointer<QWidget> owner = parentWidget();
            Prompts *shown = &prompts();
            postAlertsJob(
                parentWidget(),
                [alerts](const QSqlDatabase &db) {
                    QString error;
                    ExtraSettings::write(db, AlertRecords::settingsValues(alerts), &error);
                    return error;
                },
                [owner, shown](const QString &error) {
                    if (!error.isEmpty() && owner)
                        shown->ask(owner, QMessageBox::Warning, tr("Настройки", "window title"),
                                   tr("Не удалось сохранить настройки сигналов: %1").arg(error));
                });
        }
        OptionsRecord record;
        record.refreshTime = *minutes;
        record.sndErr = txtSndErr->text();
        record.sndRest = txtSndRest->text();
        record.view = chView->isChecked() ? 1 : 0;
        QString error;
        if (!OptionsStore::save(record, &error)) {
            reportFailure(tr("Настройки", "window title"),
                          tr("Не удалось сохранить настройки в таблицу options; сохранённые значения не изменены. "
                             "Проверьте файл базы данных и сохраните снова."),
                          error);
            return;
        }
        prompts().ask(this, QMessageBox::Information, title,
                          tr("Изменения вступят в силу после перезапуска программы Orvant."));
    }
    Form_Unload();
}

} // namespace admin
