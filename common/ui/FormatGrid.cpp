#include "FormatGrid.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyledItemDelegate>

// Blank room beside a heading so its last letter does not touch the border.
static constexpr int HeadingMargin = 6;

// Puts the format string's headings on whatever model the grid shows.
class FormatGridHeadingProxy final : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    void setHeadings(const QStringList &headings)
    {
        m_headings = headings;
        if (columnCount() > 0)
            emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
            if (section >= 0 && section < m_headings.size())
                return m_headings.at(section);
            return QString();
        }
        return QIdentityProxyModel::headerData(section, orientation, role);
    }

private:
    QStringList m_headings;
};

// Draws column 0 like a heading section: a row caption, not a data cell.
class FixedColumnDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionHeader header;
        header.rect = option.rect;
        header.palette = option.palette;
        header.fontMetrics = option.fontMetrics;
        header.state = QStyle::State_Enabled | QStyle::State_Raised;
        header.text = index.data(Qt::DisplayRole).toString();
        header.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        header.orientation = Qt::Vertical;
        header.section = index.row();
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        // The header style leaves the painter's pen and clip changed; without
        // restoring them the other cells of the row paint no text.
        painter->save();
        style->drawControl(QStyle::CE_Header, &header, painter, widget);
        painter->restore();
    }
};

FormatGrid::FormatGrid(QWidget *parent)
    : QTableView(parent)
    , m_items(new QStandardItemModel(this))
    , m_proxy(new FormatGridHeadingProxy(this))
    , m_fixedDelegate(new FixedColumnDelegate(this))
{
    m_proxy->setSourceModel(m_items);
    setModel(m_proxy);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    // A reset of the shown model (a caller's model re-reading its rows, or a
    // new source) makes the header forget its section sizes.
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &FormatGrid::applyColumnWidths);
    connect(m_proxy, &QAbstractItemModel::columnsInserted, this, &FormatGrid::applyColumnWidths);
}

FormatGrid::~FormatGrid() = default;

int FormatGrid::headingWidth(const QString &heading) const
{
    // The heading's blanks were sized for a font whose blank is half a digit
    // wide; in today's desktop fonts a full date-time then overflows its
    // column by a few pixels. One digit of slack beyond the cell padding
    // keeps such a value whole without changing the layout's proportions.
    const QFontMetrics metrics(font());
    return metrics.horizontalAdvance(heading) + HeadingMargin + metrics.horizontalAdvance(QLatin1Char('0'));
}

void FormatGrid::setFormatString(const QString &format)
{
    m_format = format;
    m_headings = format.split(QLatin1Char('|'));
    if (m_items->columnCount() < m_headings.size())
        m_items->setColumnCount(m_headings.size());
    m_proxy->setHeadings(m_headings);
    applyColumnWidths();
}

void FormatGrid::applyColumnWidths()
{
    for (int c = 0; c < m_headings.size(); ++c)
        setColumnWidth(c, headingWidth(m_headings.at(c)));
}

void FormatGrid::changeEvent(QEvent *event)
{
    // The widths are measured in the grid's font, so a new font re-measures.
    if (event->type() == QEvent::FontChange && !m_headings.isEmpty()) {
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
        applyColumnWidths();
    }
    QTableView::changeEvent(event);
}

int FormatGrid::addItem(const QString &tabSeparatedLine, int row)
{
    if (m_proxy->sourceModel() != m_items)
        return -1;
    const QStringList fields = tabSeparatedLine.split(QLatin1Char('\t'));
    const int columns = qMax<int>(m_items->columnCount(), fields.size());
    if (m_items->columnCount() < columns)
        m_items->setColumnCount(columns);
    QList<QStandardItem *> cells;
    cells.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        auto *item = new QStandardItem(c < fields.size() ? fields.at(c) : QString());
        item->setEditable(false);
        if (c == 0 && m_fixedFirstColumn)
            item->setSelectable(false);
        cells << item;
    }
    if (row < 0 || row > m_items->rowCount())
        row = m_items->rowCount();
    m_items->insertRow(row, cells);
    return row;
}

void FormatGrid::clearItems()
{
    m_items->removeRows(0, m_items->rowCount());
}

void FormatGrid::truncateItems(int rows)
{
    if (m_items->rowCount() > rows)
        m_items->removeRows(rows, m_items->rowCount() - rows);
}

int FormatGrid::rowCount() const
{
    return m_proxy->rowCount();
}

int FormatGrid::columnCount() const
{
    return m_proxy->columnCount();
}

QModelIndex FormatGrid::cell(int row, int column) const
{
    return m_proxy->index(row, column);
}

QString FormatGrid::text(int row, int column) const
{
    return cell(row, column).data(Qt::DisplayRole).toString();
}

QColor FormatGrid::textColor(int row, int column) const
{
    const QVariant v = cell(row, column).data(Qt::ForegroundRole);
    if (!v.isValid())
        return palette().color(QPalette::Text);
    return v.value<QBrush>().color();
}

Qt::Alignment FormatGrid::cellAlignment(int row, int column) const
{
    const QVariant v = cell(row, column).data(Qt::TextAlignmentRole);
    if (!v.isValid())
        return Qt::AlignLeft | Qt::AlignVCenter;
    return Qt::Alignment(v.toInt());
}

void FormatGrid::setTextColor(int row, int column, const QColor &color)
{
    m_proxy->setData(cell(row, column), QBrush(color), Qt::ForegroundRole);
}

void FormatGrid::setCellAlignment(int row, int column, Qt::Alignment alignment)
{
    m_proxy->setData(cell(row, column), int(alignment), Qt::TextAlignmentRole);
}

void FormatGrid::setFixedFirstColumn(bool fixed)
{
    m_fixedFirstColumn = fixed;
    setItemDelegateForColumn(0, fixed ? m_fixedDelegate : nullptr);
    for (int r = 0; r < m_items->rowCount(); ++r) {
        if (QStandardItem *item = m_items->item(r, 0))
            item->setSelectable(!fixed);
    }
    viewport()->update();
}

void FormatGrid::setSourceModel(QAbstractItemModel *model)
{
    m_proxy->setSourceModel(model ? model : m_items);
}

QAbstractItemModel *FormatGrid::sourceModel() const
{
    QAbstractItemModel *source = m_proxy->sourceModel();
    return source == m_items ? nullptr : source;
}

void FormatGrid::setRedraw(bool on)
{
    setUpdatesEnabled(on);
    if (on)
        viewport()->update();
}
