#include "frmBoard.h"

#include "BoardModel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace monitor {

namespace {

// Beside the monitor's other remembered things, per user.
const QString SettingsOrganization = QStringLiteral("orvant");
const QString SettingsApplication = QStringLiteral("orvant");

const QString GeometryKey = QStringLiteral("board/geometry");
const QString HeaderKey = QStringLiteral("board/header");

} // namespace

frmBoard::frmBoard(BoardModel *model, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_model(model)
    , m_proxy(new BoardFilter(this))
{
    setObjectName(QStringLiteral("frmBoard"));
    setWindowTitle(tr("Все узлы"));
    m_proxy->setSourceModel(model);

    m_counts = new QLabel(this);
    m_counts->setObjectName(QStringLiteral("lblCounts"));
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("txtFilter"));
    m_filter->setPlaceholderText(tr("Отбор по описанию или адресу"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setAccessibleName(tr("Отбор"));
    m_onlyProblems = new QCheckBox(tr("Только проблемы"), this);
    m_onlyProblems->setObjectName(QStringLiteral("chkOnlyProblems"));

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tblBoard"));
    m_table->setAccessibleName(tr("Все узлы"));
    m_table->setModel(m_proxy);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(BoardModel::State, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    // Rows of one height, known without asking each row: 10,000 of them
    // scroll without measuring any.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setStretchLastSection(true);
    const int em = m_table->fontMetrics().horizontalAdvance(QLatin1Char('M'));
    const int widths[BoardModel::ColumnCount] = {9, 16, 11, 6, 12, 6, 5, 8, 10};
    // Wide enough for its figures and for its heading, whichever is wider.
    const QFontMetrics heading(m_table->horizontalHeader()->font());
    for (int c = 0; c < BoardModel::ColumnCount; ++c) {
        const int title = heading.horizontalAdvance(model->headerData(c, Qt::Horizontal).toString()) + 3 * em;
        m_table->setColumnWidth(c, std::max(widths[c] * em, title));
    }
    // The state's words differ in length by language: the longest, beside
    // its colour mark, is never cut.
    int state = 0;
    for (const auto status : {BoardModel::Status::Down, BoardModel::Status::Unwatched, BoardModel::Status::Losing,
                              BoardModel::Status::Slow, BoardModel::Status::Up})
        state = std::max(state, m_table->fontMetrics().horizontalAdvance(BoardModel::statusText(status)));
    m_table->setColumnWidth(BoardModel::State,
                            std::max(m_table->columnWidth(BoardModel::State), state + 4 * em));

    auto *top = new QHBoxLayout;
    top->addWidget(m_counts, 1);
    top->addWidget(m_filter, 1);
    top->addWidget(m_onlyProblems);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);

    connect(m_filter, &QLineEdit::textChanged, m_proxy, &BoardFilter::setText);
    connect(m_onlyProblems, &QCheckBox::toggled, m_proxy, &BoardFilter::setOnlyProblems);
    connect(model, &BoardModel::countsChanged, this, &frmBoard::showCounts);
    connect(model, &QAbstractItemModel::modelReset, this, &frmBoard::showCounts);
    showCounts();

    int width = 4 * em;
    for (int c = 0; c < BoardModel::ColumnCount; ++c)
        width += m_table->columnWidth(c);
    resize(width, 30 * m_table->verticalHeader()->defaultSectionSize());
    restoreLayout();
}

frmBoard::~frmBoard()
{
    saveLayout();
}

void frmBoard::closeEvent(QCloseEvent *event)
{
    saveLayout();
    QWidget::closeEvent(event);
}

void frmBoard::showCounts()
{
    m_counts->setText(m_model->countsText());
}

void frmBoard::saveLayout() const
{
    QSettings settings(SettingsOrganization, SettingsApplication);
    settings.setValue(GeometryKey, saveGeometry());
    settings.setValue(HeaderKey, m_table->horizontalHeader()->saveState());
}

void frmBoard::restoreLayout()
{
    const QSettings settings(SettingsOrganization, SettingsApplication);
    restoreGeometry(settings.value(GeometryKey).toByteArray());
    m_table->horizontalHeader()->restoreState(settings.value(HeaderKey).toByteArray());
}

} // namespace monitor
