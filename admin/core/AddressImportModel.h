#pragma once

#include "AddressImport.h"

#include <QAbstractTableModel>

namespace admin {

// The import's preview: one row per line read, marked with what the import
// makes of it (new, changed, unchanged, or refused and why).
class AddressImportModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddressImportModel)

public:
    enum Column { LineNumber, Address, Description, Timeout, Parent, Outcome, ColumnCount };

    explicit AddressImportModel(QObject *parent = nullptr);

    void setPlan(const AddressImport::Plan &plan);
    const AddressImport::Plan &plan() const { return m_plan; }
    static QString outcomeText(const AddressImport::Line &line);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    AddressImport::Plan m_plan;
};

} // namespace admin
