// The availability window: its rows as computed, sorting by a figure, the
// outages of a chosen host, and the report it saves, read back as text from
// the PDF (pdftotext) and from the HTML.
#include "AdminStore.h"
#include "Database.h"
#include "FakePrompts.h"
#include "Statements.h"
#include "TempDatabase.h"
#include "frmAvailability.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace admin;

class tst_frmAvailability : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rowsSortAndOutagesOfAHost();
    void reportAsPdfAndHtml();
    void planningWorkSetAside();
    void addressesByValueAndTheReportInTheOrderShown();

private:
    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<AdminStore> m_store;
    FakePrompts m_prompts;
};

void tst_frmAvailability::init()
{
    m_db = std::make_unique<TempDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    m_db->exec(QStringLiteral("delete from addrs"));
    m_db->exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values "
                              "('10.0.0.1','Маршрутизатор',500),('10.0.0.2','Сервер',500),('10.0.0.3','Тихий',500)"));
    // Watched all of the last 30 days; 10.0.0.2 was down twice, 10.0.0.1 once.
    m_db->exec(QStringLiteral("insert into watched (time_begin,time_end) values "
                              "(datetime('now','localtime','-40 days'),datetime('now','localtime'))"));
    const QString log = QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values "
                                       "(datetime('now','localtime',?),datetime('now','localtime',?),1,?,'x')");
    m_db->exec(log, {QStringLiteral("-3 days"), QStringLiteral("-2 days"), QStringLiteral("10.0.0.2")});
    m_db->exec(log, {QStringLiteral("-5 days"), QStringLiteral("-118 hours"), QStringLiteral("10.0.0.2")});
    m_db->exec(log, {QStringLiteral("-10 days"), QStringLiteral("-10 days"), QStringLiteral("10.0.0.1")});
    m_store = std::make_unique<AdminStore>();
    const auto opened = m_store->open(m_db->config());
    QVERIFY(opened.waitFor(10000) && opened.value().outcome.ok);
}

void tst_frmAvailability::cleanup()
{
    m_store.reset();
    m_db.reset();
}

void tst_frmAvailability::rowsSortAndOutagesOfAHost()
{
    if (m_db->isServer())
        QSKIP("the file's datetime() set-up");
    frmAvailability window(m_prompts, *m_store);
    QSignalSpy computed(&window, &frmAvailability::computed);
    window.refresh();
    QVERIFY(computed.wait(5000));
    auto *table = window.findChild<QTableView *>(QStringLiteral("tblHosts"));
    auto *model = qobject_cast<QStandardItemModel *>(table->model());
    QCOMPARE(model->rowCount(), 3);
    // Sorted by availability, worst first: the host down for 26 hours leads.
    table->sortByColumn(2, Qt::AscendingOrder);
    QCOMPARE(model->item(0, 0)->text(), QStringLiteral("10.0.0.2"));
    QCOMPARE(model->item(0, 3)->text(), QStringLiteral("2"));
    QCOMPARE(model->item(0, 4)->text(), QStringLiteral("1 д 02 ч"));
    QCOMPARE(model->item(2, 4)->text(), QStringLiteral("0 с"));

    table->selectRow(0);
    auto *outages = window.findChild<QTreeWidget *>(QStringLiteral("lstOutages"));
    QTRY_COMPARE(outages->topLevelItemCount(), 2);
    QCOMPARE(outages->topLevelItem(1)->text(2), QStringLiteral("1 д 00 ч"));

    // The last 24 hours: no outage of anybody.
    window.findChild<QComboBox *>(QStringLiteral("cboPeriod"))->setCurrentIndex(0);
    QVERIFY(computed.wait(5000));
    for (const HostAvailability &h : window.hosts())
        QCOMPARE(h.figures.outages, 0);
}

void tst_frmAvailability::reportAsPdfAndHtml()
{
    if (m_db->isServer())
        QSKIP("the file's datetime() set-up");
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QFAIL("pdftotext is missing: install the Debian package poppler-utils (scripts/packages.txt)");
    frmAvailability window(m_prompts, *m_store);
    QSignalSpy computed(&window, &frmAvailability::computed);
    window.refresh();
    QVERIFY(computed.wait(5000));

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    const QString html = dir.filePath(QStringLiteral("report.html"));
    m_prompts.saveAnswers << pdf << html;
    window.findChild<QPushButton *>(QStringLiteral("cmdPdf"))->click();
    window.findChild<QPushButton *>(QStringLiteral("cmdHtml"))->click();

    QProcess reader;
    reader.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(reader.waitForFinished(20000));
    QCOMPARE(reader.exitCode(), 0);
    const QString text = QString::fromUtf8(reader.readAllStandardOutput());
    for (const QString &expected :
         {QStringLiteral("Доступность адресов"), QStringLiteral("Маршрутизатор"), QStringLiteral("10.0.0.2"),
          QStringLiteral("Сервер"), QStringLiteral("Тихий"), QStringLiteral("Период:")})
        QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" not in:\n") + text));
    QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Тихий +100[.,]000 %"))), qPrintable(text));

    QFile file(html);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString saved = QString::fromUtf8(file.readAll());
    QVERIFY(saved.contains(QStringLiteral("<td>Маршрутизатор</td>")));
    QVERIFY(saved.contains(QStringLiteral("bgcolor=\"#c62828\"")));  // the bar of a host with downtime
}

// 10.0.0.2's every day is its planned work: set aside, its two outages go
// with it, the column of planned work shows, and the saved report says so.
void tst_frmAvailability::planningWorkSetAside()
{
    if (m_db->isServer())
        QSKIP("the file's datetime() set-up");
    m_db->exec(QStringLiteral("insert into maintenance_windows (ip_addr,weekdays,time_from,time_to) "
                              "values ('10.0.0.2',127,'00:00','00:00')"));
    frmAvailability window(m_prompts, *m_store);
    QSignalSpy computed(&window, &frmAvailability::computed);
    window.refresh();
    QVERIFY(computed.wait(5000));
    auto *table = window.findChild<QTableView *>(QStringLiteral("tblHosts"));
    auto *model = qobject_cast<QStandardItemModel *>(table->model());
    const auto row = [&](const QString &ip) {
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->item(r, 0)->text() == ip)
                return r;
        return -1;
    };
    // By default the window is as it was: the windows count like any time.
    QVERIFY(table->isColumnHidden(9));
    QCOMPARE(model->item(row(QStringLiteral("10.0.0.2")), 3)->text(), QStringLiteral("2"));

    auto *box = window.findChild<QCheckBox *>(QStringLiteral("chkWithoutMaintenance"));
    QVERIFY(box);
    QVERIFY(!box->isChecked());
    box->setChecked(true);
    QVERIFY(computed.wait(5000));
    QCOMPARE(window.shownMaintenance(), AvailabilityReport::Maintenance::SetAside);
    QVERIFY(!table->isColumnHidden(9));
    QCOMPARE(model->horizontalHeaderItem(9)->text(), QStringLiteral("Плановые работы"));
    const int r = row(QStringLiteral("10.0.0.2"));
    QCOMPARE(model->item(r, 2)->text(), QStringLiteral("нет данных"));
    QCOMPARE(model->item(r, 9)->text().isEmpty(), false);
    QCOMPARE(model->item(row(QStringLiteral("10.0.0.1")), 3)->text(), QStringLiteral("1"));
    QCOMPARE(model->item(row(QStringLiteral("10.0.0.1")), 9)->text(), QStringLiteral("0 с"));

    QTemporaryDir dir;
    const QString html = dir.filePath(QStringLiteral("report.html"));
    m_prompts.saveAnswers << html;
    window.findChild<QPushButton *>(QStringLiteral("cmdHtml"))->click();
    QFile file(html);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString saved = QString::fromUtf8(file.readAll());
    QVERIFY(saved.contains(QStringLiteral("<th>Плановые работы</th>")));

    box->setChecked(false);
    QVERIFY(computed.wait(5000));
    QVERIFY(table->isColumnHidden(9));
    QCOMPARE(model->item(row(QStringLiteral("10.0.0.2")), 3)->text(), QStringLiteral("2"));
}

// Addresses rank by value, IPv4 before IPv6; the saved report lists the
// hosts in whatever order the table shows.
void tst_frmAvailability::addressesByValueAndTheReportInTheOrderShown()
{
    m_db->exec(QStringLiteral("delete from addrs"));
    m_db->exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values "
                              "('10.10.0.10','e',500),('fd00::11','a',500),('10.10.0.2','c',500),"
                              "('fd00::a','b',500),('10.10.0.9','d',500)"));
    frmAvailability window(m_prompts, *m_store);
    QSignalSpy computed(&window, &frmAvailability::computed);
    QVERIFY(computed.wait(5000));
    auto *table = window.findChild<QTableView *>(QStringLiteral("tblHosts"));
    auto *model = qobject_cast<QStandardItemModel *>(table->model());
    const auto shown = [model](int column) {
        QStringList texts;
        for (int r = 0; r < model->rowCount(); ++r)
            texts << model->item(r, column)->text();
        return texts;
    };
    QCOMPARE(shown(0), (QStringList{QStringLiteral("10.10.0.2"), QStringLiteral("10.10.0.9"),
                                    QStringLiteral("10.10.0.10"), QStringLiteral("fd00::a"), QStringLiteral("fd00::11")}));
    table->sortByColumn(0, Qt::DescendingOrder);
    QCOMPARE(shown(0).first(), QStringLiteral("fd00::11"));
    QCOMPARE(shown(0).last(), QStringLiteral("10.10.0.2"));

    table->sortByColumn(1, Qt::AscendingOrder);
    const QStringList order = shown(0);
    QCOMPARE(order.first(), QStringLiteral("fd00::11"));  // described "a"
    QTemporaryDir dir;
    const QString html = dir.filePath(QStringLiteral("report.html"));
    m_prompts.saveAnswers << html;
    window.findChild<QPushButton *>(QStringLiteral("cmdHtml"))->click();
    QFile file(html);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString saved = QString::fromUtf8(file.readAll());
    QStringList inReport;
    const QRegularExpression cell(QStringLiteral("<td>((?:10\\.10\\.0\\.\\d+)|(?:fd00::[0-9a-f]+))</td>"));
    for (auto it = cell.globalMatch(saved); it.hasNext();)
        inReport << it.next().captured(1);
    QCOMPARE(inReport, order);
}

QTEST_MAIN(tst_frmAvailability)
#include "tst_frmavailability.moc"
