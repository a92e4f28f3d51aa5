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

    void setFormatString(const QString &format);
    QString formatString() const { return m_format; }
    QStringList headings() const { return m_headings; }
    // The width a heading gives its column in the grid's font.
    int headingWidth(const QString &heading) const;

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

    // Column 0 drawn like the headings (a row-number column, for instance).
    void setFixedFirstColumn(bool fixed);
    bool hasFixedFirstColumn() const { return m_fixedFirstColumn; }

    // Shows `model` (not owned) instead of the grid's own lines; nullptr goes
    // back to the grid's own lines.
    void setSourceModel(QAbstractItemModel *model);
    QAbstractItemModel *sourceModel() const;

    // Switching redrawing off while many cells change avoids a repaint each.
    void setRedraw(bool on);
    bool redraw() const { return updatesEnabled(); }

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyColumnWidths();
    QModelIndex cell(int row, int column) const;

    QString m_format;
    QStringList m_headings;
    QStandardItemModel *m_items = nullptr;
    FormatGridHeadingProxy *m_proxy = nullptr;
    QAbstractItemDelegate *m_fixedDelegate = nullptr;
    bool m_fixedFirstColumn = false;
};
