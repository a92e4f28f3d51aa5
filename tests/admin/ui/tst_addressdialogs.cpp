#include "AdminTestSupport.h"
#include "frmAdd.h"
#include "frmDel.h"
#include "frmEdAdr.h"

#include <QComboBox>

using namespace admin;

// frmAdd, frmEdAdr and frmDel driven through the main window's menu.
class tst_AddressDialogs final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void addStoresTimeoutByNumberRule_data();
    void addStoresTimeoutByNumberRule();
    void addRefusesEmptyAndDuplicateAddress();
    void bothDialogsRefuseTimeoutAboveAMinute();
    void addKeepsTextsExactly();
    void editorListReadOnlyWhenBuilt();
    void editorWithoutChanges();
    void editorRefusesNonNumberThenSavesCorrection();
    void editorReportsFailedUpdate();
    void editorDropsEditsOfAnotherAddress();
    void deleteLeavesOutageRecords();
    void failedAddAndDeleteAreReported();
    void editorSavingAVanishedAddress();
    void addKeepsBoxesUntilTheCloseBox();
    void ipv6AddressesKeptAsTyped();
    void enterPressesTheActionButton();

private:
    QString timeoutOf(const QString &ip) { return f->db.scalar(QStringLiteral("select ping_timeout from addrs where ip_addr=?"), {ip}).toString(); }
    void pickAddress(frmEdAdr *dialog, const QString &ip);

    std::unique_ptr<AdminFixture> f;
};

void tst_AddressDialogs::initTestCase()
{
    QCOMPARE(QLocale::system().decimalPoint(), QStringLiteral(","));
}

void tst_AddressDialogs::init()
{
    f = std::make_unique<AdminFixture>();
    QVERIFY(f->start());
    f->prompts.boxes.clear();
}

void tst_AddressDialogs::cleanup()
{
    f.reset();
}

void tst_AddressDialogs::pickAddress(frmEdAdr *dialog, const QString &ip)
{
    auto *combo = child<QComboBox>(dialog, "cmbAddr");
    QVERIFY(combo);
    const int target = combo->findText(ip);
    QVERIFY2(target >= 0, qPrintable(ip));
    combo->setFocus();
    // Arrow keys pick entries as the operator would; each pick loads one.
    while (combo->currentIndex() != target)
        QTest::keyClick(combo, combo->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
}

void tst_AddressDialogs::enterPressesTheActionButton()
{
    f->withDialog<frmAdd>("mnuAdd", [&](frmAdd *d) {
        typeInto(d, "txtIP", QStringLiteral("10.9.9.9"));
        auto *desc = child<QLineEdit>(d, "txtDesc");
        typeInto(d, "txtDesc", QStringLiteral("по Enter"));
        desc->setFocus();
        QTest::keyClick(desc, Qt::Key_Return);
        QCOMPARE(textOf(d, "txtIP"), QString()); // added, boxes emptied
    });
    QCOMPARE(timeoutOf(QStringLiteral("10.9.9.9")), QStringLiteral("500"));
    f->withDialog<frmDel>("mnuDel", [&](frmDel *d) {
        auto *ip = child<QLineEdit>(d, "txtIP");
        typeInto(d, "txtIP", QStringLiteral("10.9.9.9"));
        ip->setFocus();
        QTest::keyClick(ip, Qt::Key_Return);
    });
    QCOMPARE(timeoutOf(QStringLiteral("10.9.9.9")), QString());
    for (const char *name : {"cmdAdd", "Command1", "cmdDel"}) {
        bool isDefault = false;
        const char *menu = QByteArray(name) == "cmdAdd" ? "mnuAdd" : (QByteArray(name) == "Command1" ? "mnuEditAddr" : "mnuDel");
        f->withDialog<QDialog>(menu, [&](QDialog *d) { isDefault = child<QPushButton>(d, name)->isDefault(); });
        QVERIFY2(isDefault, name);
    }
}

void tst_AddressDialogs::addStoresTimeoutByNumberRule_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("empty") << "" << "500";
    QTest::newRow("letters") << "abc" << "500";
    QTest::newRow("zero") << "0" << "500";
    QTest::newRow("negative") << "-7" << "500";
    QTest::newRow("six tenths with the decimal comma") << "0,6" << "1";
    QTest::newRow("a dot is no decimal mark here") << "0.6" << "500";
    QTest::newRow("half to even") << "2,5" << "2";
    QTest::newRow("usable") << "1500" << "1500";
    QTest::newRow("the largest") << "60000" << "60000";
}

void tst_AddressDialogs::addStoresTimeoutByNumberRule()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    f->withDialog<frmAdd>("mnuAdd", [&](frmAdd *d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Добавить"));
        QCOMPARE(textOf(d, "txtPTO"), QStringLiteral("500"));
        typeInto(d, "txtIP", QStringLiteral("10.1.1.1"));
        typeInto(d, "txtDesc", QStringLiteral("Сервер"));
        typeInto(d, "txtPTO", typed);
        press(d, "cmdAdd");
        // All three boxes empty, the timeout box too, and no message.
        QCOMPARE(textOf(d, "txtIP"), QString());
        QCOMPARE(textOf(d, "txtDesc"), QString());
        QCOMPARE(textOf(d, "txtPTO"), QString());
        press(d, "cmdBack");
    });
    QCOMPARE(f->prompts.takeTexts(), QStringList());
    QCOMPARE(timeoutOf(QStringLiteral("10.1.1.1")), stored);
}

void tst_AddressDialogs::addRefusesEmptyAndDuplicateAddress()
{
    f->withDialog<frmAdd>("mnuAdd", [&](frmAdd *d) {
        press(d, "cmdAdd");
        QCOMPARE(f->prompts.boxes.size(), 1);
        QCOMPARE(f->prompts.boxes.at(0).text, QStringLiteral("Нет Ip адреса!"));
        QCOMPARE(f->prompts.boxes.at(0).title, QStringLiteral("Add"));
        QCOMPARE(f->prompts.boxes.at(0).icon, QMessageBox::Warning);
        f->prompts.boxes.clear();

        // 127.0.0.1 is in the template's address book.
        typeInto(d, "txtIP", QStringLiteral("127.0.0.1"));
        typeInto(d, "txtDesc", QStringLiteral("второй"));
        typeInto(d, "txtPTO", QStringLiteral("900"));
        press(d, "cmdAdd");
        QCOMPARE(f->prompts.takeTexts(), QStringList{QStringLiteral("Запись с этим IP уже существует!")});
        QCOMPARE(textOf(d, "txtIP"), QStringLiteral("127.0.0.1"));
        QCOMPARE(textOf(d, "txtDesc"), QStringLiteral("второй"));
        QCOMPARE(textOf(d, "txtPTO"), QStringLiteral("900"));

        // An older spelling of an address is another host to the probe
        // (010.0.0.1 is 8.0.0.1): refused, the boxes kept, nothing stored.
        typeInto(d, "txtIP", QStringLiteral("010.0.0.1"));
        press(d, "cmdAdd");
        QCOMPARE(f->prompts.boxes.size(), 1);
        QVERIFY2(f->prompts.boxes.at(0).text.contains(QStringLiteral("010.0.0.1")), qPrintable(f->prompts.boxes.at(0).text));
        f->prompts.boxes.clear();
        QCOMPARE(textOf(d, "txtIP"), QStringLiteral("010.0.0.1"));
    });
    QCOMPARE(f->db.scalar(QStringLiteral("select count(*) from addrs where ip_addr='127.0.0.1'")).toInt(), 1);
    QCOMPARE(f->db.scalar(QStringLiteral("select count(*) from addrs where ip_addr='010.0.0.1'")).toInt(), 0);
}

// A timeout above a minute would hold one host's outage for its 4 × timeout
// (2147483647 ms: for months): both dialogs refuse it, keep the boxes and
// store nothing.
void tst_AddressDialogs::bothDialogsRefuseTimeoutAboveAMinute()
{
    const QString refusal = QStringLiteral("Время ожидания ответа не может быть больше 60000 мс (одной минуты).");
    f->withDialog<frmAdd>("mnuAdd", [&](frmAdd *d) {
        for (const QString &typed : {QStringLiteral("60001"), QStringLiteral("2147483647"), QStringLiteral("3000000000")}) {
            typeInto(d, "txtIP", QStringLiteral("10.1.1.2"));
            typeInto(d, "txtPTO", typed);
            press(d, "cmdAdd");
            QCOMPARE(f->prompts.takeTexts(), QStringList{refusal});
            QCOMPARE(textOf(d, "txtIP"), QStringLiteral("10.1.1.2"));
            QCOMPARE(textOf(d, "txtPTO"), typed);
        }
    });
    QCOMPARE(f->db.scalar(QStringLiteral("select count(*) from addrs where ip_addr='10.1.1.2'")).toInt(), 0);

    f->withDialog<frmEdAdr>("mnuEditAddr", [&](frmEdAdr *d) {
        pickAddress(d, QStringLiteral("127.0.0.1"));
        typeInto(d, "txtPTO", QStringLiteral("86400000"));
        press(d, "Command1");
        QCOMPARE(f->prompts.takeTexts(), QStringList{refusal});
        typeInto(d, "txtPTO", QStringLiteral("60000"));
        press(d, "Command1");
        QCOMPARE(f->prompts.takeTexts(), QStringList{QStringLiteral("Изменения записанны.")});
    });
    QCOMPARE(timeoutOf(QStringLiteral("127.0.0.1")), QStringLiteral("60000"));
}

void tst_AddressDialogs::addKeepsTextsExactly()
{
    const QString ip = QStringLiteral("host's \"name\"");
    const QString desc = QStringLiteral("O'Brien; drop table addrs; --");
    f->withDialog<frmAdd>("mnuAdd", [&](frmAdd *d) {
        typeInto(d, "txtIP", ip);
        typeInto(d, "txtDesc", desc);
        press(d, "cmdAdd");
        // After an add the boxes are empty, so a second click finds no address.
        press(d, "cmdAdd");
    });
    QCOMPARE(f->prompts.takeTexts(), QStringList{QStringLiteral("Нет Ip адреса!")});
    QCOMPARE(f->db.rows(QStringLiteral("select descript,ping_timeout from addrs where ip_addr=?"), {ip}),
             QStringList{desc + QStringLiteral("|500")});
}

void tst_AddressDialogs::editorListReadOnlyWhenBuilt()
{
    auto listed = [](frmEdAdr *d) {
        QStringList items;
        auto *combo = child<QComboBox>(d, "cmbAddr");
        for (int i = 0; combo && i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    };
    QStringList seen;
    f->withDialog<frmEdAdr>("mnuEditAddr", [&](frmEdAdr *d) {
        seen = listed(d);
        QCOMPARE(child<QComboBox>(d, "cmbAddr")->currentIndex(), -1);
        press(d, "Command2"); // "Закрыть" only hides it
    });
    QCOMPARE(seen, QStringList{QStringLiteral("127.0.0.1")});
    f->db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('10.0.0.9','новый',500)"));

    f->withDialog<frmEdAdr>("mnuEditAddr", [&](frmEdAdr *d) {
        seen = listed(d);
        d->close(); // the close box discards it
    });
    QCOMPARE(seen, QStringList{QStringLiteral("127.0.0.1")});

    f->withDialog<frmEdAdr>("mnuEditAddr", [&](frmEdAdr *d) { seen = listed(d); });
    QCOMPARE(seen, (QStringList{QStringLiteral("10.0.0.9"), QStringLiteral("127.0.0.1")}));
}

void tst_AddressDialogs::editorWithoutChanges()
{
    f->withDialog<frmEdAdr>("mnuEditAddr", [&](frmEdAdr *d) {
        press(d, "Command1"); // nothing picked, nothing typed
        pickAddress(d, QStringLiteral("127.0.0.1"));
        QCOMPARE(textOf(d, "txtDesc"), QStringLiteral("Этот компьютер"));
        QCOMPARE(textOf(d, "txtPTO"), QStringLiteral("500"));
        press(d, "Command1");
    });
    QCOMPARE(f->prompts.boxes.size(), 2);
    for (const auto &m : std::as_const(f->prompts.boxes)) {
        QCOMPARE(m.text, QStringLiteral("Изменений небыло."));
        QCOMPARE(m.title, QStringLiteral("Редактирование"));
        QCOMPARE(m.icon, QMessageBox::Information);
    }
}

void tst_AddressDialogs::editorRefusesNonNumberThenSavesCorrection()
{
    f->withDialog<frmEdAdr>("mnuEditAddr", [&](frmEdAdr *d) {
        pickAddress(d, QStringLiteral("127.0.0.1"));
        typeInto(d, "txtDesc", QStringLiteral("Шлюз \"Б\""));
        typeInto(d, "txtPTO", QStringLiteral("десять"));
        press(d, "Command1");
        QCOMPARE(f->prompts.boxes.size(), 1);
        QCOMPARE(f->prompts.boxes.at(0).text, QStringLiteral("Error"));
        QCOMPARE(f->prompts.boxes.at(0).icon, QMessageBox::NoIcon);
        QCOMPARE(timeoutOf(QStringLiteral("127.0.0.1")), QStringLiteral("500"));
        f->prompts.boxes.clear();
        // The changed flag stayed set: correcting the box and saving goes through,
        // and zero is allowed here.
        typeInto(d, "txtPTO", QStringLiteral("0"));
        press(d, "Command1");
        QCOMPARE(f->prompts.takeTexts(), QStringList{QStringLiteral("Изменения записанны.")});
        // Saved: a second save has nothing to write.
        press(d, "Command1");
        QCOMPARE(f->prompts.takeTexts(), QStringList{QStringLiteral("Изменений небыло.")});
    });
    QCOMPARE(f->db.rows(QStringLiteral("select descript,ping_timeout from addrs")),
             QStringList{QStringLiteral("Шлюз \"Б\"|0")});
}

void tst_AddressDialogs::editorReportsFailedUpdate()
{
    QVERIFY(f->db.refuse(QStringLiteral("update"), QStringLiteral("addrs"), QStringLiteral("address book is read-only")));
    f->withDialog<frmEdAdr>("mnuEditAddr", [&](frmEdAdr *d) {
        pickAddress(d, QStringLiteral("127.0.0.1"));
        typeInto(d, "txtPTO", QStringLiteral("700"));
        press(d, "Command1");
        // The failure with the database's text, not "Изменения записанны.".
        QCOMPARE(f->prompts.boxes.size(), 1);
        QCOMPARE(f->prompts.boxes.at(0).icon, QMessageBox::Critical);
        QVERIFY2(f->prompts.boxes.at(0).text.contains(QStringLiteral("address book is read-only")),
                 qPrintable(f->prompts.boxes.at(0).text));
        f->prompts.boxes.clear();
        QVERIFY(d->changed());
        QVERIFY(f->db.allow(QStringLiteral("update"), QStringLiteral("addrs")));
        press(d, "Command1");
        QCOMPARE(f->prompts.takeTexts(), QStringList{QStringLiteral("Изменения записанны.")});
    });
    QCOMPARE(timeoutOf(QStringLiteral("127.0.0.1")), QStringLiteral("700"));
}

void tst_AddressDialogs::editorDropsEditsOfAnotherAddress()
{
    f->db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('10.0.0.2','второй',250)"));
    f->withDialog<frmEdAdr>("mnuEditAddr", [&](frmEdAdr *d) {
        pickAddress(d, QStringLiteral("10.0.0.2"));
        typeInto(d, "txtDesc", QStringLiteral("не сохранено"));
        pickAddress(d, QStringLiteral("127.0.0.1"));
        QCOMPARE(textOf(d, "txtDesc"), QStringLiteral("Этот компьютер"));
        press(d, "Command1");
    });
    QCOMPARE(f->prompts.takeTexts(), QStringList{QStringLiteral("Изменений небыло.")});
    QCOMPARE(f->db.scalar(QStringLiteral("select descript from addrs where ip_addr='10.0.0.2'")).toString(),
             QStringLiteral("второй"));
}

void tst_AddressDialogs::deleteLeavesOutageRecords()
{
    f->db.exec(QStringLiteral("insert into logs (ip,\"desc\") values ('127.0.0.1','Этот компьютер')"));
    f->withDialog<frmDel>("mnuDel", [&](frmDel *d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Удаление"));
        press(d, "cmdDel");
        QCOMPARE(f->prompts.boxes.size(), 1);
        QCOMPARE(f->prompts.boxes.at(0).text, QStringLiteral("Нет IP адреса!"));
        QCOMPARE(f->prompts.boxes.at(0).title, QStringLiteral("Del"));
        f->prompts.boxes.clear();
        typeInto(d, "txtIP", QStringLiteral("127.0.0.1"));
        press(d, "cmdDel");
        QCOMPARE(textOf(d, "txtIP"), QString());
        // An address that is not in the book gets the same answer.
        typeInto(d, "txtIP", QStringLiteral("10.9.9.9"));
        press(d, "cmdDel");
        typeInto(d, "txtIP", QStringLiteral("kept after Закрыть"));
        press(d, "cmdBack");
    });
    QCOMPARE(f->prompts.takeTexts(),
             QStringList(2, QStringLiteral("Запись с таким IP удалена.")));
    QCOMPARE(f->db.scalar(QStringLiteral("select count(*) from addrs")).toInt(), 0);
    QCOMPARE(f->db.scalar(QStringLiteral("select count(*) from logs")).toInt(), 1);
    // "Закрыть" only hid the dialog: its text is still there.
    f->withDialog<frmDel>("mnuDel", [&](frmDel *d) {
        QCOMPARE(textOf(d, "txtIP"), QStringLiteral("kept after Закрыть"));
    });
}

void tst_AddressDialogs::failedAddAndDeleteAreReported()
{
    QVERIFY(f->db.refuse(QStringLiteral("insert"), QStringLiteral("addrs"), QStringLiteral("no new addresses")));
    QVERIFY(f->db.refuse(QStringLiteral("delete"), QStringLiteral("addrs"), QStringLiteral("no removals")));
    f->withDialog<frmAdd>("mnuAdd", [&](frmAdd *d) {
        typeInto(d, "txtIP", QStringLiteral("10.0.0.7"));
        press(d, "cmdAdd");
        QCOMPARE(textOf(d, "txtIP"), QStringLiteral("10.0.0.7")); // kept for another try
    });
    f->withDialog<frmDel>("mnuDel", [&](frmDel *d) {
        typeInto(d, "txtIP", QStringLiteral("127.0.0.1"));
        press(d, "cmdDel");
        QCOMPARE(textOf(d, "txtIP"), QStringLiteral("127.0.0.1"));
    });
    QCOMPARE(f->prompts.boxes.size(), 2);
    QCOMPARE(f->prompts.boxes.at(0).title, QStringLiteral("Add"));
    QCOMPARE(f->prompts.boxes.at(0).icon, QMessageBox::Critical);
    QVERIFY(f->prompts.boxes.at(0).text.contains(QStringLiteral("no new addresses")));
    QCOMPARE(f->prompts.boxes.at(1).title, QStringLiteral("Del"));
    QVERIFY(f->prompts.boxes.at(1).text.contains(QStringLiteral("no removals")));
    QCOMPARE(f->db.rows(QStringLiteral("select ip_addr from addrs")), QStringList{QStringLiteral("127.0.0.1")});
}

void tst_AddressDialogs::editorSavingAVanishedAddress()
{
    f->withDialog<frmEdAdr>("mnuEditAddr", [&](frmEdAdr *d) {
        pickAddress(d, QStringLiteral("127.0.0.1"));
        // Meanwhile the address is deleted (the editor keeps its list as read).
        f->db.exec(QStringLiteral("delete from addrs"));
        typeInto(d, "txtPTO", QStringLiteral("800"));
        press(d, "Command1");
        QVERIFY(d->changed());
    });
    QCOMPARE(f->prompts.boxes.size(), 1);
    QCOMPARE(f->prompts.boxes.at(0).icon, QMessageBox::Warning);
    QVERIFY(f->prompts.boxes.at(0).text.contains(QStringLiteral("127.0.0.1")));
    QVERIFY(!f->prompts.boxes.at(0).text.contains(QStringLiteral("Изменения записанны.")));
}

void tst_AddressDialogs::addKeepsBoxesUntilTheCloseBox()
{
    f->withDialog<frmAdd>("mnuAdd", [&](frmAdd *d) {
        typeInto(d, "txtIP", QStringLiteral("10.2.2.2"));
        typeInto(d, "txtPTO", QStringLiteral("750"));
        press(d, "cmdBack");
    });
    f->withDialog<frmAdd>("mnuAdd", [&](frmAdd *d) {
        QCOMPARE(textOf(d, "txtIP"), QStringLiteral("10.2.2.2"));
        QCOMPARE(textOf(d, "txtPTO"), QStringLiteral("750"));
        d->close();
    });
    // Built afresh: the initial contents, the default timeout included.
    f->withDialog<frmAdd>("mnuAdd", [&](frmAdd *d) {
        QCOMPARE(textOf(d, "txtIP"), QString());
        QCOMPARE(textOf(d, "txtPTO"), QStringLiteral("500"));
    });
    QCOMPARE(f->prompts.boxes.size(), 0);
}

void tst_AddressDialogs::ipv6AddressesKeptAsTyped()
{
    // Nothing in the dialogs reads an address: IPv6 forms, zones and letter
    // case are stored, listed, edited and deleted exactly as typed.
    const QStringList typed = {QStringLiteral("2001:db8::10"), QStringLiteral("fe80::1%eth0"),
                               QStringLiteral("2001:DB8:ffff:ffff:ffff:ffff:ffff:ffff")};
    f->withDialog<frmAdd>("mnuAdd", [&](frmAdd *d) {
        for (const QString &ip : typed) {
            typeInto(d, "txtIP", ip);
            typeInto(d, "txtDesc", QStringLiteral("v6"));
            press(d, "cmdAdd");
        }
        // The same text again is a duplicate.
        typeInto(d, "txtIP", typed.at(0));
        press(d, "cmdAdd");
    });
    QCOMPARE(f->prompts.takeTexts(), QStringList{QStringLiteral("Запись с этим IP уже существует!")});
    f->withDialog<frmEdAdr>("mnuEditAddr", [&](frmEdAdr *d) {
        pickAddress(d, typed.at(1));
        typeInto(d, "txtDesc", QStringLiteral("канал"));
        press(d, "Command1");
    });
    QCOMPARE(f->prompts.takeTexts(), QStringList{QStringLiteral("Изменения записанны.")});
    f->withDialog<frmDel>("mnuDel", [&](frmDel *d) {
        typeInto(d, "txtIP", typed.at(2));
        press(d, "cmdDel");
    });
    QCOMPARE(f->db.rows(QStringLiteral("select ip_addr,descript from addrs order by ip_addr")),
             (QStringList{QStringLiteral("127.0.0.1|Этот компьютер"), QStringLiteral("2001:db8::10|v6"),
                          QStringLiteral("fe80::1%eth0|канал")}));
}

ADMIN_RUSSIAN_TEST_MAIN(tst_AddressDialogs)
#include "tst_addressdialogs.moc"
