#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace monitor {

class BoardFilter;
class BoardModel;

// "Все узлы": every address of the book on one resizable board, problems
// first. A view over the board's model (kept by the main window for the
// whole run, so the last hour is there when it opens); its size and column
// widths are remembered between runs.
class frmBoard final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmBoard)

public:
    explicit frmBoard(BoardModel *model, QWidget *parent = nullptr);
    ~frmBoard() override;

    QTableView *table() const { return m_table; }
    QLineEdit *filterBox() const { return m_filter; }
    QCheckBox *onlyProblemsBox() const { return m_onlyProblems; }
    QLabel *countsLabel() const { return m_counts; }
    BoardFilter *filter() const { return m_proxy; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showCounts();
    void saveLayout() const;
    void restoreLayout();

    BoardModel *m_model;
    BoardFilter *m_proxy;
    QLabel *m_counts;
    QLineEdit *m_filter;
    QCheckBox *m_onlyProblems;
    QTableView *m_table;
};

} // namespace monitor
