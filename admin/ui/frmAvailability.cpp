#include "frmAvailability.h"

#include "AddressText.h"
#include "AdminStore.h"
#include "AvailabilityPdf.h"
#include "DurationText.h"
#include "Prompts.h"
#include "Regional.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace admin {

namespace {

// Sorting reads this role: numbers sort as numbers, "нет данных" first.
constexpr int SortRole = Qt::UserRole + 1;
// Shown only while the planned work is set aside.
constexpr int MaintenanceColumn = 9;

Availability::Seconds nowSeconds()
{
    return DateTimeText::toSeconds(QDate::currentDate(), QTime::currentTime());
}

QStandardItem *cell(const QString &text, const QVariant &sortValue)
{
    auto *item = new QStandardItem(text);
    item->setData(sortValue, SortRole);
    item->setEditable(false);
    return item;
}

QString duration(const std::optional<qint64> &s)
{
    return s ? DurationText::format(*s) : QStringLiteral("—");
}

} // namespace

frmAvailability::frmAvailability(Prompts &prompts, AdminStore &store, QWidget *parent)
    : QDialog(parent)
    , m_prompts(prompts)
    , m_store(store)
{
    setObjectName(QStringLiteral("frmAvailability"));
    setWindowTitle(tr("Доступность", "window title"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("cboPeriod"));
    m_kind->addItems({tr("Последние 24 часа"), tr("Последние 7 дней"), tr("Последние 30 дней"),
                      tr("Календарный месяц"), tr("Календарный год"), tr("С … по …")});
    m_chosen = new QDateEdit(QDate::currentDate(), this);
    m_chosen->setObjectName(QStringLiteral("dateChosen"));
    m_from = new QDateEdit(QDate::currentDate().addDays(-6), this);
    m_from->setObjectName(QStringLiteral("dateFrom"));
    m_to = new QDateEdit(QDate::currentDate(), this);
    m_to->setObjectName(QStringLiteral("dateTo"));
    for (QDateEdit *e : {m_chosen, m_from, m_to}) {
        e->setCalendarPopup(true);
        e->setDisplayFormat(QLocale::system().dateFormat(QLocale::ShortFormat));
    }
    m_withoutMaintenance = new QCheckBox(tr("Не учитывать плановые работы"), this);
    m_withoutMaintenance->setObjectName(QStringLiteral("chkWithoutMaintenance"));
    m_withoutMaintenance->setToolTip(
        tr("Время в окнах плановых работ адреса не считается ни доступностью, ни сбоем"));
    auto *compute = new QPushButton(tr("Рассчитать"), this);
    compute->setObjectName(QStringLiteral("cmdCompute"));
    m_pdf = new QPushButton(tr("Сохранить PDF..."), this);
    m_pdf->setObjectName(QStringLiteral("cmdPdf"));
    m_html = new QPushButton(tr("Сохранить HTML..."), this);
    m_html->setObjectName(QStringLiteral("cmdHtml"));
    m_periodLabel = new QLabel(this);
    m_periodLabel->setObjectName(QStringLiteral("lblPeriod"));

    m_model = new QStandardItemModel(0, 10, this);
    m_model->setHorizontalHeaderLabels({tr("Адрес"), tr("Описание"), tr("Доступность"), tr("Сбоев"),
                                        tr("Время сбоев"), tr("Самый долгий"), tr("Среднее восстановление"),
                                        tr("Между сбоями"), tr("Без наблюдения"), tr("Плановые работы")});
    m_model->setSortRole(SortRole);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tblHosts"));
    m_table->setModel(m_model);
    // Addresses by value until the operator chooses another order.
    m_table->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    m_table->setSortingEnabled(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->setColumnHidden(MaintenanceColumn, true);
    m_outages = new QTreeWidget(this);
    m_outages->setObjectName(QStringLiteral("lstOutages"));
    m_outages->setRootIsDecorated(false);
    m_outages->setHeaderLabels({tr("Начало"), tr("Конец"), tr("Длительность")});

    auto *top = new QHBoxLayout;
    top->addWidget(m_kind);
    top->addWidget(m_chosen);
    top->addWidget(m_from);
    top->addWidget(m_to);
    top->addWidget(m_withoutMaintenance);
    top->addWidget(compute);
    top->addStretch();
    top->addWidget(m_pdf);
    top->addWidget(m_html);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_table);
    split->addWidget(m_outages);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_periodLabel);
    layout->addWidget(split);
    resize(900, 560);

    connect(m_kind, &QComboBox::currentIndexChanged, this, &frmAvailability::periodKindChanged);
    connect(compute, &QPushButton::clicked, this, &frmAvailability::refresh);
    connect(m_withoutMaintenance, &QCheckBox::toggled, this, &frmAvailability::refresh);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &frmAvailability::hostChosen);
    connect(m_pdf, &QPushButton::clicked, this, [this] { save(true); });
    connect(m_html, &QPushButton::clicked, this, [this] { save(false); });
    m_kind->setCurrentIndex(2);
    periodKindChanged();
}

AvailabilityPeriod frmAvailability::currentPeriod() const
{
    return AvailabilityReport::period(AvailabilityReport::PeriodKind(m_kind->currentIndex()), nowSeconds(),
                                      m_chosen->date(), m_from->date(), m_to->date());
}

void frmAvailability::periodKindChanged()
{
    using K = AvailabilityReport::PeriodKind;
    const auto kind = K(m_kind->currentIndex());
    m_chosen->setVisible(kind == K::Month || kind == K::Year);
    m_chosen->setDisplayFormat(kind == K::Year ? QStringLiteral("yyyy") : QStringLiteral("MM.yyyy"));
    m_from->setVisible(kind == K::Days);
    m_to->setVisible(kind == K::Days);
    refresh();
}

void frmAvailability::refresh()
{
    const AvailabilityPeriod period = currentPeriod();
    const Availability::Seconds now = nowSeconds();
    const quint64 request = ++m_request;
    const auto maintenance = m_withoutMaintenance->isChecked() ? AvailabilityReport::Maintenance::SetAside
                                                               : AvailabilityReport::Maintenance::Counted;
    m_computing = true;
    m_periodLabel->setText(tr("Период: %1 (считается...)").arg(AvailabilityReport::periodText(period)));
    m_store.availability(period, now, maintenance).then(this, [this, request](AdminStore::AvailabilityRead read) {
        showHosts(request, std::move(read.hosts), read.error);
    });
    m_shownPeriod = period;
    m_shownMaintenance = maintenance;
}

void frmAvailability::showHosts(quint64 request, std::optional<std::vector<HostAvailability>> hosts,
                                const QString &error)
{
    if (request != m_request)
        return;
    m_computing = false;
    m_outages->clear();
    m_model->removeRows(0, m_model->rowCount());
    if (!hosts) {
        m_periodLabel->setText(tr("Не удалось рассчитать доступность: %1").arg(error));
        m_hosts.clear();
        emit computed();
        return;
    }
    m_hosts = std::move(*hosts);
    m_periodLabel->setText(tr("Период: %1").arg(AvailabilityReport::periodText(m_shownPeriod)));
    const QLocale locale = QLocale::system();
    m_table->setSortingEnabled(false);
    for (size_t i = 0; i < m_hosts.size(); ++i) {
        const HostAvailability &h = m_hosts[i];
        const Availability::Figures &f = h.figures;
        QList<QStandardItem *> row{
            // IPv4 before IPv6, each by value: 10.10.0.2 before 10.10.0.10.
            cell(h.address, QString::fromLatin1(AddressText::sortKey(h.address).toHex())),
            cell(h.description, h.description),
            cell(Availability::percentText(f), f.availabilityMilliPercent().value_or(-1)),
            cell(f.hasData() ? locale.toString(f.outages) : QString(), f.outages),
            cell(f.hasData() ? DurationText::format(f.down) : QString(), f.down),
            cell(f.hasData() ? DurationText::format(f.longest) : QString(), f.longest),
            cell(duration(f.meanDown()), f.meanDown().value_or(-1)),
            cell(duration(f.mtbf()), f.mtbf().value_or(-1)),
            cell(DurationText::format(f.unwatched), f.unwatched),
            cell(DurationText::format(f.maintenance), f.maintenance)};
        row.first()->setData(qulonglong(i), Qt::UserRole);
        m_model->appendRow(row);
    }
    m_table->setSortingEnabled(true);
    m_table->setColumnHidden(MaintenanceColumn, m_shownMaintenance != AvailabilityReport::Maintenance::SetAside);
    m_table->resizeColumnsToContents();
    emit computed();
}

void frmAvailability::hostChosen()
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    m_outages->clear();
    if (rows.isEmpty())
        return;
    const QString ip = m_model->item(rows.first().row(), 0)->text();
    const AvailabilityPeriod period = m_shownPeriod;
    const quint64 request = ++m_outageRequest;
    m_store.outagesOf(ip, period).then(this, [this, request](AdminStore::OutagesRead read) {
        showOutages(request, std::move(read.outages), read.error);
    });
}

void frmAvailability::showOutages(quint64 request, std::optional<std::vector<Availability::Outage>> outages,
                                  const QString &error)
{
    if (request != m_outageRequest)
        return;
    m_outages->clear();
    if (!outages) {
        new QTreeWidgetItem(m_outages, {tr("Не удалось прочитать сбои: %1").arg(error)});
        return;
    }
    const auto text = [](Availability::Seconds s) {
        return Regional::generalDateTime(DateTimeText::dateOf(s), DateTimeText::timeOf(s));
    };
    for (const Availability::Outage &o : *outages) {
        new QTreeWidgetItem(m_outages, {text(o.begin), o.end ? text(*o.end) : tr("продолжается"),
                                        o.end ? DurationText::format(*o.end - o.begin) : QString()});
    }
    m_outages->resizeColumnToContents(0);
    m_outages->resizeColumnToContents(1);
}

void frmAvailability::save(bool pdf)
{
    const QString path =
        m_prompts.saveFileName(this, tr("Сохранить отчёт о доступности", "window title"), QString(),
                               pdf ? QStringLiteral("PDF (*.pdf)") : QStringLiteral("HTML (*.html *.htm)"),
                               pdf ? QStringLiteral("pdf") : QStringLiteral("html"));
    if (path.isEmpty())
        return;
    const QString html =
        AvailabilityReport::html(m_hosts, AvailabilityReport::periodText(m_shownPeriod), m_shownMaintenance,
                                 shownOrder());
    QString error;
    if (!(pdf ? savePdf(path, html, &error) : saveHtml(path, html, &error)))
        m_prompts.notify(this, QMessageBox::Critical, tr("Доступность", "window title"),
                         tr("Не удалось сохранить отчёт %1: %2").arg(path, error));
}

std::vector<size_t> frmAvailability::shownOrder() const
{
    std::vector<size_t> order;
    order.reserve(size_t(m_model->rowCount()));
    for (int row = 0; row < m_model->rowCount(); ++row)
        order.push_back(size_t(m_model->item(row, 0)->data(Qt::UserRole).toULongLong()));
    return order;
}

bool frmAvailability::savePdf(const QString &path, const QString &html, QString *error)
{
    return AvailabilityPdf::write(path, html, error);
}

bool frmAvailability::saveHtml(const QString &path, const QString &html, QString *error)
{
    QSaveFile file(path);
    const QByteArray bytes = html.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace admin
