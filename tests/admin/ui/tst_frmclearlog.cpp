#include "AdminTestSupport.h"
#include "DatePicker.h"
#include "DatePickerDriver.h"
#include "frmClearLog.h"

#include <QLabel>

using namespace admin;

// The log-clearing dialog driven from "Очистить лог".
class tst_frmClearLog final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void deletesWhatBeganBeforeTheDay();
    void cancelDeletesNothing();
    void calendarAndBoxFollowEachOther();
    void noDateDoesNothing();
    void calendarShownByWidening();
    void failedDeleteIsReported();
    void lifeOfTheDialog();
    void keyboardEnterDeletesHiddenCalendarOutOfTabChain();

private:
    QStringList remaining() { return f->db.rows(QStringLiteral("select ip from logs order by id")); }

    std::unique_ptr<AdminFixture> f;
};

void tst_frmClearLog::init()
{
    f = std::make_unique<AdminFixture>();
    QVERIFY(f->db.isValid());
    const QString insert = QStringLiteral("insert into logs (time_begin,time_end,foe,ip) values (?,?,?,?)");
    f->db.exec(insert, {QStringLiteral("2025-01-15 10:00:00"), QVariant(), 0, QStringLiteral("open before")});
    f->db.exec(insert, {QStringLiteral("2025-01-31 23:59:00"), QStringLiteral("2025-02-01 00:10:00"), 1,
                        QStringLiteral("23:59 the day before")});
    f->db.exec(insert, {QStringLiteral("2025-02-01 00:00:00"), QStringLiteral("2025-02-01 00:01:00"), 1,
                        QStringLiteral("00:00 of the day")});
    f->db.exec(insert, {QStringLiteral("2025-02-03 12:00:00"), QVariant(), 0, QStringLiteral("later")});
    QVERIFY(f->start());
    f->prompts.messages.clear();
}

void tst_frmClearLog::keyboardEnterDeletesHiddenCalendarOutOfTabChain()
{
    f->prompts.answers = {QMessageBox::Ok};
    bool hidden = false;
    f->withDialog<frmClearLog>("mnuClearLog", [&](frmClearLog *d) {
        auto *calendar = child<DatePicker>(d, "ctrDativo1");
        auto *box = child<QLineEdit>(d, "txtClearDate");
        // Narrow: Tab goes round the box and the two buttons only.
        auto chain = [&] {
            QStringList names;
            QWidget *w = box;
            for (int i = 0; i < 40; ++i) {
                w = w->nextInFocusChain();
                if (w == box)
                    break;
                if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(d) && w->isEnabled())
                    names << (calendar->isAncestorOf(w) ? QStringLiteral("calendar") : w->objectName());
            }
            return names;
        };
        QVERIFY(!calendar->isVisibleTo(d));
        QCOMPARE(chain(), (QStringList{QStringLiteral("cmdDel"), QStringLiteral("cmdQuit")}));
        QTest::mouseClick(child<QLabel>(d, "Label2"), Qt::LeftButton);
        QVERIFY(calendar->isVisibleTo(d));
        QVERIFY(chain().contains(QStringLiteral("calendar")));
        QTest::mouseClick(child<QLabel>(d, "Label2"), Qt::LeftButton);
        QVERIFY(!chain().contains(QStringLiteral("calendar")));
        // Enter in the date box presses "Удалить".
        typeInto(d, "txtClearDate", QStringLiteral("01.02.2025"));
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Return);
        hidden = !d->isVisible();
    });
    QVERIFY(hidden);
    QCOMPARE(remaining(), (QStringList{QStringLiteral("00:00 of the day"), QStringLiteral("later")}));
}

void tst_frmClearLog::cleanup()
{
    f.reset();
}

void tst_frmClearLog::deletesWhatBeganBeforeTheDay()
{
    bool hidden = false;
    f->withDialog<frmClearLog>("mnuClearLog", [&](frmClearLog *d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Очистить лог"));
        typeInto(d, "txtClearDate", QStringLiteral("01.02.2025"));
        press(d, "cmdDel");
        hidden = !d->isVisible();
    });
    QVERIFY(hidden);
    QCOMPARE(remaining(), (QStringList{QStringLiteral("00:00 of the day"), QStringLiteral("later")}));
    QCOMPARE(f->prompts.messages.size(), 2);
    const auto &question = f->prompts.messages.at(0);
    QCOMPARE(question.text, QStringLiteral("Вы уверенны, что хотите удалить \nвсе записи старее 01.02.2025?"));
    QCOMPARE(question.title, QStringLiteral("Очистить лог"));
    QCOMPARE(question.icon, QMessageBox::Question);
    QCOMPARE(question.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(f->prompts.messages.at(1).text, QStringLiteral("Записи удалены."));
    QCOMPARE(f->prompts.messages.at(1).icon, QMessageBox::Information);
}

void tst_frmClearLog::cancelDeletesNothing()
{
    f->prompts.answers = {QMessageBox::Cancel};
    f->withDialog<frmClearLog>("mnuClearLog", [&](frmClearLog *d) {
        typeInto(d, "txtClearDate", QStringLiteral("01.01.2030"));
        press(d, "cmdDel");
        QVERIFY(d->isVisible());
        QCOMPARE(textOf(d, "txtClearDate"), QStringLiteral("01.01.2030"));
    });
    QCOMPARE(remaining().size(), 4);
    QCOMPARE(f->prompts.messages.size(), 1);
}

void tst_frmClearLog::calendarAndBoxFollowEachOther()
{
    f->withDialog<frmClearLog>("mnuClearLog", [&](frmClearLog *d) {
        auto *calendar = child<DatePicker>(d, "ctrDativo1");
        // The operator picks a day: the box gets it as DD.MM.YYYY.
        pickDate(calendar, QDate(2025, 2, 1));
        QCOMPARE(textOf(d, "txtClearDate"), QStringLiteral("01.02.2025"));
        // Typing moves the calendar, and the box keeps what was typed (no
        // rewrite, so no chain of changes).
        typeInto(d, "txtClearDate", QStringLiteral("31.12.2025"));
        QCOMPARE(calendar->value(), QDate(2025, 12, 31));
        typeInto(d, "txtClearDate", QStringLiteral("5.3.2024"));
        QCOMPARE(calendar->value(), QDate(2024, 3, 5));
        QCOMPARE(textOf(d, "txtClearDate"), QStringLiteral("5.3.2024"));
        typeInto(d, "txtClearDate", QStringLiteral("завтра"));
        QCOMPARE(calendar->value(), QDate(2024, 3, 5));
    });
}

void tst_frmClearLog::noDateDoesNothing()
{
    f->withDialog<frmClearLog>("mnuClearLog", [&](frmClearLog *d) {
        press(d, "cmdDel");
        typeInto(d, "txtClearDate", QStringLiteral("никогда"));
        press(d, "cmdDel");
        QVERIFY(d->isVisible());
    });
    QCOMPARE(f->prompts.messages.size(), 0);
    QCOMPARE(remaining().size(), 4);
}

void tst_frmClearLog::calendarShownByWidening()
{
    f->withDialog<frmClearLog>("mnuClearLog", [&](frmClearLog *d) {
        auto *toggle = child<QLabel>(d, "Label2");
        auto *calendar = child<DatePicker>(d, "ctrDativo1");
        QCOMPARE(toggle->text(), QStringLiteral(">>"));
        QCOMPARE(d->width(), d->collapsedWidth());
        QVERIFY(calendar->geometry().left() >= d->width()); // beyond the right edge
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(toggle->text(), QStringLiteral("<<"));
        QCOMPARE(d->width(), d->expandedWidth());
        QVERIFY(calendar->geometry().right() < d->width()); // the whole calendar shows
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(toggle->text(), QStringLiteral(">>"));
        QCOMPARE(d->width(), d->collapsedWidth());
    });
}

void tst_frmClearLog::failedDeleteIsReported()
{
    QVERIFY(f->db.refuse(QStringLiteral("delete"), QStringLiteral("logs"), QStringLiteral("log is kept for audit")));
    f->withDialog<frmClearLog>("mnuClearLog", [&](frmClearLog *d) {
        typeInto(d, "txtClearDate", QStringLiteral("01.02.2025"));
        press(d, "cmdDel");
        QVERIFY(d->isVisible());
    });
    QCOMPARE(f->prompts.messages.size(), 2);
    QCOMPARE(f->prompts.messages.at(1).icon, QMessageBox::Critical);
    QVERIFY(f->prompts.messages.at(1).text.contains(QStringLiteral("log is kept for audit")));
    QCOMPARE(remaining().size(), 4);
}

void tst_frmClearLog::lifeOfTheDialog()
{
    f->withDialog<frmClearLog>("mnuClearLog", [&](frmClearLog *d) {
        typeInto(d, "txtClearDate", QStringLiteral("10.10.2024"));
        QTest::mouseClick(child<QLabel>(d, "Label2"), Qt::LeftButton);
        press(d, "cmdQuit");
    });
    f->withDialog<frmClearLog>("mnuClearLog", [&](frmClearLog *d) {
        QCOMPARE(textOf(d, "txtClearDate"), QStringLiteral("10.10.2024"));
        QCOMPARE(child<QLabel>(d, "Label2")->text(), QStringLiteral("<<"));
        QCOMPARE(d->width(), d->expandedWidth());
        d->close();
    });
    f->withDialog<frmClearLog>("mnuClearLog", [&](frmClearLog *d) {
        QCOMPARE(textOf(d, "txtClearDate"), QString());
        QCOMPARE(child<QLabel>(d, "Label2")->text(), QStringLiteral(">>"));
        QCOMPARE(d->width(), d->collapsedWidth());
    });
}

ADMIN_RUSSIAN_TEST_MAIN(tst_frmClearLog)
#include "tst_frmclearlog.moc"
