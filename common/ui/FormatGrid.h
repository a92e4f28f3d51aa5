#pragma once

#include <QColor>
#include <QStringList>
#include <QTableView>

class QAbstractItemModel;
class QStandardItemModel;
class FormatGridHeadingProxy;

// A list grid laid out by a format string: the text is cut at each "|" and
// every piece, blanks included, is the heading of one column, which is as
// wide as that heading measured in the grid's font. Lines are appended (or
// inserted) as tab-separated text whose fields fill columns 0, 1, ...
//
// A column may also name the widest value it holds (an address, a date-time):
// it is then never narrower than that value, so such a value always shows
// whole. When the columns together are wider than the grid, the columns of
// free text (those without a widest value) give up the difference, so that
// every column starts inside the grid.
//
// Rows are counted without the heading row: data row 0 is the first line
// under the headings. The headings always come from the format string, also
// when a model of the caller's (for example one that fetches a long log
// lazily) is attached with setSourceModel.
class FormatGrid final : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormatGrid)

public:
    explicit FormatGrid(QWidget *parent = nullptr);
    ~FormatGrid() override;

    // widest[c]: the widest value column c holds; empty for free text.
    void setFormatString(const QString &format, const QStringList &widest = {});
    // A column's widest value learnt later (the largest key of a listing
    // read in the background): that column widens to it if it must, the
    // free-text columns giving the room back where the grid would otherwise
    // overflow; the sized columns and the scroll position stay as they are.
    void setWidestValue(int column, const QString &value);
    QString formatString() const { return m_format; }
    QStringList headings() const { return m_headings; }
    // The width a heading gives its column in the grid's font.
    int headingWidth(const QString &heading) const;
    // The narrowest a free-text column under `heading` is made to fit.
    int leastFreeWidth(const QString &heading) const;
    // The width that shows `value` whole in a cell of the grid's font.
    int valueWidth(const QString &value) const;
    // The room the columns may take without a sideways scroll, with room kept
    // for a vertical scroll bar.
    int availableWidth() const;
    // The width column c takes on screen (column 0 included when it is the
    // fixed column, which the grid draws beside the scrolling ones).
    int shownColumnWidth(int column) const;

    // A value's own tab or line break would make cells or lines of its own:
    // the text as a cell shows it, each of those a blank.
    static QString cellText(const QString &value);
    // The line addItem takes, made of whole values.
    static QString line(const QStringList &values);

    // Inserts a line at data row `row`, or appends it when row is negative
    // or past the end. Returns the row it went to, or -1 when the grid shows
    // a caller's model (those lines belong to that model).
    int addItem(const QString &tabSeparatedLine, int row = -1);
    void clearItems();
    // Drops the rows after the first `rows` (a list that grows at the top
    // keeps its newest lines).
    void truncateItems(int rows);

    int rowCount() const;
    int columnCount() const;
    QString text(int row, int column) const;
    QColor textColor(int row, int column) const;
    Qt::Alignment cellAlignment(int row, int column) const;
    void setTextColor(int row, int column, const QColor &color);
    void setCellAlignment(int row, int column, Qt::Alignment alignment);
    void setCellToolTip(int row, int column, const QString &text);
    QString cellToolTip(int row, int column) const;

    // Column 0 drawn like the headings (a row-number column, for instance);
    // it stays in place while the other columns scroll sideways.
    void setFixedFirstColumn(bool fixed);
    bool hasFixedFirstColumn() const { return m_fixedFirstColumn; }

    // Shows `model` (not owned) instead of the grid's own lines; nullptr goes
    // back to the grid's own lines. A new listing starts scrolled to its
    // top left.
    void setSourceModel(QAbstractItemModel *model);
    QAbstractItemModel *sourceModel() const;

    // Switching redrawing off while many cells change avoids a repaint each.
    void setRedraw(bool on);
    bool redraw() const { return updatesEnabled(); }

    // The grid's own font: a small face (the desktop's family), as the
    // layouts' blanks were sized for.
    static QFont defaultGridFont();

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyColumnWidths();
    void scrollToOrigin();
    QModelIndex cell(int row, int column) const;

    QString m_format;
    QStringList m_headings;
    QStringList m_widest;
    QStandardItemModel *m_items = nullptr;
    FormatGridHeadingProxy *m_proxy = nullptr;
    QAbstractItemDelegate *m_fixedDelegate = nullptr;
    bool m_fixedFirstColumn = false;
    int m_fittedWidth = -1;
    QList<int> m_fittedWidths;  // as the last fit left them
    QFont m_measuredFont;
};
