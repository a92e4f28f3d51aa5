#include "AddressListModel.h"

#include "AddressText.h"
#include "Database.h"
#include "Failure.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QSqlQuery>

#include <limits>

namespace admin {

bool AddressListModel::load(QSqlDatabase db, QList<Row> *rows, QString *error)
{
    QSqlQuery query(db);
    if (!runStatement(query, Statements::SelectAddressesWithParents))
        return failWith(error, statementError(query));
    rows->clear();
    while (query.next()) {
        const QVariant parent = query.value(3);
        rows->append({query.value(0).toString(), query.value(1), query.value(2),
                      parent.isNull() ? QString() : parent.toString()});
    }
    if (!endedCleanly(query))
        return failWith(error, statementError(query));
    return true;
}

AddressListModel::AddressListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void AddressListModel::setRows(QList<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_addressKeys.clear();
    m_parentKeys.clear();
    m_folded.clear();
    m_timeouts.clear();
    m_descriptions.clear();
    m_descriptions.reserve(m_rows.size());
    m_addressKeys.reserve(m_rows.size());
    m_parentKeys.reserve(m_rows.size());
    m_folded.reserve(m_rows.size());
    m_timeouts.reserve(m_rows.size());
    m_showParents = false;
    for (const Row &row : std::as_const(m_rows)) {
        m_addressKeys << AddressText::sortKey(row.ip);
        m_parentKeys << (row.parent.isEmpty() ? QByteArray() : AddressText::sortKey(row.parent));
        // A line break keeps a match from running across the two.
        m_descriptions << row.descript.toString().toCaseFolded();
        m_folded << (row.ip + QLatin1Char('\n') + row.descript.toString()).toCaseFolded();
        bool ok = false;
        const qlonglong timeout = row.pingTimeout.toString().toLongLong(&ok);
        // A stored text that is no number sorts after every number.
        m_timeouts << (ok ? timeout : std::numeric_limits<qlonglong>::max());
        m_showParents = m_showParents || !row.parent.isEmpty();
    }
    applyMeasured();
    endResetModel();
}

void AddressListModel::setMeasured(const QHash<QString, Measured> &measured)
{
    beginResetModel();
    m_measuredByAddress = measured;
    applyMeasured();
    endResetModel();
}

void AddressListModel::applyMeasured()
{
    m_showMeasured = !m_measuredByAddress.isEmpty();
    m_measured.clear();
    if (!m_showMeasured)
        return;
    m_measured.reserve(m_rows.size());
    for (const Row &row : std::as_const(m_rows))
        m_measured << m_measuredByAddress.value(row.ip);
}

bool AddressListModel::rowHolds(int row, const QString &caseFolded) const
{
    return m_folded.at(row).contains(caseFolded);
}

bool AddressListModel::rowLessThan(int left, int right, int column) const
{
    if (m_showMeasured && column >= firstMeasuredColumn()) {
        const int i = column - firstMeasuredColumn();
        return m_measured.at(left).keys[i] < m_measured.at(right).keys[i];
    }
    switch (column) {
    case Fixed:
    case Address:
        return m_addressKeys.at(left) < m_addressKeys.at(right);
    case Parent:
        return m_parentKeys.at(left) < m_parentKeys.at(right);
    case Timeout:
        return m_timeouts.at(left) < m_timeouts.at(right);
    default:
        // By letter, any case; a collation per comparison would cost a
        // tenth of a second over ten thousand rows.
        return m_descriptions.at(left) < m_descriptions.at(right);
    }
}

int AddressListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int AddressListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : firstMeasuredColumn() + (m_showMeasured ? MeasuredColumns : 0);
}

QVariant AddressListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const Row &row = m_rows.at(index.row());
    if (m_showMeasured && index.column() >= firstMeasuredColumn()) {
        const int i = index.column() - firstMeasuredColumn();
        if (role == Qt::DisplayRole)
            return m_measured.at(index.row()).texts[i];
        if (role == SortRole)
            return m_measured.at(index.row()).keys[i];
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    }
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case Fixed:
            return QString();
        case Description:
            return row.descript.toString();
        case Address:
            return row.ip;
        case Timeout:
            return row.pingTimeout.toString();
        case Parent:
            return row.parent;
        }
    } else if (role == SortRole) {
        switch (index.column()) {
        case Fixed:
        case Address:
            return m_addressKeys.at(index.row());
        case Description:
            return m_descriptions.at(index.row());
        case Timeout:
            return m_timeouts.at(index.row());
        case Parent:
            return m_parentKeys.at(index.row());
        }
    }
    return QVariant();
}

QVariant AddressListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && m_showMeasured && section >= firstMeasuredColumn()) {
        static const char *const headings[MeasuredColumns] = {
            QT_TRANSLATE_NOOP("admin::AddressLatencyColumns", "Последний отклик (мс)"),
            QT_TRANSLATE_NOOP("admin::AddressLatencyColumns", "Медиана за 24 ч (мс)"),
            QT_TRANSLATE_NOOP("admin::AddressLatencyColumns", "Потери за 24 ч (%)")};
        const int i = section - firstMeasuredColumn();
        if (i < MeasuredColumns)
            return QCoreApplication::translate("admin::AddressLatencyColumns", headings[i]);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

AddressFilterModel::AddressFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(AddressListModel::SortRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
    setSortLocaleAware(true);
}

void AddressFilterModel::setSourceModel(QAbstractItemModel *model)
{
    m_list = qobject_cast<const AddressListModel *>(model);
    QSortFilterProxyModel::setSourceModel(model);
}

void AddressFilterModel::setFilterText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_folded = text.toCaseFolded();
    invalidateRowsFilter();
}

bool AddressFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_text.isEmpty())
        return true;
    if (m_list)
        return m_list->rowHolds(sourceRow, m_folded);
    const QAbstractItemModel *model = sourceModel();
    const auto holds = [&](int column) {
        return model->index(sourceRow, column, sourceParent).data().toString().contains(m_text, Qt::CaseInsensitive);
    };
    return holds(AddressListModel::Address) || holds(AddressListModel::Description);
}

} // namespace admin

namespace admin {

bool AddressFilterModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    if (m_list)
        return m_list->rowLessThan(left.row(), right.row(), left.column());
    const QVariant l = left.data(sortRole());
    const QVariant r = right.data(sortRole());
    if (l.userType() == QMetaType::QByteArray && r.userType() == QMetaType::QByteArray)
        return l.toByteArray() < r.toByteArray();
    return QSortFilterProxyModel::lessThan(left, right);
}

} // namespace admin
