#include "frmMain.h"

#include "frmWeekHour.h"

#include "BreakdownText.h"
#include "ChartControl.h"
#include "Database.h"
#include "DatabaseWait.h"
#include "DateTimeText.h"
#include "DatePicker.h"
#include "GrapherStore.h"
#include "Language.h"
#include "Prompts.h"
#include "Regional.h"
#include "Twips.h"
#include "frmDativo.h"
#include "frmLatency.h"
#include "frmTime.h"

#include <QCoreApplication>
#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

namespace grapher {

namespace {

QLabel *label(const QString &text)
{
    return new QLabel(text);
}

template <typename W>
W *named(W *widget, const char *name, const QString &tip = QString())
{
    widget->setObjectName(QLatin1String(name));
    if (!tip.isEmpty())
        widget->setToolTip(tip);
    return widget;
}

// A small vertical scroll bar used as a spinner: the upper arrow (and the
// wheel or key up) raises the value, as on a spin box, and the handle
// climbs with it. The wheel is turned round by frmMain::eventFilter.
QScrollBar *spinner(const char *name, int minimum, int maximum, int value)
{
    auto *bar = named(new QScrollBar(Qt::Vertical), name);
    bar->setRange(minimum, maximum);
    bar->setValue(value);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setInvertedAppearance(true);
    // A scroll bar's upper arrow steps down; the position is turned round
    // before the value takes it.
    QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [bar](int action) {
        if (action == QAbstractSlider::SliderSingleStepAdd || action == QAbstractSlider::SliderPageStepAdd)
            bar->setSliderPosition(qMax(bar->minimum(), bar->value() - bar->singleStep()));
        else if (action == QAbstractSlider::SliderSingleStepSub || action == QAbstractSlider::SliderPageStepSub)
            bar->setSliderPosition(qMin(bar->maximum(), bar->value() + bar->singleStep()));
    });
    return bar;
}

} // namespace

frmMain::frmMain(Prompts &prompts, GrapherStore &store, QWidget *parent)
    : QWidget(parent)
    , m_prompts(prompts)
    , m_store(store)
    , m_ctlGraph(new ChartControl(this))
    , m_timeline(*m_ctlGraph)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromUtf8(Caption));

    m_top = new QWidget(this);
    auto *band = new QHBoxLayout(m_top);
    band->setContentsMargins(twips(BandMarginTwips), twips(BandTopTwips), twips(BandMarginTwips), 0);
    band->addWidget(buildPeriodGroup(), 0, Qt::AlignTop);
    auto *right = new QVBoxLayout;
    right->addWidget(buildGraphGroup());
    right->addLayout(buildCommandRow());
    band->addLayout(right, 1);
    m_ctlGraph->setObjectName(QStringLiteral("ctlGraph"));

    connectControls();
    loadStartState();
    placeAtDesignSize();
}

QGroupBox *frmMain::buildPeriodGroup()
{
    m_txtD1 = named(new QLineEdit, "txtD1", tr("Дата начала "));
    m_txtD2 = named(new QLineEdit, "txtD2", tr("Дата окончания"));
    for (QLineEdit *box : {m_txtD1, m_txtD2}) {
        box->setReadOnly(true);
        box->setFixedWidth(twips(DateBoxWidthTwips));
        box->installEventFilter(this);
    }
    m_txtT1 = named(new QComboBox, "txtT1", tr("Время начала"));
    m_txtT2 = named(new QComboBox, "txtT2", tr("Время окончания"));
    for (int h = 0; h < 24; ++h)
        m_txtT1->addItem(QStringLiteral("%1:00:00").arg(h, 2, 10, QLatin1Char('0')));
    m_lstInterval = named(new QComboBox, "lstInterval");
    m_lstInterval->addItems({QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("15"), QStringLiteral("20"),
                             QStringLiteral("30"), QStringLiteral("60")});

    // A "с … по …" pair of boxes in a frame of its own.
    auto fromTo = [&](const QString &title, const char *name, QWidget *from, QWidget *to) {
        auto *group = named(new QGroupBox(title), name);
        auto *grid = new QGridLayout(group);
        grid->addWidget(label(tr("с")), 0, 0);
        grid->addWidget(from, 0, 1);
        grid->addWidget(label(tr("по ")), 1, 0);
        grid->addWidget(to, 1, 1);
        return group;
    };
    QGroupBox *dateGroup = fromTo(tr("Дата:"), "FrameDate", m_txtD1, m_txtD2);
    QGroupBox *timeGroup = fromTo(tr("Время:"), "FrameTime", m_txtT1, m_txtT2);
    auto *periodGroup = named(new QGroupBox(tr("Период")), "FramePeriod");
    auto *periodLayout = new QGridLayout(periodGroup);
    periodLayout->addWidget(dateGroup, 0, 0);
    periodLayout->addWidget(timeGroup, 0, 1);
    auto *intervalRow = new QHBoxLayout;
    intervalRow->addWidget(label(tr("Интервал, мин.:")));
    intervalRow->addWidget(m_lstInterval);
    intervalRow->addStretch(1);
    periodLayout->addLayout(intervalRow, 1, 0, 1, 2);
    return periodGroup;
}

QGroupBox *frmMain::buildGraphGroup()
{
    m_txtLegenda = named(new QLineEdit, "txtLegenda", tr("Текст подписи к графику"));
    m_cmdColor = named(new QLabel, "cmdColor", tr("Цвет линии"));
    m_cmdColor->setFixedSize(twips(SwatchWidthTwips), twips(SwatchHeightTwips));
    m_cmdColor->setAutoFillBackground(true);
    m_cmdColor->setFrameShape(QFrame::Box);
    m_cmdSetColor = named(new QPushButton(QStringLiteral("...")), "cmdSetColor");
    m_cmdSetColor->setFixedWidth(twips(ColorButtonWidthTwips));
    m_txtW = named(new QLineEdit(QStringLiteral("2")), "txtW", tr("Толщина линии"));
    m_txtW->setReadOnly(true);
    m_txtW->setFixedWidth(twips(WidthBoxWidthTwips));
    m_vs1 = spinner("vs1", 1, 10, 2);
    m_txtMaxY = named(new QLineEdit(QStringLiteral("15")), "txtMaxY", tr("Максимальное значение по оси Y"));
    m_txtMaxY->setFixedWidth(twips(MaxYBoxWidthTwips));
    m_vs3 = spinner("vs3", 1, GraphRequest::MaxYMax, 15);
    for (QScrollBar *bar : {m_vs1, m_vs3}) {
        bar->setFixedSize(twips(SpinnerWidthTwips), twips(SpinnerHeightTwips));
        bar->installEventFilter(this);
    }
    m_cmbIP = named(new QComboBox, "cmbIP", tr("Адрес, на основе которого будет построен график"));
    m_cmbIP->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cmbIP->setMinimumContentsLength(24);
    // Narrows a long host list down to what is typed.
    m_txtHostFilter = named(new QLineEdit, "txtHostFilter");
    m_txtHostFilter->setPlaceholderText(tr("Найти адрес"));
    m_txtHostFilter->setClearButtonEnabled(true);

    auto *graphGroup = named(new QGroupBox(tr("График")), "FrameGraph");
    auto *graphGrid = new QGridLayout(graphGroup);
    graphGrid->addWidget(label(tr("Легенда:")), 0, 0);
    graphGrid->addWidget(m_txtLegenda, 0, 1);
    auto *settingsRow = new QHBoxLayout;
    settingsRow->addWidget(m_cmdColor);
    settingsRow->addWidget(m_cmdSetColor);
    settingsRow->addSpacing(twips(SettingsGapTwips));
    settingsRow->addWidget(label(tr("Толщина:")));
    settingsRow->addWidget(m_txtW);
    settingsRow->addWidget(m_vs1);
    settingsRow->addSpacing(twips(SettingsGapTwips));
    settingsRow->addWidget(label(tr("Максим-е кол-во событий:")));
    settingsRow->addWidget(m_txtMaxY);
    settingsRow->addWidget(m_vs3);
    settingsRow->addStretch(1);
    graphGrid->addWidget(label(tr("Цвет:")), 1, 0);
    graphGrid->addLayout(settingsRow, 1, 1);
    graphGrid->addWidget(label(tr("Адрес:")), 2, 0);
    auto *hostRow = new QHBoxLayout;
    hostRow->addWidget(m_cmbIP, 3);
    hostRow->addWidget(m_txtHostFilter, 1);
    graphGrid->addLayout(hostRow, 2, 1);
    graphGrid->setColumnStretch(1, 1);
    return graphGroup;
}

QHBoxLayout *frmMain::buildCommandRow()
{
    m_cmdGraph = named(new QPushButton(tr("Рисовать")), "cmdGraph", tr("Рисовать график"));
    m_cmdSave = named(new QPushButton(tr("Сохранить")), "cmdSave", tr("Сохранить график в файл"));
    m_cmdClear = named(new QPushButton(tr("Очистить")), "cmdClear", tr("Стереть график"));
    m_cmdGT = named(new QPushButton(tr("Расшифровать график")), "cmdGT");
    auto *week = named(new QPushButton(tr("Неделя × час")), "cmdWeek", tr("Сбои по дням недели и часам"));
    connect(week, &QPushButton::clicked, this, &frmMain::weekMapCommand);
    auto *latency = named(new QPushButton(tr("Задержка и потери...")), "cmdLatency",
                          tr("Время ответа и потери пакетов по адресам"));
    connect(latency, &QPushButton::clicked, this, &frmMain::latencyCommand);
    m_cmdGT->setVisible(false);
    // Shown after the first drawing: its room is kept from the start, so
    // that no label of the row is cut then.
    QSizePolicy keep = m_cmdGT->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_cmdGT->setSizePolicy(keep);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {m_cmdGraph, m_cmdSave, m_cmdClear, m_cmdGT, week, latency})
        buttons->addWidget(button);
    buttons->addStretch(1);
    return buttons;
}

void frmMain::connectControls()
{
    connect(m_cmbIP, &QComboBox::activated, this, &frmMain::MakeLegend);
    connect(m_txtHostFilter, &QLineEdit::textChanged, this, &frmMain::filterHosts);
    connect(m_txtD1, &QLineEdit::textChanged, this, &frmMain::MakeLegend);
    connect(m_txtD2, &QLineEdit::textChanged, this, &frmMain::MakeLegend);
    connect(m_txtT1, &QComboBox::activated, this, &frmMain::startTimeChosen);
    connect(m_txtT2, &QComboBox::activated, this, &frmMain::endTimeChosen);
    connect(m_txtMaxY, &QLineEdit::textChanged, this, &frmMain::maxYChanged);
    connect(m_vs3, &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_syncingMaxY)
            m_txtMaxY->setText(QString::number(value));
    });
    connect(m_vs1, &QScrollBar::valueChanged, this, [this](int value) { m_txtW->setText(QString::number(value)); });
    connect(m_cmdSetColor, &QPushButton::clicked, this, &frmMain::setColorCommand);
    connect(m_cmdGraph, &QPushButton::clicked, this, &frmMain::drawCommand);
    connect(m_cmdSave, &QPushButton::clicked, this, &frmMain::saveCommand);
    connect(m_cmdClear, &QPushButton::clicked, this, &frmMain::clearCommand);
    connect(m_cmdGT, &QPushButton::clicked, this, &frmMain::breakdownCommand);
}

void frmMain::loadStartState()
{
    loadDescriptions();
    MakeLegend();
    m_lstInterval->setCurrentIndex(0);

    m_ctlGraph->setStartupSwitch(true);
    QPalette swatch = m_cmdColor->palette();
    swatch.setColor(QPalette::Window, m_ctlGraph->LineColor());
    m_cmdColor->setPalette(swatch);
    m_ctlGraph->setStartupLevel(0);
    m_firstDraw = true;

    for (int i = 0; i < m_txtT1->count(); ++i)
        m_txtT2->addItem(m_txtT1->itemText(i));
    m_txtT1->setCurrentText(QStringLiteral("08:00:00"));
    m_txtT2->setCurrentText(QStringLiteral("18:00:00"));

    const QDate today = QDate::currentDate();
    m_txtD1->setText(englishDates() ? Regional::shortDate(QDate(today.year(), today.month(), 1))
                                    : QStringLiteral("01.") + today.toString(QStringLiteral("MM.yyyy")));
    m_txtD2->setText(Regional::shortDate(today));

    m_ctlGraph->setXMin(m_txtT1->currentText().left(2).toDouble());
    m_ctlGraph->setXMax(m_txtT2->currentText().left(2).toDouble());
    m_ctlGraph->setXDivisions(qint16(m_ctlGraph->XMax() - m_ctlGraph->XMin()));
    // The empty chart shows the Y scale the box offers; the first drawing
    // takes the box's value then.
    m_ctlGraph->setYMax(m_vs3->value());
    m_ctlGraph->setYDivisions(m_vs3->value());
}

void frmMain::placeAtDesignSize()
{
    // The chart from its design corner to the edges, or just below the top
    // band where the fonts make it taller.
    m_top->adjustSize();
    const int chartTop = qMax(twips(ChartTopTwips), m_top->sizeHint().height() + twips(BandTopTwips));
    m_ctlGraph->move(twips(ChartLeftTwips), chartTop);
    resize(qMax(twips(ClientWidthTwips), m_top->sizeHint().width()),
           qMax(twips(ClientHeightTwips), chartTop + twips(MinChartHeightTwips)));
    placeChildren();
}

frmMain::~frmMain() = default;

int frmMain::twips(int value) const
{
    return Twips::toPixelsX(value, this);
}

void frmMain::loadDescriptions()
{
    // The window is shown without waiting: a silent database leaves the
    // list empty until it answers.
    const StoreReply<GrapherStore::Descriptions> read = m_store.readDescriptions();
    m_hostsPending = [read](int ms) { return read.waitFor(ms); };
    read.then(this, [this](const GrapherStore::Descriptions &hosts) {
        if (!hosts.opened)
            return;  // the program says why the database did not open
        m_hosts = hosts.descriptions;
        filterHosts();
        if (!hosts.whole)
            m_prompts.ask(this, QMessageBox::Warning, windowTitle(), hosts.error);
    });
}

void frmMain::waitForHosts()
{
    if (m_hostsPending)
        m_hostsPending(10000);
    QCoreApplication::sendPostedEvents(this);
}

void frmMain::filterHosts()
{
    const QString wanted = m_txtHostFilter->text().trimmed();
    const QString chosen = m_cmbIP->currentText();
    QStringList shown;
    for (const QString &host : std::as_const(m_hosts))
        if (wanted.isEmpty() || host.contains(wanted, Qt::CaseInsensitive))
            shown << host;
    m_cmbIP->clear();
    m_cmbIP->addItems(shown);
    // The host chosen stays chosen while the filter keeps it.
    const int at = chosen.isEmpty() ? -1 : int(shown.indexOf(chosen));
    m_cmbIP->setCurrentIndex(at >= 0 ? at : (shown.isEmpty() ? -1 : 0));
    MakeLegend();
}

QString frmMain::GetMyTime(const QString &anyDate) const
{
    return Timeline::GetMyTime(anyDate);
}

void frmMain::MakeLegend()
{
    m_txtLegenda->setText(m_cmbIP->currentText() + QStringLiteral(" [") + m_txtD1->text() + QLatin1Char(' ')
                          + m_txtT1->currentText() + QStringLiteral(" - ") + m_txtD2->text() + QLatin1Char(' ')
                          + m_txtT2->currentText() + QLatin1Char(']'));
}

void frmMain::startTimeChosen()
{
    MakeLegend();
    m_ctlGraph->setXMin(m_txtT1->currentText().left(2).toDouble());
    m_ctlGraph->setXDivisions(qint16(m_ctlGraph->XMax() - m_ctlGraph->XMin()));
}

void frmMain::endTimeChosen()
{
    MakeLegend();
    m_ctlGraph->setXMax(m_txtT2->currentText().left(2).toDouble());
    m_ctlGraph->setXDivisions(qint16(m_ctlGraph->XMax() - m_ctlGraph->XMin()));
}

void frmMain::maxYChanged(const QString &text)
{
    double value = 0;
    if (!GraphRequest::parseNumber(text, &value) || value <= 0 || value > GraphRequest::MaxYMax + 0.5)
        return;
    // A value that rounds out of the spinner's range leaves it where it is.
    const int rounded = int(std::nearbyint(value));
    if (rounded < m_vs3->minimum() || rounded > m_vs3->maximum())
        return;
    m_syncingMaxY = true; // keep the typed text as it is
    m_vs3->setValue(rounded);
    m_syncingMaxY = false;
}

void frmMain::weekMapCommand()
{
    const GraphRequest request = currentRequest();
    const auto from = DateTimeText::toSeconds(Timeline::GetSqlDate(request.startDate));
    const auto to = DateTimeText::toSeconds(Timeline::GetSqlDate(request.endDate));
    if (request.startDate.isEmpty() || request.endDate.isEmpty() || !from || !to) {
        m_prompts.notify(this, QMessageBox::Warning, QLatin1String(Caption), tr(PeriodMissing));
        return;
    }
    if (!m_frmWeek)
        m_frmWeek = new frmWeekHour(m_prompts, m_store, this);
    // Whole days, the end date included, as the histogram's period.
    m_frmWeek->show(request.description, *from, *to + DateTimeText::SecondsPerDay);
}

GraphRequest frmMain::currentRequest() const
{
    GraphRequest request;
    request.description = m_cmbIP->currentText();
    request.startDate = m_txtD1->text();
    request.startTime = m_txtT1->currentText();
    request.endDate = m_txtD2->text();
    request.endTime = m_txtT2->currentText();
    request.interval = m_lstInterval->currentText();
    request.legend = m_txtLegenda->text();
    return request;
}

void frmMain::setDrawingLocked(bool locked)
{
    m_txtMaxY->setReadOnly(locked);
    m_vs3->setVisible(!locked);
    m_txtT1->setEnabled(!locked);
    m_txtT2->setEnabled(!locked);
}

void frmMain::drawCommand()
{
    // Refusals first: a refused drawing changes nothing.
    double yMax = m_ctlGraph->YMax();
    if (m_firstDraw && !GraphRequest::parseYMax(m_txtMaxY->text(), &yMax)) {
        m_prompts.ask(this, QMessageBox::Warning, windowTitle(),
                      QCoreApplication::translate("grapher::GraphRequest", GraphRequest::YMaxRefused));
        return;
    }
    const GraphRequest request = currentRequest();
    const QString refusal = request.refusal();
    if (!refusal.isEmpty()) {
        m_prompts.ask(this, QMessageBox::Warning, windowTitle(), refusal);
        return;
    }

    // The Y scale and the daily window hold for every curve until cleared.
    if (m_firstDraw) {
        m_ctlGraph->setYMax(yMax);
        m_ctlGraph->setYDivisions(int(std::nearbyint(yMax)));
        setDrawingLocked(true);
    }
    m_ctlGraph->setLineWidth(m_txtW->text().toInt());
    if (!m_txtD1->text().isEmpty() && !m_txtD2->text().isEmpty()) {
        if (BuildGraph())
            m_ctlGraph->PlotPoints(m_timeline.counts());
    } else {
        m_prompts.ask(this, QMessageBox::Information, windowTitle(), tr(PeriodMissing));
    }
    m_firstDraw = false;
}

bool frmMain::BuildGraph()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const GraphRequest request = currentRequest();
    // The reading and counting run on the database thread while this window
    // keeps answering; a server connection lost at an earlier drawing is
    // made again first there. Should the server still be away, the
    // drawing's failure says so.
    CancelToken cancel;
    const auto answer =
        DatabaseWait::wait(this, m_store.computeHistogram(request, QLocale::system(), cancel), cancel);
    QApplication::restoreOverrideCursor();
    if (!answer)
        return false; // the operator gave up waiting: nothing is drawn
    const bool ok = m_timeline.draw(answer->computation, request);
    m_cmdGT->setVisible(true);
    // The curve is drawn from what could be read; the operator learns that
    // it may be incomplete rather than trusting zeros.
    if (!ok && !m_timeline.errors().isEmpty())
        m_prompts.ask(this, QMessageBox::Warning, windowTitle(),
                      tr("Ошибка базы данных, график может быть неполным:\n") + m_timeline.errors().join(QLatin1Char('\n'))
                          + answer->lossNote);
    return true;
}

void frmMain::latencyCommand()
{
    if (!m_frmLatency) {
        m_frmLatency = new frmLatency(m_prompts, m_store, this);
        m_frmLatency->setWindowFlag(Qt::Window);
    }
    m_frmLatency->show();
    m_frmLatency->raise();
    m_frmLatency->activateWindow();
}

void frmMain::saveCommand()
{
    const QString path = m_prompts.saveFileName(this, QString(), Database::programDirectory(),
                                                QStringLiteral("bmp (*.bmp)"), QStringLiteral("bmp"));
    if (path.isEmpty())
        return;
    if (!m_ctlGraph->SavePicture(path))
        m_prompts.ask(this, QMessageBox::Warning, windowTitle(),
                      tr("Не удалось сохранить рисунок в файл %1").arg(path));
}

void frmMain::clearCommand()
{
    m_ctlGraph->ClearCurves();
    m_ctlGraph->ClearLegends();
    m_firstDraw = true;
    setDrawingLocked(false);
    m_cmdGT->setVisible(false);
}

void frmMain::breakdownCommand()
{
    if (!m_frmTime)
        m_frmTime = std::make_unique<frmTime>(m_prompts, [this] { return m_txtLegenda->text(); });
    m_frmTime->showBreakdown(
        BreakdownText::compose(m_txtT1->currentText(), m_timeline.intervalMin(), m_timeline.counts()));
}

void frmMain::setColorCommand()
{
    const QColor color = m_prompts.chooseColor(this, m_ctlGraph->LineColor());
    if (!color.isValid()) // cancelled: the colour stays
        return;
    QPalette swatch = m_cmdColor->palette();
    swatch.setColor(QPalette::Window, color);
    m_cmdColor->setPalette(swatch);
    m_ctlGraph->setLineColor(color);
}

void frmMain::openPicker(int which)
{
    m_d = which;
    if (!m_picker) {
        m_picker = new frmDativo(this);
        connect(m_picker, &frmDativo::datePicked, this, &frmMain::datePicked);
    }
    m_picker->setWindowTitle(which == 1 ? tr("Начало периода", "window title") : tr("Конец периода", "window title"));
    // The calendar opens on the box's date.
    const QString stored = Timeline::GetSqlDate(which == 1 ? m_txtD1->text() : m_txtD2->text());
    const std::optional<DateTimeText::Seconds> value = DateTimeText::toSeconds(stored);
    if (value && stored != Timeline::GetSqlDate(QString()))
        m_picker->calendar()->setValue(DateTimeText::dateOf(*value));
    m_picker->exec();
}

void frmMain::datePicked(const QDate &date)
{
    (m_d == 1 ? m_txtD1 : m_txtD2)->setText(englishDates() ? Regional::shortDate(date)
                                                           : date.toString(QStringLiteral("dd.MM.yyyy")));
}

bool frmMain::englishDates()
{
    // DD.MM.YYYY as the boxes always had under Russian and C; an English
    // desktop reads every date of the window in its own short form.
    return Language::forSystem() == Language::Choice::English;
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_vs1 || watched == m_vs3) && event->type() == QEvent::Wheel && !m_turningWheel) {
        // A scroll bar moves down on a wheel turned up; as a spinner whose
        // upper arrow raises the value, the wheel must count up too.
        const auto *wheel = static_cast<QWheelEvent *>(event);
        QWheelEvent turned(wheel->position(), wheel->globalPosition(), -wheel->pixelDelta(), -wheel->angleDelta(),
                           wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted(), wheel->source());
        m_turningWheel = true;
        QCoreApplication::sendEvent(watched, &turned);
        m_turningWheel = false;
        event->setAccepted(turned.isAccepted());
        return true;
    }
    if (watched == m_txtD1 || watched == m_txtD2) {
        bool open = false;
        if (event->type() == QEvent::MouseButtonRelease)
            open = static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
        else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            open = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F4;
        }
        if (open) {
            openPicker(watched == m_txtD1 ? 1 : 2);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeChildren();
}

void frmMain::placeChildren()
{
    m_top->setGeometry(0, 0, width(), m_top->sizeHint().height());
    // Below a small floor the chart keeps its last size instead of vanishing.
    const int w = width() - m_ctlGraph->x();
    const int h = height() - m_ctlGraph->y();
    if (w > twips(ChartFloorTwips) && h > twips(ChartFloorTwips))
        m_ctlGraph->resize(w, h);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_picker) {
        m_picker->deleteLater();
        m_picker = nullptr;
    }
    QWidget::closeEvent(event);
}

} // namespace grapher
