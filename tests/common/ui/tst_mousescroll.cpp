// Mouse-wheel scrolling of the programs' lists.
#include "mouse_scroll.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

struct Window
{
    QWidget top;
    QListWidget *first = nullptr;
    QListWidget *second = nullptr;
    QLineEdit *edit = nullptr;

    Window()
    {
        auto *layout = new QVBoxLayout(&top);
        first = new QListWidget;
        second = new QListWidget;
        edit = new QLineEdit;
        for (QListWidget *list : {first, second}) {
            list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
            for (int i = 0; i < 200; ++i)
                list->addItem(QStringLiteral("line %1").arg(i));
            list->setFixedHeight(100);
            layout->addWidget(list);
        }
        layout->addWidget(edit);
        top.resize(300, 300);
        top.show();
    }
};

// One wheel turn with the pointer in the middle of `over`, delivered to
// `receiver` (the widget the system hands it to).
void turn(QWidget *receiver, QWidget *over, QPoint angle, Qt::KeyboardModifiers mods = Qt::NoModifier,
          QPoint pixel = QPoint())
{
    const QPoint local = over->rect().center();
    const QPoint global = over->mapToGlobal(local);
    QWheelEvent ev(receiver->mapFromGlobal(global), global, pixel, angle, Qt::NoButton, mods, Qt::NoScrollPhase,
                   false);
    QApplication::sendEvent(receiver, &ev);
}

} // namespace

class tst_MouseScroll : public QObject
{
    Q_OBJECT

private slots:
    void oneLinePerTurnBySign_data();
    void oneLinePerTurnBySign();
    void widgetUnderPointerScrollsNotFocused();
    void otherEventsPassUnchanged();
    void unhookRestoresNormalWheel();
};

void tst_MouseScroll::oneLinePerTurnBySign_data()
{
    QTest::addColumn<QPoint>("angle");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("expectedMove");
    const int none = int(Qt::NoModifier);
    QTest::newRow("one notch towards the user") << QPoint(0, -120) << QPoint() << none << 1;
    QTest::newRow("one notch away") << QPoint(0, 120) << QPoint() << none << -1;
    QTest::newRow("three notches in one event") << QPoint(0, -360) << QPoint() << none << 1;
    QTest::newRow("three notches away") << QPoint(0, 360) << QPoint() << none << -1;
    // The original table scrolled up for these; the sign decides here.
    QTest::newRow("four notches towards the user") << QPoint(0, -480) << QPoint() << none << 1;
    QTest::newRow("towards the user with Ctrl") << QPoint(0, -120) << QPoint() << int(Qt::ControlModifier) << 1;
    QTest::newRow("towards the user with Shift") << QPoint(0, -120) << QPoint() << int(Qt::ShiftModifier) << 1;
    QTest::newRow("high-resolution wheel step") << QPoint(0, -15) << QPoint() << none << 1;
    QTest::newRow("touchpad pixels only") << QPoint() << QPoint(0, -3) << none << 1;
    QTest::newRow("zero distance") << QPoint(0, 0) << QPoint() << none << 0;
}

void tst_MouseScroll::oneLinePerTurnBySign()
{
    QFETCH(QPoint, angle);
    QFETCH(QPoint, pixel);
    QFETCH(int, modifiers);
    QFETCH(int, expectedMove);
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.top));
    HookWheel(&w.top);
    QScrollBar *bar = w.first->verticalScrollBar();
    bar->setValue(50);
    turn(w.first->viewport(), w.first->viewport(), angle, Qt::KeyboardModifiers(modifiers), pixel);
    QCOMPARE(bar->value(), 50 + expectedMove);
    UnhookWheel(&w.top);
}

void tst_MouseScroll::widgetUnderPointerScrollsNotFocused()
{
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.top));
    HookWheel(&w.top);
    w.first->setFocus();
    // The event arrives at the focused list, the pointer is over the other one.
    turn(w.first->viewport(), w.second->viewport(), QPoint(0, -120));
    QCOMPARE(w.first->verticalScrollBar()->value(), 0);
    QCOMPARE(w.second->verticalScrollBar()->value(), 1);
    // A turn over the window's empty parts or the line edit scrolls nothing.
    turn(&w.top, w.edit, QPoint(0, -120));
    QCOMPARE(w.first->verticalScrollBar()->value(), 0);
    QCOMPARE(w.second->verticalScrollBar()->value(), 1);
    UnhookWheel(&w.top);
}

void tst_MouseScroll::otherEventsPassUnchanged()
{
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.top));
    HookWheel(&w.top);
    w.edit->setFocus();
    QTest::keyClicks(w.edit, QStringLiteral("abc"));
    QCOMPARE(w.edit->text(), QStringLiteral("abc"));
    QTest::mouseClick(w.first->viewport(), Qt::LeftButton, {}, w.first->visualItemRect(w.first->item(2)).center());
    QCOMPARE(w.first->currentRow(), 2);
    // A sideways turn is no vertical wheel turn: the list handles it itself.
    w.first->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    turn(w.first->viewport(), w.first->viewport(), QPoint(-120, 0));
    QCOMPARE(w.first->verticalScrollBar()->value(), 0);
    UnhookWheel(&w.top);
}

void tst_MouseScroll::unhookRestoresNormalWheel()
{
    Window w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.top));
    HookWheel(&w.top);
    UnhookWheel(&w.top);
    turn(w.first->viewport(), w.first->viewport(), QPoint(0, -120));
    // Qt's own handling moves several lines per notch.
    QCOMPARE(w.first->verticalScrollBar()->value(), QApplication::wheelScrollLines());
    // Another window is not hooked by hooking one.
    Window other;
    QVERIFY(QTest::qWaitForWindowExposed(&other.top));
    HookWheel(&w.top);
    turn(other.first->viewport(), other.first->viewport(), QPoint(0, -120));
    QCOMPARE(other.first->verticalScrollBar()->value(), QApplication::wheelScrollLines());
    UnhookWheel(&w.top);
}

QTEST_MAIN(tst_MouseScroll)
#include "tst_mousescroll.moc"
