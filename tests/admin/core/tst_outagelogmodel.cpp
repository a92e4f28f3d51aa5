#include "OutageLogModel.h"
#include "TempDatabase.h"

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

private:
    void addOutage(const QString &begin, const QVariant &end, const QString &ip, const QString &desc);
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

QTEST_MAIN(tst_OutageLogModel)
#include "tst_outagelogmodel.moc"
