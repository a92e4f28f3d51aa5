// The address book's bulk and parent handling in admin's windows, answered
// through the prompt seam: the import's preview and its questions, the
// parent choice in the address dialogs, the children of a removed address,
// and the address listing's filter and sorting over 10,000 addresses.
#include "AddressImportModel.h"
#include "AddressListModel.h"
#include "AdminTestSupport.h"
#include "FormatGrid.h"
#include "frmAdd.h"
#include "frmDel.h"
#include "frmEdAdr.h"
#include "frmImport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>

using namespace admin;

namespace {

// Runs one of the import dialog's actions and waits for the step it starts
// on the dialog's database thread to end.
bool step(frmImport &dialog, void (frmImport::*action)())
{
    QSignalSpy done(&dialog, &frmImport::stepDone);
    (dialog.*action)();
    return done.count() > 0 || done.wait(10000);
}

} // namespace

class tst_AddressBookWindows final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void addReturnsToTheAddressBoxAndStoresTheParent();
    void editorRefusesACycle();
    void removingAParentAsksAboutItsChildren_data();
    void removingAParentAsksAboutItsChildren();
    void importShowsEveryLineAndWritesOnlyWhenAccepted();
    void importAsksBeforeRemoving();
    void listingFiltersAndSortsTenThousandAddresses();
    void exportWritesTheBookForTheImport();

private:
    QStringList parents()
    {
        return f->db.rows(QStringLiteral("select ip_addr, parent_ip from addr_parents order by 1"));
    }
    std::unique_ptr<AdminFixture> f;
};

void tst_AddressBookWindows::init()
{
    f = std::make_unique<AdminFixture>();
    QVERIFY(f->start());
    f->prompts.boxes.clear();
}

void tst_AddressBookWindows::cleanup()
{
    f.reset();
}

void tst_AddressBookWindows::addReturnsToTheAddressBoxAndStoresTheParent()
{
    f->withDialog<frmAdd>("mnuAdd", [&](frmAdd *d) {
        QApplication::setActiveWindow(d);
        QVERIFY(QTest::qWaitForWindowActive(d));
        auto *parent = child<QComboBox>(d, "cmbParent");
        QCOMPARE(parent->itemText(0), QStringLiteral("нет"));
        QCOMPARE(parent->count(), 2); // "нет" and the template's 127.0.0.1
        parent->setCurrentIndex(parent->findText(QStringLiteral("127.0.0.1")));
        typeInto(d, "txtIP", QStringLiteral("10.0.0.7"));
        typeInto(d, "txtDesc", QStringLiteral("Принтер"));
        press(d, "cmdAdd");
        // The next address goes where it belongs, not into the description.
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(d, "txtIP"));
        typeText(QApplication::focusWidget(), QStringLiteral("10.0.0.8"));
        QCOMPARE(textOf(d, "txtIP"), QStringLiteral("10.0.0.8"));
        // The address just added may be the next one's parent.
        QVERIFY(parent->findText(QStringLiteral("10.0.0.7")) > 0);
    });
    QCOMPARE(f->prompts.boxes.size(), 0);
    QCOMPARE(parents(), QStringList{QStringLiteral("10.0.0.7|127.0.0.1")});
}

void tst_AddressBookWindows::editorRefusesACycle()
{
    QVERIFY(f->db.exec(QStringLiteral("insert into addrs values ('10.0.0.1','r',1),('10.0.0.2','s',2)")));
    QVERIFY(f->db.exec(QStringLiteral("insert into addr_parents values ('10.0.0.2','10.0.0.1')")));
    f->withDialog<frmEdAdr>("mnuEditAddr", [&](frmEdAdr *d) {
        auto *address = child<QComboBox>(d, "cmbAddr");
        address->setCurrentIndex(address->findText(QStringLiteral("10.0.0.1")));
        d->cmbAddr_Click();
        auto *parent = child<QComboBox>(d, "cmbParent");
        QCOMPARE(parent->currentText(), QStringLiteral("нет"));
        QCOMPARE(parent->findText(QStringLiteral("10.0.0.1")), -1); // never its own parent
        parent->setCurrentIndex(parent->findText(QStringLiteral("10.0.0.2")));
        emit parent->activated(parent->currentIndex());
        press(d, "Command1");
        // Then a parent that is fine.
        parent->setCurrentIndex(parent->findText(QStringLiteral("127.0.0.1")));
        emit parent->activated(parent->currentIndex());
        press(d, "Command1");
    });
    const QStringList texts = f->prompts.takeTexts();
    QCOMPARE(texts.size(), 2);
    QVERIFY2(texts.at(0).contains(QStringLiteral("10.0.0.2")), qPrintable(texts.at(0)));
    QCOMPARE(texts.at(1), QStringLiteral("Изменения записанны."));
    QCOMPARE(parents(), (QStringList{QStringLiteral("10.0.0.1|127.0.0.1"), QStringLiteral("10.0.0.2|10.0.0.1")}));
}

void tst_AddressBookWindows::removingAParentAsksAboutItsChildren_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("moved to its own parent")
        << int(QMessageBox::Yes)
        << QStringList{QStringLiteral("10.0.0.3|10.0.0.1"), QStringLiteral("10.0.0.4|10.0.0.1")};
    QTest::newRow("left without a parent") << int(QMessageBox::No) << QStringList();
    QTest::newRow("cancelled")
        << int(QMessageBox::Cancel)
        << QStringList{QStringLiteral("10.0.0.2|10.0.0.1"), QStringLiteral("10.0.0.3|10.0.0.2"),
                       QStringLiteral("10.0.0.4|10.0.0.2")};
}

void tst_AddressBookWindows::removingAParentAsksAboutItsChildren()
{
    QFETCH(int, answer);
    QFETCH(QStringList, after);
    QVERIFY(f->db.exec(QStringLiteral("insert into addrs values ('10.0.0.1','r',1),('10.0.0.2','s',2),('10.0.0.3','a',3),"
                                      "('10.0.0.4','b',4)")));
    QVERIFY(f->db.exec(QStringLiteral("insert into addr_parents values ('10.0.0.2','10.0.0.1'),('10.0.0.3','10.0.0.2'),"
                                      "('10.0.0.4','10.0.0.2')")));
    f->prompts.answers << QMessageBox::StandardButton(answer);
    f->withDialog<frmDel>("mnuDel", [&](frmDel *d) {
        typeInto(d, "txtIP", QStringLiteral("10.0.0.2"));
        press(d, "cmdDel");
    });
    QVERIFY(!f->prompts.boxes.isEmpty());
    QCOMPARE(f->prompts.boxes.at(0).buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QVERIFY2(f->prompts.boxes.at(0).text.contains(QStringLiteral("(2)")), qPrintable(f->prompts.boxes.at(0).text));
    QCOMPARE(parents(), after);
    const int left = f->db.scalar(QStringLiteral("select count(*) from addrs where ip_addr='10.0.0.2'")).toInt();
    QCOMPARE(left, answer == QMessageBox::Cancel ? 1 : 0);
}

void tst_AddressBookWindows::importShowsEveryLineAndWritesOnlyWhenAccepted()
{
    frmImport dialog(f->prompts, f->main->store(), f->main.get());
    dialog.text()->setPlainText(QStringLiteral("address,description,timeout_ms,parent\n"
                                               "127.0.0.1,Этот компьютер,500,\n"
                                               "10.0.0.1,\"Шлюз, этаж 2\",,127.0.0.1\n"
                                               "host,x,,\n"));
    QVERIFY(!dialog.importButton()->isEnabled());
    QVERIFY(step(dialog, &frmImport::cmdCheck_Click));
    const AddressImport::Plan &plan = dialog.preview()->plan();
    QCOMPARE(plan.lines.size(), 3);
    QCOMPARE(dialog.preview()->index(0, AddressImportModel::Outcome).data().toString(), QStringLiteral("без изменений"));
    QCOMPARE(dialog.preview()->index(1, AddressImportModel::Outcome).data().toString(), QStringLiteral("новый"));
    QCOMPARE(dialog.preview()->index(2, AddressImportModel::Outcome).data().toString(),
             QStringLiteral("отклонён: не IP-адрес"));
    QVERIFY(dialog.importButton()->isEnabled());
    QCOMPARE(f->db.scalar(QStringLiteral("select count(*) from addrs")).toInt(), 1); // the preview wrote nothing

    // A refused line: the operator is asked, and "No" writes nothing.
    f->prompts.answers << QMessageBox::No;
    QVERIFY(step(dialog, &frmImport::cmdImport_Click));
    QVERIFY(!dialog.wrote());
    QCOMPARE(f->db.scalar(QStringLiteral("select count(*) from addrs")).toInt(), 1);
    f->prompts.answers << QMessageBox::Yes;
    QVERIFY(step(dialog, &frmImport::cmdImport_Click));
    QVERIFY(dialog.wrote());
    QCOMPARE(f->db.rows(QStringLiteral("select ip_addr,descript from addrs order by 1")),
             (QStringList{QStringLiteral("10.0.0.1|Шлюз, этаж 2"), QStringLiteral("127.0.0.1|Этот компьютер")}));
    QCOMPARE(parents(), QStringList{QStringLiteral("10.0.0.1|127.0.0.1")});
    const QStringList texts = f->prompts.takeTexts();
    QCOMPARE(texts.size(), 3);
    QCOMPARE(texts.at(2), QStringLiteral("Добавлено: 1, изменено: 0, удалено: 0."));
}

void tst_AddressBookWindows::importAsksBeforeRemoving()
{
    QVERIFY(f->db.exec(QStringLiteral("insert into addrs values ('10.0.0.1','r',1),('10.0.0.2','s',2)")));
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("book.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xef\xbb\xbf" "address,description\r\n10.0.0.2,s\r\n");
    file.close();
    frmImport dialog(f->prompts, f->main->store(), f->main.get());
    dialog.replace()->setChecked(true);
    f->prompts.openAnswers << file.fileName();
    QVERIFY(step(dialog, &frmImport::cmdFile_Click));
    QVERIFY2(dialog.summary()->text().contains(QStringLiteral("Будет удалено адресов: 2")), qPrintable(dialog.summary()->text()));
    f->prompts.answers << QMessageBox::No;
    QVERIFY(step(dialog, &frmImport::cmdImport_Click));
    QCOMPARE(f->db.scalar(QStringLiteral("select count(*) from addrs")).toInt(), 3);
    // Another seat changed the book meanwhile: shown again, not written.
    QVERIFY(f->db.exec(QStringLiteral("insert into addrs values ('10.0.0.3','t',3)")));
    QVERIFY(step(dialog, &frmImport::cmdImport_Click));
    QVERIFY(!dialog.wrote());
    QVERIFY2(dialog.summary()->text().contains(QStringLiteral("Будет удалено адресов: 3")), qPrintable(dialog.summary()->text()));
    QVERIFY(f->prompts.takeTexts().last().contains(QStringLiteral("изменился")));
    f->prompts.answers << QMessageBox::Yes;
    QVERIFY(step(dialog, &frmImport::cmdImport_Click));
    QVERIFY(dialog.wrote());
    QCOMPARE(f->db.rows(QStringLiteral("select ip_addr from addrs")), QStringList{QStringLiteral("10.0.0.2")});
}

void tst_AddressBookWindows::listingFiltersAndSortsTenThousandAddresses()
{
    QVERIFY(f->db.exec(QStringLiteral(
        "with recursive n(i) as (select 0 union all select i+1 from n where i<9999) "
        "insert into addrs (ip_addr,descript,ping_timeout) "
        "select '10.0.'||(i/250)||'.'||(i%250+1), 'Хост '||i, 100+i%7 from n")));
    QVERIFY(f->db.exec(QStringLiteral("insert into addr_parents values ('10.0.0.2','10.0.0.1')")));
    f->action("mnuAddrs")->trigger();
    FormatGrid *grid = f->main->txtLog();
    QCOMPARE(grid->rowCount(), 10001);
    QCOMPARE(grid->columnCount(), 5); // a parent is recorded: its column shows
    QCOMPARE(grid->formatString(), QString::fromUtf8(frmMain::AddressHeadingsWithParent));
    // It opens in the book's own order, the address as text ("order by 1").
    QCOMPARE(grid->text(0, 2), QStringLiteral("10.0.0.1"));
    QCOMPARE(grid->text(1, 2), QStringLiteral("10.0.0.10"));
    QCOMPARE(grid->text(2, 2), QStringLiteral("10.0.0.100"));
    QCOMPARE(grid->text(10000, 2), QStringLiteral("127.0.0.1"));
    // A click on the address heading orders them by value.
    QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(grid->horizontalHeader()->sectionViewportPosition(AddressListModel::Address) + 5, 5));
    // Numeric order: .2 before .10, 10.0.x before 127.0.0.1.
    QCOMPARE(grid->text(0, 2), QStringLiteral("10.0.0.1"));
    QCOMPARE(grid->text(1, 2), QStringLiteral("10.0.0.2"));
    QCOMPARE(grid->text(1, 4), QStringLiteral("10.0.0.1"));
    QCOMPARE(grid->text(9, 2), QStringLiteral("10.0.0.10"));
    QCOMPARE(grid->text(10000, 2), QStringLiteral("127.0.0.1"));

    QLineEdit *filter = f->main->addressFilter();
    QVERIFY(filter->isVisible());
    QElapsedTimer timer;
    timer.start();
    filter->setText(QStringLiteral("10.0.39."));
    QCOMPARE(grid->rowCount(), 250);
    filter->setText(QStringLiteral("хост 999"));
    QCOMPARE(grid->rowCount(), 11); // 999 and 9990..9999, any case
    qInfo("two filter steps over 10,000 addresses: %lld ms", timer.elapsed());
    filter->clear();
    QCOMPARE(grid->rowCount(), 10001);

    // A heading click sorts by its column; timeouts as numbers.
    grid->horizontalHeader()->setSortIndicator(AddressListModel::Timeout, Qt::DescendingOrder);
    QCOMPARE(grid->text(0, 3), QStringLiteral("500"));
    QCOMPARE(grid->text(1, 3), QStringLiteral("106"));

    // The log listing has no filter box.
    f->action("mnuStat")->trigger();
    QVERIFY(!filter->isVisible());
}

void tst_AddressBookWindows::exportWritesTheBookForTheImport()
{
    QVERIFY(f->db.exec(QStringLiteral("insert into addrs values ('10.0.0.10','Склад, \"2\"',250),('10.0.0.9',null,300)")));
    QVERIFY(f->db.exec(QStringLiteral("insert into addr_parents values ('10.0.0.10','10.0.0.9')")));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.csv"));
    f->prompts.saveAnswers << path;
    QVERIFY(f->main->mnuExportAddrs_Click());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("address,description,timeout_ms,parent\r\n"
                                        "10.0.0.9,,300,\r\n"
                                        "10.0.0.10,\"Склад, \"\"2\"\"\",250,10.0.0.9\r\n"
                                        "127.0.0.1,Этот компьютер,500,\r\n"));
    QCOMPARE(f->prompts.saves.size(), 1);
    QCOMPARE(f->prompts.saves.at(0).defaultSuffix, QStringLiteral("csv"));
    QVERIFY(f->prompts.boxes.isEmpty());
}

ADMIN_RUSSIAN_TEST_MAIN(tst_AddressBookWindows)
#include "tst_addressbookwindows.moc"
