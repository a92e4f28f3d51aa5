#include "frmOpt.h"

#include "AdminRules.h"
#include "AdminStore.h"
#include "AdminWidgets.h"
#include "AlertRecords.h"
#include "DatabaseWait.h"
#include "frmQuiet.h"
#include "Prompts.h"
#include "RefreshInterval.h"

#include "LatencySettings.h"

#include <QCheckBox>
#include <QSpinBox>
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

    // Kept apart from the settings above: they live in their own table and
    // the monitor reads them at each pass, with no restart.
    auto *frame3 = new QGroupBox(tr("Хранение задержек и потерь"), this);
    frame3->setObjectName(QStringLiteral("FrameLatency"));
    spnRawDays = new QSpinBox(frame3);
    spnRawDays->setObjectName(QStringLiteral("spnRawDays"));
    spnRawDays->setRange(LatencySettings::MinRawDays, LatencySettings::MaxRawDays);
    spnRawDays->setValue(LatencySettings::DefaultRawDays);
    spnHourlyYears = new QSpinBox(frame3);
    spnHourlyYears->setObjectName(QStringLiteral("spnHourlyYears"));
    spnHourlyYears->setRange(LatencySettings::MinHourlyYears, LatencySettings::MaxHourlyYears);
    spnHourlyYears->setValue(LatencySettings::DefaultHourlyYears);
    auto *keep = new QGridLayout(frame3);
    keep->addWidget(label("LabelRawDays", tr("Каждый замер (дней):"), frame3, false), 0, 0);
    keep->addWidget(spnRawDays, 0, 1);
    keep->addWidget(label("LabelHourlyYears", tr("Почасовые итоги (лет):"), frame3, false), 1, 0);
    keep->addWidget(spnHourlyYears, 1, 1);
    keep->addWidget(label("LabelDaily", tr("Суточные итоги хранятся всегда."), frame3, false), 2, 0, 1, 2);
    // The alerts sit in a group of their own below the specified ones.
    auto *frameAlerts = new QGroupBox(tr("Сигналы"), this);
    frameAlerts->setObjectName(QStringLiteral("FrameAlerts"));
    spConfirm = new QSpinBox(frameAlerts);
    spConfirm->setObjectName(QStringLiteral("spConfirm"));
    spConfirm->setRange(1, AlertRecords::MaxConfirmPasses);
    chFlapping = new QCheckBox(tr("Не подавать сигналы о неустойчивых адресах"), frameAlerts);
    chFlapping->setObjectName(QStringLiteral("chFlapping"));
    spFlapHigh = new QSpinBox(frameAlerts);
    spFlapHigh->setObjectName(QStringLiteral("spFlapHigh"));
    spFlapHigh->setRange(1, 100);
    spFlapHigh->setSuffix(QStringLiteral(" %"));
    spFlapLow = new QSpinBox(frameAlerts);
    spFlapLow->setObjectName(QStringLiteral("spFlapLow"));
    spFlapLow->setRange(0, 100);
    spFlapLow->setSuffix(QStringLiteral(" %"));
    auto *alerts = new QGridLayout(frameAlerts);
    alerts->addWidget(label("LabelConfirm", tr("Сигнал после проверок подряд без ответа:"), frameAlerts, false), 0, 0);
    alerts->addWidget(spConfirm, 0, 1);
    alerts->addWidget(chFlapping, 1, 0, 1, 2);
    alerts->addWidget(label("LabelFlapHigh", tr("неустойчив, если состояние менялось в (из 21 проверки):"), frameAlerts, false),
                      2, 0);
    alerts->addWidget(spFlapHigh, 2, 1);
    alerts->addWidget(label("LabelFlapLow", tr("устойчив снова, если меньше чем в:"), frameAlerts, false), 3, 0);
    alerts->addWidget(spFlapLow, 3, 1);
    auto *quiet = button("cmdQuiet", tr("Тишина и плановые работы..."), frameAlerts);
    alerts->addWidget(quiet, 4, 0, 1, 2, Qt::AlignLeft);
    connect(quiet, &QPushButton::clicked, this, [this] {
        auto *dialog = new frmQuiet(store(), this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    });
    for (QSpinBox *box : {spFlapHigh, spFlapLow})
        connect(chFlapping, &QCheckBox::toggled, box, &QWidget::setEnabled);
    frameAlerts->setEnabled(false);  // until read

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
    // The retention boxes come last: the rows above keep the order they had.
    setTabOrder(cmdBack, spnRawDays);
    setTabOrder(spnRawDays, spnHourlyYears);
    // The added group comes after the dialog's own rows and buttons.
    setTabOrder(spnHourlyYears, spConfirm);
    setTabOrder(spConfirm, chFlapping);
    setTabOrder(chFlapping, spFlapHigh);
    setTabOrder(spFlapHigh, spFlapLow);
    setTabOrder(spFlapLow, quiet);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame1);
    layout->addWidget(frame3);
    layout->addWidget(frameAlerts);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdSave);
    buttons->addStretch();
    buttons->addWidget(cmdBack);
    layout->addLayout(buttons);
    setTwipsSize(4545, 2700 + 1400);

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
    readRetention();
}

void frmOpt::waitForRetention()
{
    if (m_retentionPending)
        m_retentionPending(10000);
    QCoreApplication::sendPostedEvents();
}

void frmOpt::readRetention()
{
    const StoreReply<AdminStore::Retention> read = store().readRetention();
    m_retentionPending = [read](int ms) { return read.waitFor(ms); };
    read.then(this, [this](const AdminStore::Retention &values) {
        if (values.rawDays < 0)
            return;  // the defaults stay shown; saving writes what is shown
        m_rawDaysRead = values.rawDays;
        m_hourlyYearsRead = values.hourlyYears;
        spnRawDays->setValue(values.rawDays);
        spnHourlyYears->setValue(values.hourlyYears);
    });
}

void frmOpt::saveRetention()
{
    const int rawDays = spnRawDays->value();
    const int hourlyYears = spnHourlyYears->value();
    if (rawDays == m_rawDaysRead && hourlyYears == m_hourlyYearsRead)
        return;
    const StoreReply<StoreOutcome> saved = store().saveRetention(rawDays, hourlyYears);
    m_retentionPending = [saved](int ms) { return saved.waitFor(ms); };
    saved.then(this, [this, rawDays, hourlyYears](const StoreOutcome &outcome) {
        if (outcome.ok) {
            m_rawDaysRead = rawDays;
            m_hourlyYearsRead = hourlyYears;
            return;
        }
        reportFailure(tr("Настройки", "window title"),
                      tr("Не удалось сохранить сроки хранения задержек и потерь; сохранённые значения не "
                         "изменены."),
                      outcome.error);
    });
}

void frmOpt::loadAlertSettings()
{
    store().readAlertSettings().then(this, [this](const AdminStore::AlertSettingsRead &read) {
        if (!read.outcome.ok) {
            std::fprintf(stderr, "admin: alert settings: %s\n", qUtf8Printable(read.outcome.error));
            return;
        }
        const AlertRecords::Settings &settings = read.settings;
        spConfirm->setValue(settings.confirmPasses);
        chFlapping->setChecked(settings.flapping);
        spFlapHigh->setValue(settings.flapHighPercent);
        spFlapLow->setValue(settings.flapLowPercent);
        spFlapHigh->setEnabled(settings.flapping);
        spFlapLow->setEnabled(settings.flapping);
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
            store().saveAlertSettings(alerts).then(parentWidget(), [owner, shown](const StoreOutcome &outcome) {
                if (!outcome.ok && owner)
                    shown->ask(owner, QMessageBox::Warning, tr("Настройки", "window title"),
                               tr("Не удалось сохранить настройки сигналов: %1").arg(outcome.error));
            });
        }
        OptionsRecord record;
        record.refreshTime = *minutes;
        record.sndErr = txtSndErr->text();
        record.sndRest = txtSndRest->text();
        record.view = chView->isChecked() ? 1 : 0;
        const auto saved = DatabaseWait::wait(this, store().saveOptions(record));
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
    saveRetention();
    Form_Unload();
}

} // namespace admin
