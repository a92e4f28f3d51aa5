#include "frmWeekHour.h"

#include "DurationText.h"
#include "GrapherStore.h"
#include "Prompts.h"
#include "Regional.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QFontDatabase>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QToolTip>
#include <QVBoxLayout>

namespace grapher {

namespace {

// From white to a deep red: a cell's shade tells its share of the largest.
QColor shade(double share)
{
    share = qBound(0.0, share, 1.0);
    return QColor::fromRgbF(1.0 - 0.2 * share, 1.0 - 0.85 * share, 1.0 - 0.85 * share);
}

QString stamp(DateTimeText::Seconds s)
{
    return Regional::generalDateTime(DateTimeText::dateOf(s), DateTimeText::timeOf(s));
}

} // namespace

WeekHourView::WeekHourView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ctlWeekHour"));
    setMinimumSize(480, 220);
    setMouseTracking(true);
}

void WeekHourView::setMap(const WeekHourMap &map, bool minutes)
{
    m_map = map;
    m_minutes = minutes;
    update();
}

WeekHourLayout WeekHourView::layout() const
{
    const QFontMetrics fm(font());
    int dayWidth = 0;
    for (int d = 1; d <= 7; ++d)
        dayWidth = qMax(dayWidth, fm.horizontalAdvance(locale().dayName(d, QLocale::ShortFormat)));
    return WeekHourLayout::compute(size(), dayWidth + 6, fm.height() + 2);
}

qint64 WeekHourView::value(int row, int hour) const
{
    const WeekHourMap::Cell &c = m_map.cell(row, hour);
    return m_minutes ? (c.downSeconds + 59) / 60 : c.outages;
}

qint64 WeekHourView::maximum() const
{
    return m_minutes ? (m_map.maxDownSeconds() + 59) / 60 : m_map.maxOutages();
}

QString WeekHourView::valueText(qint64 v) const
{
    return locale().toString(v);
}

void WeekHourView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const WeekHourLayout l = layout();
    if (l.cell <= 0)
        return;
    const QFontMetrics fm(font());
    const qint64 max = maximum();
    p.setPen(palette().color(QPalette::Text));
    for (int h = 0; h < WeekHourMap::Hours; h += (l.cell < fm.horizontalAdvance(QStringLiteral("00")) + 2 ? 2 : 1))
        p.drawText(QRect(l.cellRect(0, h).left(), l.grid.top() - fm.height() - 2, l.cell, fm.height()),
                   Qt::AlignCenter, QString::number(h));
    for (int row = 0; row < WeekHourMap::Days; ++row) {
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRect(0, l.cellRect(row, 0).top(), l.grid.left() - 4, l.cell), Qt::AlignRight | Qt::AlignVCenter,
                   locale().dayName(int(m_map.dayOfRow(row)), QLocale::ShortFormat));
        for (int h = 0; h < WeekHourMap::Hours; ++h) {
            const QRect r = l.cellRect(row, h);
            const qint64 v = value(row, h);
            p.fillRect(r, shade(max > 0 ? double(v) / double(max) : 0));
            p.setPen(QColor(0xc0, 0xc0, 0xc0));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            if (v > 0 && fm.horizontalAdvance(valueText(v)) < l.cell) {
                p.setPen(v * 2 > max ? Qt::white : Qt::black);
                p.drawText(r, Qt::AlignCenter, valueText(v));
            }
        }
    }
    // Legend: the scale from nothing to the largest value.
    const int steps = 20;
    const QRect bar(l.legend.left(), l.legend.top(), l.legend.width() / 2, fm.height());
    for (int i = 0; i < steps; ++i)
        p.fillRect(QRect(bar.left() + bar.width() * i / steps, bar.top(), bar.width() / steps + 1, bar.height()),
                   shade(double(i) / (steps - 1)));
    p.setPen(palette().color(QPalette::Text));
    p.drawRect(bar.adjusted(0, 0, -1, -1));
    const QString what = m_minutes ? tr("минуты простоя") : tr("сбои");
    p.drawText(QRect(bar.right() + 6, bar.top(), l.legend.width() - bar.width() - 6, fm.height()),
               Qt::AlignLeft | Qt::AlignVCenter,
               tr("0 … %1 (%2)").arg(valueText(max), what));
}

bool WeekHourView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const auto hit = layout().cellAt(help->pos());
        if (!hit) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        const WeekHourMap::Cell &c = m_map.cell(hit->first, hit->second);
        QToolTip::showText(help->globalPos(),
                           tr("%1, %2:00–%3:00\nСбоев: %4\nПростой: %5")
                               .arg(locale().dayName(int(m_map.dayOfRow(hit->first)), QLocale::LongFormat))
                               .arg(hit->second, 2, 10, QLatin1Char('0'))
                               .arg((hit->second + 1) % 24, 2, 10, QLatin1Char('0'))
                               .arg(c.outages)
                               .arg(DurationText::format(c.downSeconds)),
                           this);
        return true;
    }
    return QWidget::event(event);
}

void WeekHourView::mousePressEvent(QMouseEvent *event)
{
    if (const auto hit = layout().cellAt(event->position().toPoint()))
        emit cellChosen(hit->first, hit->second);
}

frmWeekHour::frmWeekHour(Prompts &prompts, GrapherStore &store, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_prompts(prompts)
    , m_store(store)
{
    setObjectName(QStringLiteral("frmWeekHour"));
    setWindowTitle(tr("Сбои по дням недели и часам", "window title"));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("lblWeekTitle"));
    m_allHosts = new QCheckBox(tr("Все адреса"), this);
    m_allHosts->setObjectName(QStringLiteral("chkAllHosts"));
    m_measure = new QComboBox(this);
    m_measure->setObjectName(QStringLiteral("cboMeasure"));
    m_measure->addItems({tr("Число сбоев"), tr("Минуты простоя")});
    m_save = new QPushButton(tr("Сохранить PNG..."), this);
    m_save->setObjectName(QStringLiteral("cmdSavePng"));
    m_view = new WeekHourView(this);
    m_view->setLocale(QLocale::system());
    m_breakdown = new QPlainTextEdit(this);
    m_breakdown->setObjectName(QStringLiteral("txtWeekBreakdown"));
    m_breakdown->setReadOnly(true);
    m_breakdown->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_cellOutages = new QListWidget(this);
    m_cellOutages->setObjectName(QStringLiteral("lstCellOutages"));

    auto *top = new QHBoxLayout;
    top->addWidget(m_allHosts);
    top->addWidget(m_measure);
    top->addStretch();
    top->addWidget(m_save);
    auto *bottom = new QSplitter(Qt::Horizontal, this);
    bottom->addWidget(m_breakdown);
    bottom->addWidget(m_cellOutages);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addLayout(top);
    layout->addWidget(m_view, 3);
    layout->addWidget(bottom, 2);
    resize(820, 600);

    connect(m_allHosts, &QCheckBox::toggled, this, &frmWeekHour::load);
    connect(m_measure, &QComboBox::currentIndexChanged, this, &frmWeekHour::rebuild);
    connect(m_view, &WeekHourView::cellChosen, this, &frmWeekHour::cellChosen);
    connect(m_save, &QPushButton::clicked, this, &frmWeekHour::savePng);
}

void frmWeekHour::show(const QString &description, DateTimeText::Seconds from, DateTimeText::Seconds to)
{
    m_description = description;
    m_from = from;
    m_to = to;
    load();
    QWidget::show();
    raise();
}

void frmWeekHour::load()
{
    const bool all = m_allHosts->isChecked();
    const QString description = m_description;
    // The period ends before m_to: a period of whole days names its last
    // day, not the midnight after it.
    const DateTimeText::Seconds last = DateTimeText::secondOfDay(m_to) == 0 && m_to > m_from ? m_to - 1 : m_to;
    m_title->setText(tr("%1: %2 – %3")
                         .arg(all ? tr("Все адреса") : description, stamp(m_from),
                              last == m_to ? stamp(m_to) : Regional::shortDate(DateTimeText::dateOf(last))));
    const quint64 request = ++m_request;
    m_store.readWeekMap(all, description, m_from, m_to).then(this, [this, request](GrapherStore::WeekRows read) {
        std::vector<Row> rows;
        rows.reserve(read.spans.size());
        for (size_t i = 0; i < read.spans.size(); ++i)
            rows.push_back({read.spans[i], read.descriptions.at(qsizetype(i))});
        shown(request, std::move(rows), read.error);
    });
}

void frmWeekHour::shown(quint64 request, std::vector<Row> rows, const QString &error)
{
    if (request != m_request)
        return;
    m_rows = std::move(rows);
    m_cellOutages->clear();
    if (!error.isEmpty())
        m_cellOutages->addItem(tr("Ошибка базы данных: %1").arg(error));
    rebuild();
    emit loaded();
}

void frmWeekHour::rebuild()
{
    std::vector<WeekHourMap::Outage> spans;
    spans.reserve(m_rows.size());
    for (const Row &r : m_rows)
        spans.push_back(r.span);
    WeekHourMap map(QLocale::system().firstDayOfWeek());
    map.build(spans);
    const bool minutes = m_measure->currentIndex() == 1;
    m_view->setMap(map, minutes);
    m_breakdown->setPlainText(map.breakdown(minutes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

QString frmWeekHour::breakdownText() const
{
    return m_breakdown->toPlainText();
}

int frmWeekHour::listedOutages() const
{
    return m_cellOutages->count();
}

void frmWeekHour::cellChosen(int row, int hour)
{
    m_cellOutages->clear();
    std::vector<WeekHourMap::Outage> spans;
    spans.reserve(m_rows.size());
    for (const Row &r : m_rows)
        spans.push_back(r.span);
    for (size_t i : WeekHourMap::outagesIn(spans, m_view->map().dayOfRow(row), hour)) {
        const Row &r = m_rows[i];
        m_cellOutages->addItem(QStringLiteral("%1 – %2  %3  %4")
                                   .arg(stamp(r.span.begin), stamp(r.span.end),
                                        DurationText::format(r.span.end - r.span.begin), r.description));
    }
}

void frmWeekHour::savePng()
{
    const QString path = m_prompts.saveFileName(this, tr("Сохранить карту", "window title"), QString(),
                                                QStringLiteral("PNG (*.png)"), QStringLiteral("png"));
    if (path.isEmpty())
        return;
    if (!m_view->grab().save(path, "PNG"))
        m_prompts.notify(this, QMessageBox::Critical, QStringLiteral("GRAPHER"),
                         tr("Не удалось сохранить файл %1.").arg(path));
}

} // namespace grapher
