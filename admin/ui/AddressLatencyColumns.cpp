#include "AddressLatencyColumns.h"

#include "Database.h"
#include "DatabaseThread.h"
#include "LatencyReader.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLocale>
#include <QSqlQuery>
#include <QStandardItemModel>

namespace admin {

namespace {

constexpr int SortRole = Qt::UserRole + 40;

QString milliseconds(const std::optional<qint64> &us)
{
    return us ? QLocale::system().toString(double(*us) / 1000.0, 'f', 1) : QString();
}

} // namespace

AddressLatencyColumns::AddressLatencyColumns(QStandardItemModel *model, QHeaderView *header, QObject *parent)
    : QObject(parent)
    , m_model(model)
{
    connect(header, &QHeaderView::sectionClicked, this, [this](int section) {
        if (!m_model || section < FirstColumn || m_model->columnCount() <= section)
            return;
        m_sortDescending = !m_sortDescending;
        m_model->setSortRole(SortRole);
        m_model->sort(section, m_sortDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
    });
}

AddressLatencyColumns::~AddressLatencyColumns() = default;

void AddressLatencyColumns::waitForRead()
{
    if (m_thread)
        m_thread->call([](QSqlDatabase) {});
    QCoreApplication::sendPostedEvents();
}

void AddressLatencyColumns::refresh()
{
    if (!m_model)
        return;
    if (!m_thread)
        m_thread = new DatabaseThread(QStringLiteral("admin-latency"), this);
    const int generation = ++m_generation;
    const QString name = m_thread->connectionName();
    const QDateTime since = QDateTime::currentDateTime().addDays(-1);
    m_thread->post(
        this,
        [name, since](QSqlDatabase db) -> QHash<QString, LatencyReader::Recent> {
            QHash<QString, LatencyReader::Recent> recent;
            QString error;
            if (!db.isOpen()) {
                Database::Options options;
                options.readOnly = true;
                if (!Database::open(Database::configOf(QLatin1String(QSqlDatabase::defaultConnection)), options,
                                    &error, name, nullptr))
                    return recent;
            } else if (!Database::reconnectIfLost(name, &error)) {
                return recent;
            }
            const QSqlDatabase c = QSqlDatabase::database(name, false);
            QSqlQuery tables(c);
            if (runStatement(tables, Statements::CountLatencyTables) && tables.next() && tables.value(0).toInt() > 0)
                LatencyReader::recent(c, since, &recent, &error);
            return recent;
        },
        [this, generation](QHash<QString, LatencyReader::Recent> recent) {
            // A listing shown again meanwhile reads afresh. Without anything
            // measured in the last day the listing stays as it always was.
            if (!m_model || generation != m_generation || recent.isEmpty() || m_model->columnCount() > FirstColumn)
                return;
            m_model->setColumnCount(FirstColumn + 3);
            m_model->setHorizontalHeaderItem(FirstColumn, new QStandardItem(tr("Последний отклик (мс)")));
            m_model->setHorizontalHeaderItem(FirstColumn + 1, new QStandardItem(tr("Медиана за 24 ч (мс)")));
            m_model->setHorizontalHeaderItem(FirstColumn + 2, new QStandardItem(tr("Потери за 24 ч (%)")));
            for (int row = 0; row < m_model->rowCount(); ++row) {
                const QString ip = m_model->item(row, AddressColumn) ? m_model->item(row, AddressColumn)->text()
                                                                     : QString();
                const auto it = recent.constFind(ip);
                const bool known = it != recent.constEnd();
                const std::optional<double> loss = known ? it->summary.lossShare() : std::nullopt;
                const std::optional<qint64> last = known ? it->lastRttUs : std::nullopt;
                const std::optional<qint64> median = known ? it->summary.medianUs : std::nullopt;
                const QString texts[] = {milliseconds(last), milliseconds(median),
                                         loss ? QLocale::system().toString(*loss * 100, 'f', 1) : QString()};
                // An empty cell sorts after every number (ascending).
                const double keys[] = {last ? double(*last) : 1e18, median ? double(*median) : 1e18,
                                       loss ? *loss : 1e18};
                for (int i = 0; i < 3; ++i) {
                    auto *cell = new QStandardItem(texts[i]);
                    cell->setEditable(false);
                    cell->setData(keys[i], SortRole);
                    cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                    m_model->setItem(row, FirstColumn + i, cell);
                }
            }
        });
}

} // namespace admin
