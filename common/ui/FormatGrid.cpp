#include "FormatGrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyledItemDelegate>

// Blank room beside a heading so its last letter does not touch the border.
static constexpr int HeadingMargin = 6;
// The layouts' blanks were sized for a small 8.25-point face; the desktop's
// own 9 or 10 points would push the last columns out of the grid.
static constexpr qreal GridPointSize = 8.25;

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

    // Column 0 shown as the row captions, so that it keeps its place while
    // the other columns scroll sideways.
    void setFixedColumn(bool fixed)
    {
        m_fixedColumn = fixed;
        if (rowCount() > 0)
            emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        QVariant value = QIdentityProxyModel::data(index, role);
        if (role == Qt::DisplayRole && value.typeId() == QMetaType::QString)
            return FormatGrid::cellText(value.toString());
        // A cell without a tooltip of its own shows its whole text under the
        // pointer, for a description its narrow column elides.
        if (role == Qt::ToolTipRole && !value.isValid())
            return data(index, Qt::DisplayRole);
        return value;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
            if (section >= 0 && section < m_headings.size())
                return m_headings.at(section);
            return QString();
        }
        // A description column squeezed below its heading's words shows the
        // heading whole here.
        if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section >= 0 && section < m_headings.size())
            return m_headings.at(section).trimmed();
        if (orientation == Qt::Vertical && role == Qt::DisplayRole)
            return m_fixedColumn ? data(index(section, 0), Qt::DisplayRole) : QVariant(QString());
        if (orientation == Qt::Vertical && role == Qt::TextAlignmentRole)
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        return QIdentityProxyModel::headerData(section, orientation, role);
    }

private:
    QStringList m_headings;
    bool m_fixedColumn = false;
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
    setFont(defaultGridFont());
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    // Sideways by pixels: a wide column must not jump the heading row a
    // whole column at a time. Up and down stays a line at a time.
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A heading's trailing blanks may be cut by a narrowed column; an
    // ellipsis after them would only hide the last letters.
    horizontalHeader()->setTextElideMode(Qt::ElideNone);
    verticalHeader()->setSectionsClickable(false);
    verticalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setTextElideMode(Qt::ElideRight);
    horizontalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    // A reset of the shown model (a caller's model re-reading its rows, or a
    // new source) makes the header forget its section sizes.
    connect(m_proxy, &QAbstractItemModel::modelReset, this, [this] {
        applyColumnWidths();
        scrollToOrigin();
    });
    connect(m_proxy, &QAbstractItemModel::columnsInserted, this, &FormatGrid::applyColumnWidths);
    // The corner above the fixed column carries that column's heading.
    if (auto *corner = findChild<QAbstractButton *>())
        corner->installEventFilter(this);
}

QFont FormatGrid::defaultGridFont()
{
    QFont font = QApplication::font("QTableView");
    font.setPointSizeF(GridPointSize);
    return font;
}

QString FormatGrid::cellText(const QString &value)
{
    QString text = value;
    for (QChar &c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return text;
}

QString FormatGrid::line(const QStringList &values)
{
    QStringList cells;
    cells.reserve(values.size());
    for (const QString &value : values)
        cells << cellText(value);
    return cells.join(QLatin1Char('\t'));
}

FormatGrid::~FormatGrid() = default;

int FormatGrid::valueWidth(const QString &value) const
{
    // The item delegate keeps a focus-frame margin plus one pixel on each
    // side, and the grid line takes the cell's last pixel.
    const int textMargin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const QFontMetrics metrics(font());
    return metrics.horizontalAdvance(value) + 2 * textMargin + (showGrid() ? 1 : 0) + 1;
}

int FormatGrid::availableWidth() const
{
    return width() - 2 * frameWidth() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

int FormatGrid::shownColumnWidth(int column) const
{
    if (column == 0 && m_fixedFirstColumn)
        return verticalHeader()->width();
    return columnWidth(column);
}

int FormatGrid::headingWidth(const QString &heading) const
{
    // The heading's blanks were sized for a font whose blank is half a digit
    // wide; in today's desktop fonts a full date-time then overflows its
    // column by a few pixels. One digit of slack beyond the cell padding
    // keeps such a value whole without changing the layout's proportions.
    const QFontMetrics metrics(font());
    return metrics.horizontalAdvance(heading) + HeadingMargin + metrics.horizontalAdvance(QLatin1Char('0'));
}

void FormatGrid::setFormatString(const QString &format, const QStringList &widest)
{
    m_format = format;
    m_headings = format.split(QLatin1Char('|'));
    m_widest = widest;
    if (m_items->columnCount() < m_headings.size())
        m_items->setColumnCount(m_headings.size());
    m_proxy->setHeadings(m_headings);
    applyColumnWidths();
    scrollToOrigin();
}

void FormatGrid::setWidestValue(int column, const QString &value)
{
    if (column < 0 || column >= m_headings.size())
        return;
    while (m_widest.size() <= column)
        m_widest.append(QString());
    if (m_widest.at(column) == value)
        return;
    m_widest[column] = value;
    // Only that column, and only wider: a column the operator has widened
    // meanwhile, or the other columns' fit, stay as they are.
    const int width = qMax(headingWidth(m_headings.at(column)), valueWidth(value));
    if (column == 0 && m_fixedFirstColumn) {
        if (verticalHeader()->width() >= width)
            return;
        verticalHeader()->setFixedWidth(width);
    } else if (columnWidth(column) < width) {
        setColumnWidth(column, width);
    } else {
        return;
    }
    // Rows read after the grid was fitted: the free-text columns give the
    // room back, so the grid still shows every column without scrolling.
    if (!testAttribute(Qt::WA_Resized))
        return;
    int excess = -availableWidth();
    for (int c = 0; c < m_headings.size(); ++c)
        excess += shownColumnWidth(c);
    for (int c = 0; c < m_headings.size() && excess > 0; ++c) {
        if ((c == 0 && m_fixedFirstColumn) || (c < m_widest.size() && !m_widest.at(c).isEmpty()))
            continue;
        // A column the operator widened keeps its width: he chose to scroll.
        if (columnWidth(c) > m_fittedWidths.value(c))
            continue;
        const int give = qMin(excess, columnWidth(c) - leastFreeWidth(m_headings.at(c)));
        if (give > 0) {
            setColumnWidth(c, columnWidth(c) - give);
            m_fittedWidths[c] = columnWidth(c);
            excess -= give;
        }
    }
}

int FormatGrid::leastFreeWidth(const QString &heading) const
{
    // Free text gives up its column's blanks first. Where the sized columns
    // still leave too little room (a full IPv6 address in the monitor's
    // narrow list), it may go down to half its heading's words: the heading
    // is then elided and its tooltip shows it.
    const int width = headingWidth(heading);
    const QString words = heading.trimmed();
    if (words.isEmpty())
        return width;
    const int headerMargin = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this) + 2;
    return qMin(width, (QFontMetrics(font()).horizontalAdvance(words) + 1) / 2 + headerMargin);
}

void FormatGrid::applyColumnWidths()
{
    const int count = int(m_headings.size());
    QList<int> widths(count);
    QList<int> least(count);
    m_measuredFont = font();
    int total = 0;
    int givable = 0;
    for (int c = 0; c < count; ++c) {
        const QString &heading = m_headings.at(c);
        int width = headingWidth(heading);
        const QString widest = c < m_widest.size() ? m_widest.at(c) : QString();
        if (!widest.isEmpty()) {
            width = qMax(width, valueWidth(widest));
            least[c] = width;
        } else {
            least[c] = leastFreeWidth(heading);
        }
        widths[c] = width;
        total += width;
        givable += width - least.at(c);
    }
    // Before anyone gave the grid its size its width is a default that says
    // nothing about the room it will have; a later resize fits it again.
    if (testAttribute(Qt::WA_Resized)) {
        m_fittedWidth = width();
        const int excess = total - availableWidth();
        if (excess > 0 && givable > 0) {
            const int taken = qMin(excess, givable);
            int left = taken;
            for (int c = 0; c < count && left > 0; ++c) {
                const int room = widths.at(c) - least.at(c);
                if (room <= 0)
                    continue;
                // In proportion to what each column can give; rounded up, so
                // the last one never has to make up a remainder.
                const int share = qMin(left, int((qint64(taken) * room + givable - 1) / givable));
                widths[c] -= qMin(share, room);
                left -= qMin(share, room);
            }
        }
    }
    m_fittedWidths = widths;
    for (int c = 0; c < count; ++c) {
        if (c == 0 && m_fixedFirstColumn) {
            verticalHeader()->setFixedWidth(widths.at(0));
            setColumnHidden(0, true);
        } else {
            setColumnWidth(c, widths.at(c));
        }
    }
}

void FormatGrid::scrollToOrigin()
{
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    // A reset model can leave the heading row scrolled while the bar already
    // stands at 0, and then nothing would move it back in line.
    horizontalHeader()->setOffset(0);
    verticalHeader()->setOffset(0);
}

void FormatGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    // The viewport's resizes arrive here too (a scroll bar coming or going):
    // only a new width of the grid itself fits the columns again.
    if (!m_headings.isEmpty() && width() != m_fittedWidth)
        applyColumnWidths();
}

bool FormatGrid::eventFilter(QObject *watched, QEvent *event)
{
    auto *corner = qobject_cast<QAbstractButton *>(watched);
    if (corner && event->type() == QEvent::Paint && m_fixedFirstColumn) {
        QPainter painter(corner);
        QStyleOptionHeader header;
        header.initFrom(corner);
        header.rect = corner->rect();
        header.state = QStyle::State_Enabled | QStyle::State_Raised | QStyle::State_Horizontal;
        header.position = QStyleOptionHeader::OnlyOneSection;
        header.text = m_headings.isEmpty() ? QString() : m_headings.first();
        header.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        header.orientation = Qt::Horizontal;
        corner->style()->drawControl(QStyle::CE_Header, &header, &painter, corner);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void FormatGrid::changeEvent(QEvent *event)
{
    // The widths are measured in the grid's font, so a new font re-measures.
    // Polishing on first show announces the same font again: that one must
    // leave widths set since alone.
    if (event->type() == QEvent::FontChange && !m_headings.isEmpty() && font() != m_measuredFont) {
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
        applyColumnWidths();
    }
    QTableView::changeEvent(event);
}

int FormatGrid::addItem(const QString &tabSeparatedLine, int row)
{
    if (m_proxy->sourceModel() != m_items)
        return -1;
    // Only the separators make cells; values were made whole by line().
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

void FormatGrid::setCellToolTip(int row, int column, const QString &text)
{
    m_proxy->setData(cell(row, column), text, Qt::ToolTipRole);
}

QString FormatGrid::cellToolTip(int row, int column) const
{
    return cell(row, column).data(Qt::ToolTipRole).toString();
}

void FormatGrid::setFixedFirstColumn(bool fixed)
{
    m_fixedFirstColumn = fixed;
    setItemDelegateForColumn(0, fixed ? m_fixedDelegate : nullptr);
    m_proxy->setFixedColumn(fixed);
    verticalHeader()->setVisible(fixed);
    if (!fixed) {
        setColumnHidden(0, false);
        verticalHeader()->setMinimumWidth(0);
        verticalHeader()->setMaximumWidth(QWIDGETSIZE_MAX);
    }
    if (!m_headings.isEmpty())
        applyColumnWidths();
    for (int r = 0; r < m_items->rowCount(); ++r) {
        if (QStandardItem *item = m_items->item(r, 0))
            item->setSelectable(!fixed);
    }
    viewport()->update();
}

void FormatGrid::setSourceModel(QAbstractItemModel *model)
{
    m_proxy->setSourceModel(model ? model : m_items);
    scrollToOrigin();
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
