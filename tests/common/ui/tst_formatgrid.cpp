// The format-string grid shared by the monitor's event list and admin's listings.
#include "FormatGrid.h"

#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

namespace {

// A long log that hands out its rows in batches, as admin's log listing does.
class LazyModel final : public QAbstractTableModel
{
public:
    explicit LazyModel(int total, int batch)
        : m_total(total), m_batch(batch) {}
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_loaded; }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return QStringLiteral("r%1c%2").arg(index.row()).arg(index.column());
    }
    QVariant headerData(int, Qt::Orientation, int role) const override
    {
        return role == Qt::DisplayRole ? QStringLiteral("model's own heading") : QVariant();
    }
    bool canFetchMore(const QModelIndex &parent) const override { return !parent.isValid() && m_loaded < m_total; }
    void fetchMore(const QModelIndex &parent) override
    {
        if (parent.isValid())
            return;
        const int n = qMin(m_batch, m_total - m_loaded);
        beginInsertRows({}, m_loaded, m_loaded + n - 1);
        m_loaded += n;
        endInsertRows();
        ++fetches;
    }
    int fetches = 0;

private:
    int m_total;
    int m_batch;
    int m_loaded = 0;
};

const QString MonitorFormat = QStringLiteral(
    "|Описание                                        |Время         |Ip-адрес              |Вр.ож.   ");

} // namespace

class tst_FormatGrid : public QObject
{
    Q_OBJECT

private slots:
    void headingsAreThePiecesWithBlanks_data();
    void headingsAreThePiecesWithBlanks();
    void columnWidthFollowsHeadingInGridFont();
    void addItemAppendsAndInserts();
    void fieldsFillColumnsFromZero_data();
    void fieldsFillColumnsFromZero();
    void colourAndAlignmentPerCell();
    void redrawSwitchesUpdates();
    void fixedFirstColumnIsNotSelectable();
    void sourceModelKeepsHeadingsAndFetchesLazily();
    void freeTextColumnsGiveWayWidestValuesStayWhole_data();
    void freeTextColumnsGiveWayWidestValuesStayWhole();
    void widestValueLearntLaterStillFits();
    void valuesOwnTabsAndBreaksAreBlanks();
    void fixedColumnStaysWhileScrollingSideways();
};

void tst_FormatGrid::headingsAreThePiecesWithBlanks_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("headings");
    QTest::newRow("monitor event list") << MonitorFormat
        << QStringList{QString(), QStringLiteral("Описание                                        "),
                       QStringLiteral("Время         "), QStringLiteral("Ip-адрес              "),
                       QStringLiteral("Вр.ож.   ")};
    QTest::newRow("single column") << QStringLiteral("Адрес") << QStringList{QStringLiteral("Адрес")};
    QTest::newRow("empty pieces kept") << QStringLiteral("a||b|")
        << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b"), QString()};
}

void tst_FormatGrid::headingsAreThePiecesWithBlanks()
{
    QFETCH(QString, format);
    QFETCH(QStringList, headings);
    FormatGrid grid;
    grid.setFormatString(format);
    QCOMPARE(grid.formatString(), format);
    QCOMPARE(grid.columnCount(), headings.size());
    for (int c = 0; c < headings.size(); ++c)
        QCOMPARE(grid.model()->headerData(c, Qt::Horizontal).toString(), headings.at(c));
}

void tst_FormatGrid::columnWidthFollowsHeadingInGridFont()
{
    FormatGrid grid;
    QFont font = grid.font();
    font.setPointSize(14);
    grid.setFont(font);
    grid.setFormatString(MonitorFormat);
    const QFontMetrics fm(font);
    const QStringList headings = MonitorFormat.split(QLatin1Char('|'));
    for (int c = 0; c < headings.size(); ++c) {
        const int width = grid.columnWidth(c);
        // Trailing blanks count: the 48-character description heading is far
        // wider than the word alone.
        QVERIFY2(width >= fm.horizontalAdvance(headings.at(c)), qPrintable(headings.at(c)));
        QVERIFY(width <= fm.horizontalAdvance(headings.at(c)) + fm.horizontalAdvance(QLatin1Char('0')) + 8);
    }
    // The log's date-time columns hold a whole date and time with seconds.
    grid.setFormatString(QStringLiteral("№     |Время обрыва         |Время восстанов.  "));
    const int padding = 2 * (grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1);
    QVERIFY(grid.columnWidth(1) >= fm.horizontalAdvance(QStringLiteral("14.09.2004 13:05:09")) + padding);
    grid.setFormatString(MonitorFormat);
    QVERIFY(grid.columnWidth(1) > fm.horizontalAdvance(QStringLiteral("Описание")) + fm.horizontalAdvance(QLatin1Char(' ')) * 30);

    // A later font change re-measures.
    const int before = grid.columnWidth(1);
    font.setPointSize(28);
    grid.setFont(font);
    QVERIFY(grid.columnWidth(1) > before);

    grid.setColumnWidth(0, 0);
    QCOMPARE(grid.columnWidth(0), 0);
}

void tst_FormatGrid::addItemAppendsAndInserts()
{
    FormatGrid grid;
    grid.setFormatString(MonitorFormat);
    QCOMPARE(grid.rowCount(), 0);
    QCOMPARE(grid.addItem(QStringLiteral("\tfirst")), 0);
    QCOMPARE(grid.addItem(QStringLiteral("\tsecond")), 1);
    QCOMPARE(grid.addItem(QStringLiteral("\ttop"), 0), 0);
    QCOMPARE(grid.addItem(QStringLiteral("\tpast end"), 99), 3);
    QCOMPARE(grid.rowCount(), 4);
    QCOMPARE(grid.text(0, 1), QStringLiteral("top"));
    QCOMPARE(grid.text(1, 1), QStringLiteral("first"));
    QCOMPARE(grid.text(2, 1), QStringLiteral("second"));
    QCOMPARE(grid.text(3, 1), QStringLiteral("past end"));
    grid.clearItems();
    QCOMPARE(grid.rowCount(), 0);
    QCOMPARE(grid.columnCount(), 5);
}

void tst_FormatGrid::fieldsFillColumnsFromZero_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("columns");
    QTest::newRow("leading tab leaves column 0 empty")
        << QStringLiteral("\tСервер\t13:05:09\t127.0.0.1\t10")
        << QStringList{QString(), QStringLiteral("Сервер"), QStringLiteral("13:05:09"), QStringLiteral("127.0.0.1"),
                       QStringLiteral("10")}
        << 5;
    QTest::newRow("fewer fields leave the rest empty")
        << QStringLiteral("1\t2") << QStringList{QStringLiteral("1"), QStringLiteral("2"), QString(), QString(), QString()}
        << 5;
    QTest::newRow("more fields widen the grid")
        << QStringLiteral("a\tb\tc\td\te\tf")
        << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                       QStringLiteral("e"), QStringLiteral("f")}
        << 6;
    QTest::newRow("quotes and apostrophes as they are")
        << QStringLiteral("\tO'Brien's \"core\"")
        << QStringList{QString(), QStringLiteral("O'Brien's \"core\""), QString(), QString(), QString()} << 5;
}

void tst_FormatGrid::fieldsFillColumnsFromZero()
{
    QFETCH(QString, line);
    QFETCH(QStringList, cells);
    QFETCH(int, columns);
    FormatGrid grid;
    grid.setFormatString(MonitorFormat);
    grid.addItem(line);
    QCOMPARE(grid.columnCount(), columns);
    for (int c = 0; c < cells.size(); ++c)
        QCOMPARE(grid.text(0, c), cells.at(c));
}

void tst_FormatGrid::colourAndAlignmentPerCell()
{
    FormatGrid grid;
    grid.setFormatString(MonitorFormat);
    grid.addItem(QStringLiteral("\ta\tb\tc\td"));
    grid.addItem(QStringLiteral("\te\tf\tg\th"));
    grid.setTextColor(0, 2, QColor(0xff, 0, 0));
    grid.setCellAlignment(0, 2, Qt::AlignLeft | Qt::AlignTop);
    QCOMPARE(grid.textColor(0, 2), QColor(0xff, 0, 0));
    QCOMPARE(grid.cellAlignment(0, 2), Qt::AlignLeft | Qt::AlignTop);
    // Neighbours keep the default.
    QCOMPARE(grid.textColor(1, 2), grid.palette().color(QPalette::Text));
    QCOMPARE(grid.textColor(0, 3), grid.palette().color(QPalette::Text));
    // A line inserted above carries its own formatting; the coloured one moves down.
    grid.addItem(QStringLiteral("\tnew"), 0);
    QCOMPARE(grid.textColor(1, 2), QColor(0xff, 0, 0));
    QCOMPARE(grid.textColor(0, 2), grid.palette().color(QPalette::Text));
}

void tst_FormatGrid::redrawSwitchesUpdates()
{
    FormatGrid grid;
    grid.setRedraw(false);
    QVERIFY(!grid.updatesEnabled());
    QVERIFY(!grid.redraw());
    grid.setRedraw(true);
    QVERIFY(grid.updatesEnabled());
}

void tst_FormatGrid::fixedFirstColumnIsNotSelectable()
{
    FormatGrid grid;
    grid.setFormatString(QStringLiteral("№|Адрес"));
    grid.addItem(QStringLiteral("1\t127.0.0.1"));
    grid.setFixedFirstColumn(true);
    grid.addItem(QStringLiteral("2\t127.0.0.2"));
    QVERIFY(grid.hasFixedFirstColumn());
    QVERIFY(grid.itemDelegateForColumn(0) != nullptr);
    for (int r = 0; r < 2; ++r) {
        QVERIFY(!(grid.model()->flags(grid.model()->index(r, 0)) & Qt::ItemIsSelectable));
        QVERIFY(grid.model()->flags(grid.model()->index(r, 1)) & Qt::ItemIsSelectable);
    }
    grid.setFixedFirstColumn(false);
    QVERIFY(grid.itemDelegateForColumn(0) == nullptr);
}

void tst_FormatGrid::sourceModelKeepsHeadingsAndFetchesLazily()
{
    FormatGrid grid;
    grid.resize(400, 200);
    grid.setFormatString(QStringLiteral("Адрес     |Начало|Конец"));
    const int width = grid.columnWidth(0);
    LazyModel log(1000000, 100);
    grid.setSourceModel(&log);
    QCOMPARE(grid.sourceModel(), &log);
    QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Адрес     "));
    QCOMPARE(grid.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Конец"));
    QCOMPARE(grid.columnWidth(0), width);
    // The view asks for rows only as far as it needs them, never the million.
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QTRY_VERIFY(log.fetches >= 1);
    QVERIFY(grid.rowCount() < 10000);
    QCOMPARE(grid.text(5, 1), QStringLiteral("r5c1"));
    // The caller's model is not written by addItem.
    QCOMPARE(grid.addItem(QStringLiteral("x\ty")), -1);
    // Back to the grid's own lines.
    grid.setSourceModel(nullptr);
    QCOMPARE(grid.sourceModel(), nullptr);
    QCOMPARE(grid.rowCount(), 0);
    QCOMPARE(grid.columnWidth(0), width);
}

void tst_FormatGrid::freeTextColumnsGiveWayWidestValuesStayWhole_data()
{
    QTest::addColumn<int>("gridWidth");
    QTest::addColumn<bool>("fits");
    // 400 pixels is the monitor's list; 250 leaves the description its words.
    QTest::newRow("monitor's list") << 386 << true;
    QTest::newRow("roomy") << 900 << true;
    QTest::newRow("too narrow even for the words") << 150 << false;
}

void tst_FormatGrid::freeTextColumnsGiveWayWidestValuesStayWhole()
{
    QFETCH(int, gridWidth);
    QFETCH(bool, fits);
    FormatGrid grid;
    grid.resize(gridWidth, 150);
    const QStringList widest = {QString(), QString(), QStringLiteral("23:58:58"), QStringLiteral("255.255.255.255"),
                                QStringLiteral("10000")};
    grid.setFormatString(MonitorFormat, widest);
    const QStringList headings = MonitorFormat.split(QLatin1Char('|'));
    int total = 0;
    for (int c = 0; c < grid.columnCount(); ++c) {
        total += grid.columnWidth(c);
        if (!widest.at(c).isEmpty()) {
            // Never narrowed below the widest value, nor below its heading.
            QVERIFY(grid.columnWidth(c) >= grid.valueWidth(widest.at(c)));
            QVERIFY(grid.columnWidth(c) >= grid.headingWidth(headings.at(c)));
        }
    }
    const QFontMetrics fm(grid.font());
    // The description keeps at least half its word, and the whole word
    // wherever the sized columns leave room for it.
    QVERIFY(grid.columnWidth(1) > fm.horizontalAdvance(QStringLiteral("Описание")) / 2);
    if (fits)
        QVERIFY(grid.columnWidth(1) > fm.horizontalAdvance(QStringLiteral("Описание")));
    QCOMPARE(grid.model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(), QStringLiteral("Описание"));
    grid.addItem(QStringLiteral("\tМаршрутизатор второго этажа\t10:00:00\t10.0.0.1\t500"));
    QCOMPARE(grid.model()->data(grid.model()->index(0, 1), Qt::ToolTipRole).toString(),
             QStringLiteral("Маршрутизатор второго этажа"));
    QCOMPARE(total <= grid.availableWidth(), fits);
    if (gridWidth == 900)
        QCOMPARE(grid.columnWidth(1), grid.headingWidth(headings.at(1)));
    // Growing the grid on screen gives the room back.
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.resize(1200, 150);
    QTRY_COMPARE(grid.width(), 1200);
    QCOMPARE(grid.columnWidth(1), grid.headingWidth(headings.at(1)));
}

// Rows read in the background after the grid was fitted: a wider address
// widens its column and the description gives the room back.
void tst_FormatGrid::widestValueLearntLaterStillFits()
{
    FormatGrid grid;
    grid.resize(386, 150);
    grid.setFormatString(MonitorFormat, {QString(), QString(), QStringLiteral("23:58:58"), QStringLiteral("1.1.1.1"),
                                         QStringLiteral("10000")});
    const int description = grid.columnWidth(1);
    const QString address = QStringLiteral("2001:db8:ffff:ffff::1");
    grid.setWidestValue(3, address);
    QVERIFY(grid.columnWidth(3) >= grid.valueWidth(address));
    QVERIFY(grid.columnWidth(1) < description);
    int total = 0;
    for (int c = 0; c < grid.columnCount(); ++c)
        total += grid.shownColumnWidth(c);
    QVERIFY2(total <= grid.availableWidth(), qPrintable(QStringLiteral("%1 > %2").arg(total).arg(grid.availableWidth())));
    // A narrower value changes nothing.
    const int after = grid.columnWidth(1);
    grid.setWidestValue(3, QStringLiteral("1.1.1.2"));
    QCOMPARE(grid.columnWidth(1), after);
    // A description the operator widened stays wide: he chose to scroll.
    grid.setColumnWidth(1, 900);
    grid.setWidestValue(4, QStringLiteral("100000000"));
    QCOMPARE(grid.columnWidth(1), 900);
}

void tst_FormatGrid::valuesOwnTabsAndBreaksAreBlanks()
{
    QCOMPARE(FormatGrid::cellText(QStringLiteral("a\tb\nc\r\nd")), QStringLiteral("a b c  d"));
    QCOMPARE(FormatGrid::line({QString(), QStringLiteral("Этаж\t2"), QStringLiteral("127.0.0.1")}),
             QStringLiteral("\tЭтаж 2\t127.0.0.1"));
    FormatGrid grid;
    grid.setFormatString(MonitorFormat);
    grid.addItem(FormatGrid::line({QString(), QStringLiteral("Стойка\t3\nверх"), QStringLiteral("13:05:09"),
                                   QStringLiteral("127.0.0.1"), QStringLiteral("10")}));
    QCOMPARE(grid.columnCount(), 5);
    QCOMPARE(grid.text(0, 0), QString());
    QCOMPARE(grid.text(0, 1), QStringLiteral("Стойка 3 верх"));
    QCOMPARE(grid.text(0, 3), QStringLiteral("127.0.0.1"));
    // A caller's model shows its values' breaks as blanks too.
    QStandardItemModel own(1, 2);
    own.setItem(0, 1, new QStandardItem(QStringLiteral("two\nlines")));
    grid.setSourceModel(&own);
    QCOMPARE(grid.text(0, 1), QStringLiteral("two lines"));
    grid.setSourceModel(nullptr);
}

void tst_FormatGrid::fixedColumnStaysWhileScrollingSideways()
{
    FormatGrid grid;
    grid.resize(300, 200);
    grid.setFixedFirstColumn(true);
    grid.setFormatString(QStringLiteral("№     |Описание                                                       |Адрес"),
                         {QStringLiteral("99999"), QString(), QStringLiteral("255.255.255.255")});
    for (int i = 1; i <= 30; ++i)
        grid.addItem(FormatGrid::line({QString::number(i), QStringLiteral("узел %1").arg(i), QStringLiteral("127.0.0.1")}));
    grid.setColumnWidth(1, 800);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    // Column 0 is drawn as the row captions beside the scrolling columns.
    QVERIFY(grid.verticalHeader()->isVisible());
    QVERIFY(grid.isColumnHidden(0));
    QCOMPARE(grid.shownColumnWidth(0), grid.verticalHeader()->width());
    QVERIFY(grid.shownColumnWidth(0) >= grid.valueWidth(QStringLiteral("99999")));
    QCOMPARE(grid.model()->headerData(4, Qt::Vertical).toString(), QStringLiteral("5"));
    QCOMPARE(grid.text(4, 0), QStringLiteral("5"));
    const int fixedX = grid.verticalHeader()->geometry().x();
    QTRY_VERIFY(grid.horizontalScrollBar()->maximum() > 0);
    grid.horizontalScrollBar()->setValue(grid.horizontalScrollBar()->maximum());
    QVERIFY(grid.horizontalScrollBar()->value() > 0);
    QCOMPARE(grid.verticalHeader()->geometry().x(), fixedX);
    // A new listing starts at the top left.
    grid.verticalScrollBar()->setValue(5);
    grid.setFormatString(grid.formatString());
    QCOMPARE(grid.horizontalScrollBar()->value(), 0);
    QCOMPARE(grid.verticalScrollBar()->value(), 0);
    QCOMPARE(grid.horizontalHeader()->offset(), 0);
    grid.setFixedFirstColumn(false);
    QVERIFY(!grid.isColumnHidden(0));
    QVERIFY(!grid.verticalHeader()->isVisible());
}

QTEST_MAIN(tst_FormatGrid)
#include "tst_formatgrid.moc"
