#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSortFilterProxyModel>
#include <QSqlDatabase>
#include <QVariant>

namespace admin {

// admin's address listing: an empty first cell (the grid's fixed column),
// the description, the address, the timeout and, once any address has one,
// the parent. Every column sorts by SortRole: addresses in numeric order,
// timeouts as numbers.
class AddressListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddressListModel)

public:
    enum Column { Fixed, Description, Address, Timeout, Parent };
    static constexpr int SortRole = Qt::UserRole;

    struct Row
    {
        QString ip;
        QVariant descript;
        QVariant pingTimeout;
        QString parent;
    };
    // How well an address answered lately, shown after the listing's own
    // columns once anything was measured: texts as shown, and the numbers
    // they sort by (an empty cell sorts after every number).
    struct Measured
    {
        QString texts[3];
        double keys[3] = {1e18, 1e18, 1e18};
    };
    static constexpr int MeasuredColumns = 3;

    // The whole book with parents; the order is the listing's business.
    static bool load(QSqlDatabase db, QList<Row> *rows, QString *error);

    explicit AddressListModel(QObject *parent = nullptr);

    void setRows(QList<Row> rows);
    const QList<Row> &rows() const { return m_rows; }
    // Whether the parent column is shown: only when an address has a parent,
    // so a book without any lists as it always did.
    bool showsParents() const { return m_showParents; }
    // The measured columns by address; an empty set takes them away again.
    void setMeasured(const QHash<QString, Measured> &measured);
    bool showsMeasured() const { return m_showMeasured; }
    // The first measured column (after the parent's when it is shown).
    int firstMeasuredColumn() const { return m_showParents ? Parent + 1 : Parent; }

    // What the filter and the sorting ask thousands of times, answered
    // from values computed once per listing instead of through data().
    bool rowHolds(int row, const QString &caseFolded) const;
    bool rowLessThan(int left, int right, int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void applyMeasured();

    QHash<QString, Measured> m_measuredByAddress;
    QList<Measured> m_measured;  // per row
    bool m_showMeasured = false;
    QList<Row> m_rows;
    QList<QByteArray> m_addressKeys; // per row, computed once: sorting asks for them n log n times
    QList<QByteArray> m_parentKeys;
    QList<QString> m_folded; // address and description, case-folded, for the filter
    QList<qlonglong> m_timeouts;
    QList<QString> m_descriptions; // case-folded, for sorting
    bool m_showParents = false;
};

// Keeps the rows whose address or description holds the typed text (any
// case), and sorts by the model's SortRole.
class AddressFilterModel final : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddressFilterModel)

public:
    explicit AddressFilterModel(QObject *parent = nullptr);
    void setSourceModel(QAbstractItemModel *model) override;
    void setFilterText(const QString &text);
    QString filterText() const { return m_text; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    // The address keys are bytes: compared as such, not as text.
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    QString m_text;
    QString m_folded;
    const AddressListModel *m_list = nullptr; // the source, when it is one
};

} // namespace admin
