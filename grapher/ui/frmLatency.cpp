#include "frmLatency.h"

#include "Database.h"
#include "DateTimeText.h"
#include "DatabaseThread.h"
#include "LatencyChart.h"
#include "Prompts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QSqlQuery>
#include <QVBoxLayout>

namespace grapher {

namespace {

// The connection was opened with the program; a server that dropped it is
// asked again.
bool stillOpen(QSqlDatabase, const QString &name, QString *error)
{
    return Database::reconnectIfLost(name, error);
}

bool hasTables(QSqlDatabase db)
{
    QSqlQuery q(db);
    return runStatement(q, Statements::CountLatencyTables) && q.next() && q.value(0).toInt() > 0;
}

struct Read
{
    QString error;
    std::vector<LatencyLayout::Series> series;
};

} // namespace

frmLatency::frmLatency(Prompts &prompts, std::unique_ptr<DatabaseThread> database, QWidget *parent)
    : QWidget(parent)
    , m_prompts(prompts)
    , m_thread(std::move(database))
{
    setObjectName(QStringLiteral("frmLatency"));
    setWindowTitle(tr("Задержка и потери"));

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
    connect(m_draw, &QPushButton::clicked, this, &frmLatency::draw);
    connect(m_png, &QPushButton::clicked, this, &frmLatency::savePng);
    connect(m_svg, &QPushButton::clicked, this, &frmLatency::saveSvg);
    readHosts();
}

frmLatency::~frmLatency()
{
    // A statement the server never answers would hold the program's end.
    if (m_thread->jobElapsedMs() > 1000)
        m_thread->abandon();
}

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
    m_thread->call([](QSqlDatabase) {});
    QCoreApplication::sendPostedEvents();
}

void frmLatency::readHosts()
{
    const QString name = m_thread->connectionName();
    m_thread->post(
        this,
        [name](QSqlDatabase db) -> std::pair<QString, QList<LatencyReader::Host>> {
            QString error;
            QList<LatencyReader::Host> hosts;
            if (!stillOpen(db, name, &error))
                return {error, hosts};
            const QSqlDatabase c = QSqlDatabase::database(name, false);
            if (hasTables(c))
                LatencyReader::hosts(c, &hosts, &error);
            return {error, hosts};
        },
        [this](std::pair<QString, QList<LatencyReader::Host>> result) {
            if (!result.first.isEmpty()) {
                m_prompts.ask(this, QMessageBox::Warning, tr("Задержка и потери"),
                              tr("Не удалось прочитать адреса: %1").arg(result.first));
                return;
            }
            m_hostRows = result.second;
            m_hosts->clear();
            for (const LatencyReader::Host &h : m_hostRows) {
                auto *item = new QListWidgetItem(h.desc.isEmpty() ? h.ip : h.desc + QLatin1String(" (") + h.ip
                                                                                   + QLatin1Char(')'),
                                                 m_hosts);
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setCheckState(m_hosts->count() == 1 ? Qt::Checked : Qt::Unchecked);
            }
        });
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
    const QString name = m_thread->connectionName();
    m_thread->post(
        this,
        [name, ids, from = from, to = to](QSqlDatabase db) -> Read {
            Read read;
            if (!stillOpen(db, name, &read.error))
                return read;
            const QSqlDatabase c = QSqlDatabase::database(name, false);
            const LatencyReader::Tier tier = LatencyReader::tierFor(from.secsTo(to));
            const DateTimeText::Seconds origin = DateTimeText::toSeconds(from.date(), from.time());
            for (qint64 id : ids) {
                std::vector<LatencyReader::Point> points;
                if (!LatencyReader::series(c, id, from, to, tier, &points, &read.error))
                    return read;
                LatencyLayout::Series s;
                s.points.reserve(points.size());
                for (const LatencyReader::Point &p : points) {
                    LatencyLayout::Point q;
                    q.t = p.start - origin;
                    q.spanSecs = p.spanSecs;
                    q.sent = p.summary.sent;
                    q.lost = p.summary.lost;
                    const auto ms = [](const std::optional<qint64> &us) {
                        return us ? std::optional<double>(double(*us) / 1000.0) : std::nullopt;
                    };
                    q.lowMs = ms(p.summary.minUs);
                    q.medianMs = ms(p.summary.medianUs);
                    q.highMs = ms(p.summary.maxUs);
                    s.points.push_back(q);
                }
                read.series.push_back(std::move(s));
            }
            return read;
        },
        [this, names, from = from, to = to](Read read) {
            if (!read.error.isEmpty()) {
                m_prompts.ask(this, QMessageBox::Warning, tr("Задержка и потери"),
                              tr("Не удалось прочитать задержки: %1").arg(read.error));
                return;
            }
            m_chart->setData(read.series, names, from, to);
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
