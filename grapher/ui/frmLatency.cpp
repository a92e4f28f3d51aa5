#include "frmLatency.h"

#include "GrapherStore.h"
#include "LatencyChart.h"
#include "Prompts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace grapher {

frmLatency::frmLatency(Prompts &prompts, GrapherStore &store, QWidget *parent)
    : QWidget(parent)
    , m_prompts(prompts)
    , m_store(store)
{
    setObjectName(QStringLiteral("frmLatency"));
    setWindowTitle(tr("Задержка и потери"));

    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("txtHostFilter"));
    m_filter->setPlaceholderText(tr("Найти адрес или описание"));
    m_filter->setClearButtonEnabled(true);
    m_hosts = new QListWidget(this);
    m_hosts->setObjectName(QStringLiteral("lstHosts"));
    m_period = new QComboBox(this);
    m_period->setObjectName(QStringLiteral("cmbPeriod"));
    m_period->addItems({tr("Последний час"), tr("Последние сутки"), tr("Последняя неделя"), tr("Последний месяц"),
                        tr("Последний год"), tr("Период")});
    m_period->setCurrentIndex(LastDay);
    const QDateTime now = QDateTime::currentDateTime();
    m_from = new QDateTimeEdit(now.addDays(-1), this);
    m_to = new QDateTimeEdit(now, this);
    for (QDateTimeEdit *e : {m_from, m_to}) {
        e->setCalendarPopup(true);
        e->setEnabled(false);
    }
    m_draw = new QPushButton(tr("Построить"), this);
    m_draw->setObjectName(QStringLiteral("cmdDraw"));
    m_png = new QPushButton(tr("Сохранить PNG..."), this);
    m_svg = new QPushButton(tr("Сохранить SVG..."), this);
    m_chart = new LatencyChart(this);

    auto *side = new QVBoxLayout;
    side->addWidget(new QLabel(tr("Адреса:"), this));
    side->addWidget(m_filter);
    side->addWidget(m_hosts, 1);
    side->addWidget(new QLabel(tr("Период:"), this));
    side->addWidget(m_period);
    side->addWidget(m_from);
    side->addWidget(m_to);
    side->addWidget(m_draw);
    side->addWidget(m_png);
    side->addWidget(m_svg);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(side);
    layout->addWidget(m_chart, 1);
    resize(900, 450);

    connect(m_period, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_from->setEnabled(index == FromTo);
        m_to->setEnabled(index == FromTo);
    });
    connect(m_filter, &QLineEdit::textChanged, this, &frmLatency::filterHosts);
    connect(m_draw, &QPushButton::clicked, this, &frmLatency::draw);
    connect(m_png, &QPushButton::clicked, this, &frmLatency::savePng);
    connect(m_svg, &QPushButton::clicked, this, &frmLatency::saveSvg);
    readHosts();
}

frmLatency::~frmLatency() = default;

std::pair<QDateTime, QDateTime> frmLatency::periodBounds(Period period, const QDateTime &now, const QDateTime &from,
                                                         const QDateTime &to)
{
    switch (period) {
    case LastHour:
        return {now.addSecs(-3600), now};
    case LastDay:
        return {now.addDays(-1), now};
    case LastWeek:
        return {now.addDays(-7), now};
    case LastMonth:
        return {now.addMonths(-1), now};
    case LastYear:
        return {now.addYears(-1), now};
    case FromTo:
        return from <= to ? std::pair{from, to} : std::pair{to, from};
    }
    return {now.addDays(-1), now};
}

void frmLatency::waitForReads()
{
    if (m_pending)
        m_pending(10000);
    QCoreApplication::sendPostedEvents();
}

void frmLatency::readHosts()
{
    const auto read = m_store.readLatencyHosts();
    m_pending = [read](int ms) { return read.waitFor(ms); };
    read.then(this, [this](const GrapherStore::LatencyHosts &result) {
        if (!result.error.isEmpty()) {
            m_prompts.ask(this, QMessageBox::Warning, tr("Задержка и потери"),
                          tr("Не удалось прочитать адреса: %1").arg(result.error));
            return;
        }
        m_hostRows = result.hosts;
        m_hosts->clear();
        for (const LatencyReader::Host &h : m_hostRows) {
            auto *item = new QListWidgetItem(h.desc.isEmpty() ? h.ip : h.desc + QLatin1String(" (") + h.ip
                                                                               + QLatin1Char(')'),
                                             m_hosts);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(m_hosts->count() == 1 ? Qt::Checked : Qt::Unchecked);
        }
        filterHosts();
    });
}

void frmLatency::filterHosts()
{
    const QString wanted = m_filter->text().trimmed();
    for (int i = 0; i < m_hosts->count(); ++i)
        m_hosts->item(i)->setHidden(!wanted.isEmpty()
                                    && !m_hosts->item(i)->text().contains(wanted, Qt::CaseInsensitive));
}

void frmLatency::draw()
{
    QList<qint64> ids;
    QStringList names;
    for (int i = 0; i < m_hosts->count() && i < m_hostRows.size(); ++i) {
        if (m_hosts->item(i)->checkState() == Qt::Checked) {
            ids << m_hostRows.at(i).id;
            names << m_hosts->item(i)->text();
        }
    }
    const auto [from, to] = periodBounds(Period(m_period->currentIndex()), QDateTime::currentDateTime(),
                                         m_from->dateTime(), m_to->dateTime());
    const auto read = m_store.readLatency(ids, from, to);
    m_pending = [read](int ms) { return read.waitFor(ms); };
    read.then(this, [this, names, from = from, to = to](const GrapherStore::LatencySeries &series) {
        if (!series.error.isEmpty()) {
            m_prompts.ask(this, QMessageBox::Warning, tr("Задержка и потери"),
                          tr("Не удалось прочитать задержки: %1").arg(series.error));
            return;
        }
        m_chart->setData(series.series, names, from, to);
    });
}

void frmLatency::savePng()
{
    const QString path =
        m_prompts.saveFileName(this, tr("Сохранить PNG"), QStringLiteral("latency.png"), QStringLiteral("png (*.png)"),
                               QStringLiteral("png"));
    QString error;
    if (!path.isEmpty() && !m_chart->savePng(path, &error))
        m_prompts.ask(this, QMessageBox::Warning, tr("Задержка и потери"), error);
}

void frmLatency::saveSvg()
{
    const QString path =
        m_prompts.saveFileName(this, tr("Сохранить SVG"), QStringLiteral("latency.svg"), QStringLiteral("svg (*.svg)"),
                               QStringLiteral("svg"));
    QString error;
    if (!path.isEmpty() && !m_chart->saveSvg(path, &error))
        m_prompts.ask(this, QMessageBox::Warning, tr("Задержка и потери"), error);
}

} // namespace grapher
