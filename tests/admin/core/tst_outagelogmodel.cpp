#include "OutageLogModel.h"
#include "OutagePaths.h"
#include "TempDatabase.h"
#include "Database.h"
#include "DatabaseThread.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

using namespace admin;

class tst_OutageLogModel final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void emptyLog();
    void newestFirstWithOpenOutage();
    void pagesContinueAcrossEqualStartTimes();
    void viewFetchesMoreAsItScrolls();
    void rowsAddedMeanwhileDoNotShiftPages();
    void failedPageIsReported();
    void filterFindsAddressOrDescription_data();
    void filterFindsAddressOrDescription();
    void sortsByAnyColumn_data();
    void sortsByAnyColumn();
    void sortedPagesContinueInOrder();
    void followingPutsNewAndClosedOutagesInPlace();
    void onADatabaseThreadOverTenThousandAddresses();
    void marksSayWhyOutagesWereQuiet_data();
    void marksSayWhyOutagesWereQuiet();
    void markWrittenAfterItsRowIsFollowed();
    void logWithoutMarksIsListedAllTheSame();
    void pathsInTheTooltips();

private:
    void addOutage(const QString &begin, const QVariant &end, const QString &ip, const QString &desc);
    void addMark(const QString &ip, const QString &begin, const QString &reason, const QVariant &detail);
    QStringList shown(const OutageLogModel &model) const;

    std::unique_ptr<TempDatabase> m_db;
    const QLocale m_locale{QLocale::Russian, QLocale::Russia};
};

void tst_OutageLogModel::init()
{
    m_db = std::make_unique<TempDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
}

void tst_OutageLogModel::cleanup()
{
    m_db.reset();
}

void tst_OutageLogModel::addOutage(const QString &begin, const QVariant &end, const QString &ip, const QString &desc)
{
    m_db->exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)"),
               {begin, end, end.isNull() ? 0 : 1, ip, desc});
}

void tst_OutageLogModel::addMark(const QString &ip, const QString &begin, const QString &reason, const QVariant &detail)
{
    m_db->exec(QStringLiteral("insert into outage_marks (ip_addr,time_begin,reason,detail) values (?,?,?,?)"),
               {ip, begin, reason, detail});
}

QStringList tst_OutageLogModel::shown(const OutageLogModel &model) const
{
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.index(r, c).data().toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

void tst_OutageLogModel::emptyLog()
{
    OutageLogModel model;
    QString error;
    QVERIFY2(model.reload(&error), qPrintable(error));
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 5);
    QVERIFY(!model.canFetchMore({}));
}

void tst_OutageLogModel::newestFirstWithOpenOutage()
{
    addOutage(QStringLiteral("2025-03-01 10:00:05"), QStringLiteral("2025-03-01 10:07:00"), QStringLiteral("10.0.0.1"),
              QStringLiteral("Шлюз 'главный'"));
    addOutage(QStringLiteral("2025-03-02 00:00:00"), QVariant(), QStringLiteral("10.0.0.2"), QStringLiteral("Сервер"));
    addOutage(QStringLiteral("2025-02-28 23:59:59"), QStringLiteral("2025-03-01 00:00:00"),
              QStringLiteral("10.0.0.3"), QString());
    OutageLogModel model;
    model.setLocale(m_locale);
    QString error;
    QVERIFY2(model.reload(&error), qPrintable(error));
    // id | begin | end (empty while open) | description | address; the time
    // part is left out at exactly midnight.
    QCOMPARE(shown(model), (QStringList{
                               QStringLiteral("2|02.03.2025||Сервер|10.0.0.2"),
                               QStringLiteral("1|01.03.2025 10:00:05|01.03.2025 10:07:00|Шлюз 'главный'|10.0.0.1"),
                               QStringLiteral("3|28.02.2025 23:59:59|01.03.2025||10.0.0.3"),
                           }));
}

void tst_OutageLogModel::pagesContinueAcrossEqualStartTimes()
{
    // Seven outages in one second and two around it: pages of three must
    // neither repeat nor skip a row where a page ends inside the second.
    addOutage(QStringLiteral("2025-01-01 08:00:00"), QVariant(), QStringLiteral("a"), QString());
    for (int i = 0; i < 7; ++i)
        addOutage(QStringLiteral("2025-01-01 09:00:00"), QVariant(), QStringLiteral("same%1").arg(i), QString());
    addOutage(QStringLiteral("2025-01-01 10:00:00"), QVariant(), QStringLiteral("z"), QString());
    OutageLogModel model;
    model.setPageSize(3);
    QString error;
    QVERIFY(model.reload(&error));
    QCOMPARE(model.rowCount(), 3);
    while (model.canFetchMore({}))
        model.fetchMore({});
    QStringList ids;
    for (int r = 0; r < model.rowCount(); ++r)
        ids << model.index(r, OutageLogModel::Id).data().toString();
    QCOMPARE(ids.join(QLatin1Char(',')), QStringLiteral("9,8,7,6,5,4,3,2,1"));
}

void tst_OutageLogModel::viewFetchesMoreAsItScrolls()
{
    m_db->exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<2000) "
                              "insert into logs (time_begin,foe,ip,\"desc\") "
                              "select datetime('2020-01-01', '+'||i||' minutes'),1,'10.0.0.'||(i%5),'host' from n"));
    OutageLogModel model;
    model.setPageSize(100);
    QString error;
    QVERIFY(model.reload(&error));
    QTableView view;
    view.verticalHeader()->setDefaultSectionSize(20);
    view.resize(400, 300);
    view.setModel(&model);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(model.rowCount(), 100); // one page is more than a screen: nothing more read yet
    for (int step = 0; step < 3; ++step) {
        const int before = model.rowCount();
        view.scrollToBottom();
        QTRY_VERIFY(model.rowCount() > before);
    }
    QCOMPARE(model.rowCount(), 400);
    QVERIFY(model.canFetchMore({}));
    // The newest outage first, the rows in order across the pages.
    QCOMPARE(model.index(0, OutageLogModel::Id).data().toString(), QStringLiteral("2000"));
    QCOMPARE(model.index(399, OutageLogModel::Id).data().toString(), QStringLiteral("1601"));
}

void tst_OutageLogModel::rowsAddedMeanwhileDoNotShiftPages()
{
    for (int i = 0; i < 6; ++i)
        addOutage(QStringLiteral("2025-01-01 0%1:00:00").arg(i), QVariant(), QStringLiteral("h%1").arg(i), QString());
    OutageLogModel model;
    model.setPageSize(3);
    QString error;
    QVERIFY(model.reload(&error));
    // The monitor logs a new outage while the operator reads the first page.
    addOutage(QStringLiteral("2025-01-02 00:00:00"), QVariant(), QStringLiteral("new"), QString());
    model.fetchMore({});
    QStringList ids;
    for (int r = 0; r < model.rowCount(); ++r)
        ids << model.index(r, OutageLogModel::Id).data().toString();
    QCOMPARE(ids.join(QLatin1Char(',')), QStringLiteral("6,5,4,3,2,1"));
}

void tst_OutageLogModel::failedPageIsReported()
{
    for (int i = 0; i < 4; ++i)
        addOutage(QStringLiteral("2025-01-01 0%1:00:00").arg(i), QVariant(), QStringLiteral("h%1").arg(i), QString());
    OutageLogModel model;
    model.setPageSize(2);
    QString error;
    QVERIFY(model.reload(&error));
    QSignalSpy failed(&model, &OutageLogModel::fetchFailed);
    m_db->exec(QStringLiteral("alter table logs rename to logs_gone"));
    model.fetchMore({});
    QCOMPARE(failed.size(), 1);
    QVERIFY(failed.at(0).at(0).toString().contains(QStringLiteral("logs")));
    QCOMPARE(model.rowCount(), 2);
    QVERIFY(!model.canFetchMore({})); // no endless retries from the view
    QVERIFY(!model.reload(&error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(model.rowCount(), 0);
}

// Ids of the listed rows, top to bottom.
static QStringList ids(const OutageLogModel &model)
{
    QStringList result;
    for (int r = 0; r < model.rowCount(); ++r)
        result << model.index(r, OutageLogModel::Id).data().toString();
    return result;
}

void tst_OutageLogModel::filterFindsAddressOrDescription_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("ids");
    // 1 10.0.0.1 Шлюз; 2 10.0.0.10 Gateway; 3 10.0.0.2 "50% loss"; 4 fd00::1 "a_b"; 5 10.0.0.3 "axb"
    QTest::newRow("part of an address") << QStringLiteral("10.0.0.1") << QStringList{QStringLiteral("2"), QStringLiteral("1")};
    QTest::newRow("description, ASCII case ignored") << QStringLiteral("GATE") << QStringList{QStringLiteral("2")};
    QTest::newRow("Cyrillic description") << QStringLiteral("Шлю") << QStringList{QStringLiteral("1")};
    QTest::newRow("percent sign is itself") << QStringLiteral("50%") << QStringList{QStringLiteral("3")};
    QTest::newRow("underscore is itself") << QStringLiteral("a_b") << QStringList{QStringLiteral("4")};
    QTest::newRow("IPv6") << QStringLiteral("fd00:") << QStringList{QStringLiteral("4")};
    QTest::newRow("quote in the text") << QStringLiteral("'; drop table logs; --") << QStringList{};
    QTest::newRow("nothing typed: everything") << QStringLiteral("") << QStringList{QStringLiteral("5"), QStringLiteral("4"), QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1")};
}

void tst_OutageLogModel::filterFindsAddressOrDescription()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, ids);
    addOutage(QStringLiteral("2025-01-01 01:00:00"), QVariant(), QStringLiteral("10.0.0.1"), QStringLiteral("Шлюз"));
    addOutage(QStringLiteral("2025-01-01 02:00:00"), QVariant(), QStringLiteral("10.0.0.10"), QStringLiteral("Gateway"));
    addOutage(QStringLiteral("2025-01-01 03:00:00"), QVariant(), QStringLiteral("10.0.0.2"), QStringLiteral("50% loss"));
    addOutage(QStringLiteral("2025-01-01 04:00:00"), QVariant(), QStringLiteral("fd00::1"), QStringLiteral("a_b"));
    addOutage(QStringLiteral("2025-01-01 05:00:00"), QVariant(), QStringLiteral("10.0.0.3"), QStringLiteral("axb"));
    OutageLogModel model;
    model.setFilter(filter);
    QString error;
    QVERIFY2(model.reload(&error), qPrintable(error));
    QCOMPARE(::ids(model), ids);
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from logs")).toInt(), 5);
}

void tst_OutageLogModel::sortsByAnyColumn_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("ids");
    // 1 127.0.0.10 b, begins 01:00, ends 01:30; 2 127.0.0.2 a, begins 02:00, open;
    // 3 127.0.0.100 c, begins 03:00, ends 03:10; 4 127.0.0.2 a, begins 00:30, ends 04:00
    QTest::newRow("addresses in numeric order") << int(OutageLogModel::Address) << int(Qt::AscendingOrder)
                                                << QStringList{QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("1"), QStringLiteral("3")};
    QTest::newRow("addresses, descending") << int(OutageLogModel::Address) << int(Qt::DescendingOrder)
                                           << QStringList{QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("4"), QStringLiteral("2")};
    QTest::newRow("restoration: open outages last") << int(OutageLogModel::TimeEnd) << int(Qt::AscendingOrder)
                                                    << QStringList{QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("2")};
    QTest::newRow("restoration, descending: open first") << int(OutageLogModel::TimeEnd) << int(Qt::DescendingOrder)
                                                         << QStringList{QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("3"), QStringLiteral("1")};
    QTest::newRow("oldest first") << int(OutageLogModel::TimeBegin) << int(Qt::AscendingOrder)
                                  << QStringList{QStringLiteral("4"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    QTest::newRow("by description") << int(OutageLogModel::Description) << int(Qt::AscendingOrder)
                                    << QStringList{QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("1"), QStringLiteral("3")};
    QTest::newRow("by number, descending") << int(OutageLogModel::Id) << int(Qt::DescendingOrder)
                                           << QStringList{QStringLiteral("4"), QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1")};
}

void tst_OutageLogModel::sortsByAnyColumn()
{
    QFETCH(int, column);
    QFETCH(int, order);
    QFETCH(QStringList, ids);
    addOutage(QStringLiteral("2025-01-01 01:00:00"), QStringLiteral("2025-01-01 01:30:00"), QStringLiteral("127.0.0.10"),
              QStringLiteral("b"));
    addOutage(QStringLiteral("2025-01-01 02:00:00"), QVariant(), QStringLiteral("127.0.0.2"), QStringLiteral("a"));
    addOutage(QStringLiteral("2025-01-01 03:00:00"), QStringLiteral("2025-01-01 03:10:00"),
              QStringLiteral("127.0.0.100"), QStringLiteral("c"));
    addOutage(QStringLiteral("2025-01-01 00:30:00"), QStringLiteral("2025-01-01 04:00:00"), QStringLiteral("127.0.0.2"),
              QStringLiteral("a"));
    OutageLogModel model;
    model.sort(column, Qt::SortOrder(order));
    QString error;
    QVERIFY2(model.reload(&error), qPrintable(error));
    QCOMPARE(::ids(model), ids);
}

void tst_OutageLogModel::sortedPagesContinueInOrder()
{
    for (int i = 1; i <= 25; ++i)
        addOutage(QStringLiteral("2025-01-01 00:%1:00").arg(i, 2, 10, QLatin1Char('0')), QVariant(),
                  QStringLiteral("10.0.0.%1").arg(i), QStringLiteral("h"));
    OutageLogModel model;
    model.setPageSize(4);
    model.sort(OutageLogModel::Address, Qt::AscendingOrder);
    QString error;
    QVERIFY(model.reload(&error));
    QCOMPARE(model.rowCount(), 4);
    for (int n = 0; n < 20 && model.canFetchMore({}); ++n)
        model.fetchMore({});
    QCOMPARE(model.rowCount(), 25);
    for (int r = 0; r < 25; ++r)
        QCOMPARE(model.index(r, OutageLogModel::Address).data().toString(), QStringLiteral("10.0.0.%1").arg(r + 1));
}

void tst_OutageLogModel::followingPutsNewAndClosedOutagesInPlace()
{
    addOutage(QStringLiteral("2025-01-01 01:00:00"), QVariant(), QStringLiteral("10.0.0.1"), QStringLiteral("a"));
    addOutage(QStringLiteral("2025-01-01 02:00:00"), QStringLiteral("2025-01-01 02:05:00"), QStringLiteral("10.0.0.2"),
              QStringLiteral("b"));
    OutageLogModel model;
    model.setLocale(m_locale);
    QString error;
    QVERIFY(model.reload(&error));
    QSignalSpy followed(&model, &OutageLogModel::followed);
    model.checkForChanges();
    QCOMPARE(followed.size(), 0); // nothing changed: nothing read again
    // The operator's selection: the open outage of 10.0.0.1 (row 1).
    const QPersistentModelIndex selected = model.index(1, OutageLogModel::Address);
    QCOMPARE(selected.data().toString(), QStringLiteral("10.0.0.1"));

    addOutage(QStringLiteral("2025-01-01 03:00:00"), QVariant(), QStringLiteral("10.0.0.3"), QStringLiteral("c"));
    m_db->exec(QStringLiteral("update logs set foe=1, time_end='2025-01-01 03:30:00' where id=1"));
    model.checkForChanges();
    QCOMPARE(followed.size(), 1);
    QCOMPARE(::ids(model), (QStringList{QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1")}));
    QVERIFY(selected.isValid());
    QCOMPARE(selected.row(), 2);
    QCOMPARE(model.index(2, OutageLogModel::TimeEnd).data().toString(), QStringLiteral("01.01.2025 03:30:00"));

    // The log cleared: the rows go, the selection with them.
    m_db->exec(QStringLiteral("delete from logs where id<3"));
    model.checkForChanges();
    QCOMPARE(::ids(model), (QStringList{QStringLiteral("3")}));
    QVERIFY(!selected.isValid());
}

void tst_OutageLogModel::onADatabaseThreadOverTenThousandAddresses()
{
    // 10,000 addresses, two outages each: 10.0.B.C with C 1..100.
    m_db->exec(QStringLiteral(
        "with recursive n(i) as (select 0 union all select i+1 from n where i<19999) "
        "insert into logs (time_begin,time_end,foe,ip,\"desc\") select "
        "'2025-01-01 00:00:00',case when i<10000 then '2025-01-01 00:01:00' end,case when i<10000 then 1 else 0 end,"
        "'10.0.'||((i%10000)/100)||'.'||((i%10000)%100+1),'host '||(i%10000) from n"));
    DatabaseThread thread(QStringLiteral("log-model-thread"));
    const QString name = thread.connectionName();
    const DatabaseConfig config = Database::configOf(m_db->connectionName());
    QVERIFY(thread.call([&](QSqlDatabase) {
        QString ignored;
        return Database::open(config, Database::Options(), &ignored, name, nullptr);
    }));
    OutageLogModel model;
    model.setDatabase(&thread);
    QSignalSpy loaded(&model, &OutageLogModel::loaded);
    model.sort(OutageLogModel::Address, Qt::AscendingOrder);
    model.setFilter(QStringLiteral("10.0.42."));
    // The order's reload is overtaken by the filter's: only the latest answers.
    QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 20000);
    QVERIFY(loaded.last().at(0).toBool());
    QCOMPARE(model.rowCount(), OutageLogModel::DefaultPageSize < 200 ? OutageLogModel::DefaultPageSize : 200);
    // 10.0.42.1 .. 10.0.42.100, two rows each, in numeric order.
    QCOMPARE(model.index(0, OutageLogModel::Address).data().toString(), QStringLiteral("10.0.42.1"));
    QCOMPARE(model.index(2, OutageLogModel::Address).data().toString(), QStringLiteral("10.0.42.2"));
    QCOMPARE(model.index(199, OutageLogModel::Address).data().toString(), QStringLiteral("10.0.42.100"));
    QVERIFY(!model.canFetchMore({}));
}

void tst_OutageLogModel::marksSayWhyOutagesWereQuiet_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("order");
    QTest::addColumn<QString>("filter");
    // Pages of two: the marks come with later pages as with the first.
    QTest::newRow("newest first, keyset pages") << int(OutageLogModel::TimeBegin) << int(Qt::DescendingOrder)
                                                << QString();
    QTest::newRow("sorted by address, pages by id") << int(OutageLogModel::Address) << int(Qt::AscendingOrder)
                                                    << QString();
    QTest::newRow("filtered") << int(OutageLogModel::TimeBegin) << int(Qt::DescendingOrder) << QStringLiteral("10.0.0");
}

// A mark belongs to one outage, found by its address and its begin: the
// same address's other outages, and another address's at the same moment,
// have none.
void tst_OutageLogModel::marksSayWhyOutagesWereQuiet()
{
    QFETCH(int, column);
    QFETCH(int, order);
    QFETCH(QString, filter);
    addOutage(QStringLiteral("2025-01-01 01:00:00"), QStringLiteral("2025-01-01 01:10:00"), QStringLiteral("10.0.0.5"),
              QStringLiteral("Камера"));
    addOutage(QStringLiteral("2025-01-01 02:00:00"), QStringLiteral("2025-01-01 02:10:00"), QStringLiteral("10.0.0.5"),
              QStringLiteral("Камера"));
    addOutage(QStringLiteral("2025-01-01 02:00:00"), QVariant(), QStringLiteral("10.0.0.6"), QStringLiteral("Склад"));
    addOutage(QStringLiteral("2025-01-01 03:00:00"), QVariant(), QStringLiteral("10.0.0.7"), QString());
    addOutage(QStringLiteral("2025-01-01 04:00:00"), QVariant(), QStringLiteral("10.0.0.8"), QStringLiteral("Касса"));
    addMark(QStringLiteral("10.0.0.5"), QStringLiteral("2025-01-01 02:00:00"), QStringLiteral("behind"),
            QStringLiteral("Маршрутизатор"));
    addMark(QStringLiteral("10.0.0.7"), QStringLiteral("2025-01-01 03:00:00"), QStringLiteral("maintenance"), QVariant());
    addMark(QStringLiteral("10.0.0.8"), QStringLiteral("2025-01-01 04:00:00"), QStringLiteral("muted"), QVariant());

    OutageLogModel model;
    model.setPageSize(2);
    model.sort(column, Qt::SortOrder(order));
    model.setFilterText(filter);
    QString error;
    QVERIFY2(model.reload(&error), qPrintable(error));
    while (model.canFetchMore({}))
        model.fetchMore({});
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.columnCount(), 5);

    const QHash<QString, QString> wanted{{QStringLiteral("1"), QString()},
                                         {QStringLiteral("2"), QStringLiteral("за недоступным Маршрутизатор")},
                                         {QStringLiteral("3"), QString()},
                                         {QStringLiteral("4"), QStringLiteral("плановые работы")},
                                         {QStringLiteral("5"), QStringLiteral("сигналы отключены")}};
    for (int r = 0; r < model.rowCount(); ++r) {
        const QString id = model.index(r, OutageLogModel::Id).data().toString();
        const QString why = wanted.value(id);
        QCOMPARE(model.markText(r), why);
        const QVariant tip = model.index(r, OutageLogModel::Description).data(Qt::ToolTipRole);
        if (why.isEmpty()) {
            // No tooltip of its own: the grid shows the cell's text there.
            QVERIFY2(!tip.isValid(), qPrintable(id));
            continue;
        }
        const QString description = model.index(r, OutageLogModel::Description).data().toString();
        // The cell's whole text first, then the reason; an empty cell says
        // only the reason.
        QCOMPARE(tip.toString(), description.isEmpty() ? QStringLiteral("Без сигнала: ") + why
                                                       : description + QStringLiteral("\nБез сигнала: ") + why);
    }

    // The column of reasons, after the log's own, only when asked for.
    QSignalSpy inserted(&model, &QAbstractItemModel::columnsInserted);
    model.setShowsMarks(true);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(model.columnCount(), 6);
    for (int r = 0; r < model.rowCount(); ++r) {
        const QString id = model.index(r, OutageLogModel::Id).data().toString();
        QCOMPARE(model.index(r, OutageLogModel::Mark).data().toString(), wanted.value(id));
        // The column says it already; its tooltip is its own text.
        QVERIFY(!model.index(r, OutageLogModel::Mark).data(Qt::ToolTipRole).isValid());
    }
    model.sort(OutageLogModel::Mark, Qt::AscendingOrder); // it does not sort: nothing read again
    QCOMPARE(model.query().sortColumn, column);
    model.setShowsMarks(false);
    QCOMPARE(model.columnCount(), 5);
    QVERIFY(!model.index(0, OutageLogModel::Mark).isValid());
}

// The monitor writes a mark a moment after the row it belongs to: a listing
// that read the row before then learns the reason at its next check.
void tst_OutageLogModel::markWrittenAfterItsRowIsFollowed()
{
    addOutage(QStringLiteral("2025-01-01 01:00:00"), QVariant(), QStringLiteral("10.0.0.1"), QStringLiteral("a"));
    OutageLogModel model;
    QString error;
    QVERIFY(model.reload(&error));
    QVERIFY(model.markText(0).isEmpty());
    QSignalSpy followed(&model, &OutageLogModel::followed);
    addMark(QStringLiteral("10.0.0.1"), QStringLiteral("2025-01-01 01:00:00"), QStringLiteral("flapping"), QVariant());
    model.checkForChanges();
    QCOMPARE(followed.size(), 1);
    QCOMPARE(model.markText(0), QStringLiteral("связь неустойчива"));
}

// A file made before outages were marked, opened where its tables cannot be
// added: its log is listed and followed, without reasons.
void tst_OutageLogModel::logWithoutMarksIsListedAllTheSame()
{
    addOutage(QStringLiteral("2025-01-01 01:00:00"), QVariant(), QStringLiteral("10.0.0.1"), QStringLiteral("a"));
    m_db->exec(QStringLiteral("drop table outage_marks"));
    OutageLogModel model;
    model.setShowsMarks(true);
    model.sort(OutageLogModel::Address, Qt::AscendingOrder);
    QString error;
    QVERIFY2(model.reload(&error), qPrintable(error));
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, OutageLogModel::Mark).data().toString(), QString());
    QSignalSpy followed(&model, &OutageLogModel::followed);
    addOutage(QStringLiteral("2025-01-01 02:00:00"), QVariant(), QStringLiteral("10.0.0.2"), QStringLiteral("b"));
    model.checkForChanges();
    QCOMPARE(followed.size(), 1);
    QCOMPARE(model.rowCount(), 2);
}

// The route traced when an outage began, under the cell's text (and the
// reason it was quiet) in every cell's tooltip of that outage's row, and in
// no other row, with pages read later as with the first.
void tst_OutageLogModel::pathsInTheTooltips()
{
    addOutage(QStringLiteral("2025-01-01 01:00:00"), QStringLiteral("2025-01-01 01:10:00"), QStringLiteral("10.0.0.5"),
              QStringLiteral("Камера"));
    addOutage(QStringLiteral("2025-01-01 02:00:00"), QVariant(), QStringLiteral("10.0.0.5"), QStringLiteral("Камера"));
    addOutage(QStringLiteral("2025-01-01 03:00:00"), QVariant(), QStringLiteral("10.0.0.6"), QStringLiteral("Склад"));
    addMark(QStringLiteral("10.0.0.6"), QStringLiteral("2025-01-01 03:00:00"), QStringLiteral("muted"), QVariant());
    for (const auto &[ip, begin] : {std::pair{QStringLiteral("10.0.0.5"), QStringLiteral("2025-01-01 02:00:00")},
                                    std::pair{QStringLiteral("10.0.0.6"), QStringLiteral("2025-01-01 03:00:00")}}) {
        m_db->exec(QStringLiteral("insert into outage_paths (ip_addr,time_begin,hop,hop_addr,rtt_us) values (?,?,1,?,?)"),
                   {ip, begin, QStringLiteral("192.0.2.1"), 1500});
        m_db->exec(QStringLiteral("insert into outage_paths (ip_addr,time_begin,hop,hop_addr,rtt_us) values (?,?,2,null,null)"),
                   {ip, begin});
    }
    OutageLogModel model;
    model.setPageSize(1);
    QString error;
    QVERIFY2(model.reload(&error), qPrintable(error));
    while (model.canFetchMore({}))
        model.fetchMore({});
    QCOMPARE(model.rowCount(), 3);
    const QString path = QStringLiteral("Путь в начале отказа:\n") + OutagePaths::text({{1, QStringLiteral("192.0.2.1"), 1500},
                                                                                      {2, QString(), std::nullopt}});
    for (int r = 0; r < model.rowCount(); ++r) {
        const QString id = model.index(r, OutageLogModel::Id).data().toString();
        const QString tip = model.index(r, OutageLogModel::Address).data(Qt::ToolTipRole).toString();
        const QString address = model.index(r, OutageLogModel::Address).data().toString();
        if (id == QStringLiteral("1"))
            QVERIFY2(tip.isEmpty(), qPrintable(tip));
        else if (id == QStringLiteral("2"))
            QCOMPARE(tip, address + QLatin1Char('\n') + path);
        else
            QCOMPARE(tip, address + QStringLiteral("\nБез сигнала: сигналы отключены\n") + path);
    }
}

QTEST_MAIN(tst_OutageLogModel)
#include "tst_outagelogmodel.moc"
