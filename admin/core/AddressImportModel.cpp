#include "AddressImportModel.h"

namespace admin {

AddressImportModel::AddressImportModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void AddressImportModel::setPlan(const AddressImport::Plan &plan)
{
    beginResetModel();
    m_plan = plan;
    endResetModel();
}

QString AddressImportModel::outcomeText(const AddressImport::Line &line)
{
    switch (line.kind) {
    case AddressImport::Kind::New:
        return tr("новый");
    case AddressImport::Kind::Changed:
        return tr("изменится");
    case AddressImport::Kind::Unchanged:
        return tr("без изменений");
    case AddressImport::Kind::Refused:
        return tr("отклонён: %1").arg(AddressImport::reasonText(line));
    }
    return QString();
}

int AddressImportModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_plan.lines.size());
}

int AddressImportModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AddressImportModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_plan.lines.size())
        return QVariant();
    const AddressImport::Line &line = m_plan.lines.at(index.row());
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    switch (index.column()) {
    case LineNumber:
        return line.line;
    case Address:
        return line.address;
    case Description: {
        // A long or multi-line description shows its start; the tooltip has it all.
        if (role == Qt::ToolTipRole)
            return line.description;
        QString shown = line.description.left(200);
        shown.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        return shown;
    }
    case Timeout:
        return line.timeoutText;
    case Parent:
        return line.parent;
    case Outcome:
        return outcomeText(line);
    }
    return QVariant();
}

QVariant AddressImportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case LineNumber:
        return tr("Строка");
    case Address:
        return tr("Адрес");
    case Description:
        return tr("Описание");
    case Timeout:
        return tr("Таймаут (мс)");
    case Parent:
        return tr("За адресом");
    case Outcome:
        return tr("Итог");
    }
    return QVariant();
}

} // namespace admin
