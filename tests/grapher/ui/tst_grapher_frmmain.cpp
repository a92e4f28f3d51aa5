// The grapher's main window: start-up defaults, the legend, the spinners,
// drawing, refusals, clearing, the picker, the dialogs, the breakdown
// window and its file, resizing.
#include "BreakdownText.h"
#include "ChartControl.h"
#include "DatePicker.h"
#include "DatePickerDriver.h"
#include "FakePrompts.h"
#include "GrapherStore.h"
#include "Regional.h"
#include "DatabaseThread.h"
#include "DatabaseWait.h"
#include "TempDatabase.h"

#include <QSqlQuery>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTimer>

#include <thread>
#include "Twips.h"
#include "frmDativo.h"
#include "frmLatency.h"
#include "frmMain.h"
#include "frmTime.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

using namespace grapher;

namespace {

const QString Quoted = QStringLiteral("O'Brien's \"core\" switch");
const QString Alpha = QStringLiteral("Альфа");

template <typename T>
T *child(const QWidget &window, const char *name)
{
    T *widget = window.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no child %s", name);
    return widget;
}

void choose(QComboBox *box, const QString &text)
{
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// The worked example's outages for host, in December 2026.
void addExample(TempDatabase &db, const QString &host)
{
    const QStringList rows = {QStringLiteral("2026-12-02 08:10:00|2026-12-02 08:40:00"),
                              QStringLiteral("2026-12-03 09:30:00|2026-12-03 09:31:00"),
                              QStringLiteral("2026-12-04 07:00:00|2026-12-04 08:00:00")};
    for (const QString &row : rows)
        db.exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,1,'10.0.0.1',?)"),
                {row.section(u'|', 0, 0), row.section(u'|', 1, 1), host});
}

// Period 01.12.2026 - 10.12.2026, 08:00 to 10:00 by 30 minutes.
void setExampleWindow(frmMain &w)
{
    child<QLineEdit>(w, "txtD1")->setText(QStringLiteral("01.12.2026"));
    child<QLineEdit>(w, "txtD2")->setText(QStringLiteral("10.12.2026"));
    choose(child<QComboBox>(w, "txtT2"), QStringLiteral("10:00:00"));
    choose(child<QComboBox>(w, "lstInterval"), QStringLiteral("30"));
}

} // namespace

class tst_frmMain : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startupDefaults();
    void legendFollowsAddressDatesAndTimes();
    void maxYMovesSpinnerOnlyInRange_data();
    void maxYMovesSpinnerOnlyInRange();
    void spinnersWriteTheirBoxes();
    void drawLocksUntilClearReleases();
    void refusedDrawingChangesNothing_data();
    void refusedDrawingChangesNothing();
    void missingPeriodIsReported();
    void pickerFillsTheBoxItWasOpenedFor();
    void colourChoiceAndCancel();
    void saveWritesTheChartAsBmp();
    void breakdownWindowAndItsFile();
    void resizeKeepsChartAboveTheFloor();
    void emptyAddressBook();
    void lostServerIsReportedAndMadeAgain();
    void windowAnswersWhileTheDrawingWaits();
    void hostFilterNarrowsTheChoice();
    void roundTripChartFromTheWindow();

private:
    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<GrapherStore> m_store;
    FakePrompts m_prompts;
};

void tst_frmMain::init()
{
    m_db = std::make_unique<TempDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    m_db->exec(QStringLiteral("insert into addrs (ip_addr,descript) values ('10.0.0.2',?)"), {Alpha});
    m_db->exec(QStringLiteral("insert into addrs (ip_addr,descript) values ('10.0.0.3',?)"), {Quoted});
    m_prompts.boxes.clear();
    m_prompts.colors.clear();
    m_prompts.saveAnswers.clear();
    m_prompts.saves.clear();
    m_store = std::make_unique<GrapherStore>();
    const auto opened = m_store->open(m_db->config());
    QVERIFY(opened.waitFor(10000) && opened.value().outcome.ok);
}

void tst_frmMain::cleanup()
{
    m_store.reset();
    m_db.reset();
}

void tst_frmMain::startupDefaults()
{
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    const QDate today = QDate::currentDate();
    QCOMPARE(w.windowTitle(), QStringLiteral("GRAPHER"));
    auto *cmbIP = child<QComboBox>(w, "cmbIP");
    QCOMPARE(cmbIP->count(), 3);
    QCOMPARE(cmbIP->currentText(), Quoted); // "order by 1": O' sorts before the Cyrillic names
    const QString d1 = QStringLiteral("01.") + today.toString(QStringLiteral("MM.yyyy"));
    const QString d2 = Regional::shortDate(today);
    QCOMPARE(child<QLineEdit>(w, "txtD1")->text(), d1);
    QCOMPARE(child<QLineEdit>(w, "txtD2")->text(), d2);
    QCOMPARE(child<QComboBox>(w, "txtT1")->currentText(), QStringLiteral("08:00:00"));
    QCOMPARE(child<QComboBox>(w, "txtT2")->currentText(), QStringLiteral("18:00:00"));
    QCOMPARE(child<QComboBox>(w, "txtT2")->count(), 24);
    QCOMPARE(child<QComboBox>(w, "txtT1")->itemText(23), QStringLiteral("23:00:00"));
    QCOMPARE(child<QComboBox>(w, "lstInterval")->currentText(), QStringLiteral("5"));
    QCOMPARE(child<QLineEdit>(w, "txtLegenda")->text(),
             Quoted + QStringLiteral(" [") + d1 + QStringLiteral(" 08:00:00 - ") + d2 + QStringLiteral(" 18:00:00]"));
    QCOMPARE(child<QLineEdit>(w, "txtMaxY")->text(), QStringLiteral("15"));
    QCOMPARE(child<QScrollBar>(w, "vs3")->value(), 15);
    QCOMPARE(child<QLineEdit>(w, "txtW")->text(), QStringLiteral("2"));
    QVERIFY(child<QPushButton>(w, "cmdGT")->isHidden());
    QVERIFY(w.firstDraw());
    ChartControl *chart = w.chart();
    QCOMPARE(chart->XMin(), 8.0);
    QCOMPARE(chart->XMax(), 18.0);
    QCOMPARE(chart->XDivisions(), qint16(10));
    QVERIFY(chart->StartupSwitch());
    QCOMPARE(child<QLabel>(w, "cmdColor")->palette().color(QPalette::Window), chart->LineColor());
    QCOMPARE(child<QLineEdit>(w, "txtD1")->toolTip(), QStringLiteral("Дата начала "));
    QCOMPARE(child<QComboBox>(w, "cmbIP")->toolTip(), QStringLiteral("Адрес, на основе которого будет построен график"));
}

void tst_frmMain::legendFollowsAddressDatesAndTimes()
{
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    auto *legend = child<QLineEdit>(w, "txtLegenda");
    legend->setText(QStringLiteral("typed"));
    choose(child<QComboBox>(w, "cmbIP"), Alpha);
    QVERIFY(legend->text().startsWith(Alpha + QStringLiteral(" [")));
    legend->setText(QStringLiteral("typed"));
    child<QLineEdit>(w, "txtD1")->setText(QStringLiteral("05.12.2026"));
    QVERIFY(legend->text().contains(QStringLiteral("[05.12.2026 08:00:00 - ")));
    legend->setText(QStringLiteral("typed"));
    choose(child<QComboBox>(w, "txtT1"), QStringLiteral("06:00:00"));
    QVERIFY(legend->text().contains(QStringLiteral("[05.12.2026 06:00:00 - ")));
    QCOMPARE(w.chart()->XMin(), 6.0);
    QCOMPARE(w.chart()->XDivisions(), qint16(12));
    choose(child<QComboBox>(w, "txtT2"), QStringLiteral("20:00:00"));
    QVERIFY(legend->text().endsWith(QStringLiteral(" 20:00:00]")));
    QCOMPARE(w.chart()->XMax(), 20.0);
    QCOMPARE(w.chart()->XDivisions(), qint16(14));
}

void tst_frmMain::maxYMovesSpinnerOnlyInRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("spinner");
    QTest::newRow("20") << QStringLiteral("20") << 20;
    QTest::newRow("999.4 rounds down") << QStringLiteral("999.4") << 999;
    QTest::newRow("0") << QStringLiteral("0") << 15;
    QTest::newRow("negative") << QStringLiteral("-4") << 15;
    QTest::newRow("1000") << QStringLiteral("1000") << 1000;
    QTest::newRow("1000000") << QStringLiteral("1000000") << 1000000;
    QTest::newRow("1000001") << QStringLiteral("1000001") << 15;
    QTest::newRow("not a number") << QStringLiteral("abc") << 15;
    QTest::newRow("rounds to 0") << QStringLiteral("0.3") << 15;
    QTest::newRow("999.7 rounds to 1000") << QStringLiteral("999.7") << 1000;
    QTest::newRow("rounds beyond the largest") << QStringLiteral("1000000.7") << 15;
}

void tst_frmMain::maxYMovesSpinnerOnlyInRange()
{
    QFETCH(QString, text);
    QFETCH(int, spinner);
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    auto *box = child<QLineEdit>(w, "txtMaxY");
    box->setText(text);
    QCOMPARE(child<QScrollBar>(w, "vs3")->value(), spinner);
    QCOMPARE(box->text(), text); // what was typed stays
    // Seven digits, the largest maximum, show whole in the box.
    QVERIFY(box->width() - 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth)
            > box->fontMetrics().horizontalAdvance(QStringLiteral("1000000")));
}

void tst_frmMain::spinnersWriteTheirBoxes()
{
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *vs3 = child<QScrollBar>(w, "vs3");
    vs3->setValue(40);
    QCOMPARE(child<QLineEdit>(w, "txtMaxY")->text(), QStringLiteral("40"));
    auto *vs1 = child<QScrollBar>(w, "vs1");
    vs1->setValue(7);
    QCOMPARE(child<QLineEdit>(w, "txtW")->text(), QStringLiteral("7"));
    vs1->setValue(11);
    QCOMPARE(child<QLineEdit>(w, "txtW")->text(), QStringLiteral("10"));
    // The upper arrow raises the value, the lower one lowers it.
    QTest::mouseClick(vs1, Qt::LeftButton, {}, QPoint(vs1->width() / 2, 3));
    QCOMPARE(vs1->value(), 10);
    QTest::mouseClick(vs1, Qt::LeftButton, {}, QPoint(vs1->width() / 2, vs1->height() - 3));
    QCOMPARE(vs1->value(), 9);
    QTest::mouseClick(vs1, Qt::LeftButton, {}, QPoint(vs1->width() / 2, 3));
    QCOMPARE(vs1->value(), 10);

    // The wheel and the keys count the same way as the arrows.
    auto wheel = [](QScrollBar *bar, int delta) {
        const QPointF at(bar->width() / 2.0, bar->height() / 2.0);
        QWheelEvent event(at, bar->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &event);
    };
    wheel(vs1, -120);
    QCOMPARE(vs1->value(), 9);
    wheel(vs1, 120);
    QCOMPARE(vs1->value(), 10);
    wheel(vs3, 120);
    QCOMPARE(vs3->value(), 41);
    QCOMPARE(child<QLineEdit>(w, "txtMaxY")->text(), QStringLiteral("41"));
    QTest::keyClick(vs3, Qt::Key_Down);
    QCOMPARE(vs3->value(), 40);
    QTest::keyClick(vs3, Qt::Key_Up);
    QCOMPARE(vs3->value(), 41);
}

void tst_frmMain::drawLocksUntilClearReleases()
{
    addExample(*m_db, Quoted);
    addExample(*m_db, Alpha);
    m_db->exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values "
                              "('2026-12-05 09:40:00','2026-12-05 09:50:00',1,'10.0.0.2',?)"),
               {Alpha});
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    setExampleWindow(w);
    auto *txtMaxY = child<QLineEdit>(w, "txtMaxY");
    txtMaxY->setText(QStringLiteral("4"));
    child<QPushButton>(w, "cmdGraph")->click();
    QVERIFY2(m_prompts.boxes.isEmpty(), qPrintable(m_prompts.boxes.value(0).text));
    QCOMPARE(w.timeline().counts(), QList<int>({2, 1, 0, 1, 0})); // the quoted description, exactly
    ChartControl *chart = w.chart();
    QCOMPARE(chart->YMax(), 4.0);
    QCOMPARE(chart->YDivisions(), qint16(4));
    QCOMPARE(chart->lines().size(), 10);
    QCOMPARE(chart->series(), QList<int>({2, 1, 0, 1, 0}));
    QCOMPARE(chart->legends().size(), 1);
    QVERIFY(!child<QPushButton>(w, "cmdGT")->isHidden());
    QVERIFY(txtMaxY->isReadOnly());
    QVERIFY(child<QScrollBar>(w, "vs3")->isHidden());
    QVERIFY(!child<QComboBox>(w, "txtT1")->isEnabled());
    QVERIFY(!child<QComboBox>(w, "txtT2")->isEnabled());
    QVERIFY(!w.firstDraw());

    // A second curve: another host, colour and width; the Y scale stays.
    m_prompts.colors << QColor(Qt::red);
    child<QPushButton>(w, "cmdSetColor")->click();
    child<QScrollBar>(w, "vs1")->setValue(4);
    choose(child<QComboBox>(w, "cmbIP"), Alpha);
    txtMaxY->setText(QStringLiteral("9")); // locked in the real window; ignored here
    child<QPushButton>(w, "cmdGraph")->click();
    QCOMPARE(w.timeline().counts(), QList<int>({2, 1, 0, 2, 0}));
    QCOMPARE(chart->YMax(), 4.0);
    QCOMPARE(chart->lines().size(), 20);
    QCOMPARE(chart->lines().last().color, QColor(Qt::red));
    QCOMPARE(chart->lines().last().width, 4);
    QCOMPARE(chart->lines().first().width, 2);
    QCOMPARE(chart->legends().size(), 2);
    QVERIFY(chart->legends().last().text.startsWith(Alpha));

    child<QPushButton>(w, "cmdClear")->click();
    QVERIFY(chart->lines().isEmpty());
    QVERIFY(chart->legends().isEmpty());
    QVERIFY(w.firstDraw());
    QVERIFY(!txtMaxY->isReadOnly());
    QVERIFY(!child<QScrollBar>(w, "vs3")->isHidden());
    QVERIFY(child<QComboBox>(w, "txtT1")->isEnabled());
    QVERIFY(child<QPushButton>(w, "cmdGT")->isHidden());
    QCOMPARE(child<QComboBox>(w, "cmbIP")->currentText(), Alpha); // entered values remain
}

void tst_frmMain::refusedDrawingChangesNothing_data()
{
    QTest::addColumn<QString>("maxY");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("message");
    const QString yMax = QString::fromUtf8(GraphRequest::YMaxRefused);
    QTest::newRow("Y maximum 0") << QStringLiteral("0") << QStringLiteral("08:00:00") << yMax;
    QTest::newRow("Y maximum 1000001") << QStringLiteral("1000001") << QStringLiteral("08:00:00") << yMax;
    QTest::newRow("Y maximum not a number") << QStringLiteral("десять") << QStringLiteral("08:00:00") << yMax;
    QTest::newRow("start later than end") << QStringLiteral("15") << QStringLiteral("19:00:00")
                                          << QString::fromUtf8(GraphRequest::TimesRefused);
}

void tst_frmMain::refusedDrawingChangesNothing()
{
    QFETCH(QString, maxY);
    QFETCH(QString, start);
    QFETCH(QString, message);
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    child<QLineEdit>(w, "txtMaxY")->setText(maxY);
    choose(child<QComboBox>(w, "txtT1"), start);
    child<QPushButton>(w, "cmdGraph")->click();
    QCOMPARE(m_prompts.boxes.size(), 1);
    QCOMPARE(m_prompts.boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(m_prompts.boxes.first().title, QStringLiteral("GRAPHER"));
    QCOMPARE(m_prompts.boxes.first().text, message);
    QVERIFY(w.chart()->lines().isEmpty());
    QVERIFY(w.firstDraw());
    QVERIFY(!child<QLineEdit>(w, "txtMaxY")->isReadOnly());
    QVERIFY(child<QComboBox>(w, "txtT1")->isEnabled());
    QVERIFY(child<QPushButton>(w, "cmdGT")->isHidden());
}

void tst_frmMain::missingPeriodIsReported()
{
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    child<QLineEdit>(w, "txtD2")->clear();
    child<QPushButton>(w, "cmdGraph")->click();
    QCOMPARE(m_prompts.boxes.size(), 1);
    QCOMPARE(m_prompts.boxes.first().icon, QMessageBox::Information);
    QCOMPARE(m_prompts.boxes.first().text, QStringLiteral("Не задан период."));
    QVERIFY(w.chart()->lines().isEmpty());
    // The Y scale and daily window were taken all the same.
    QVERIFY(!w.firstDraw());
    QVERIFY(child<QLineEdit>(w, "txtMaxY")->isReadOnly());
}

// The width the picker's whole caption needs beside the title bar's
// buttons, in the bold face window managers draw it in.
static int captionRoom(const frmDativo *picker)
{
    QFont bold = picker->font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(picker->windowTitle())
           + Twips::toPixelsX(frmDativo::TitleBarExtrasTwips, picker);
}

void tst_frmMain::pickerFillsTheBoxItWasOpenedFor()
{
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *txtD2 = child<QLineEdit>(w, "txtD2");
    QString title;
    int which = 0;
    int width = 0;
    QTimer::singleShot(0, this, [&] {
        QVERIFY(w.picker() && w.picker()->isVisible());
        title = w.picker()->windowTitle();
        which = w.d();
        width = w.picker()->width();
        pickDate(w.picker()->calendar(), QDate(2026, 12, 24));
    });
    QTest::mouseClick(txtD2, Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Конец периода"));
    QCOMPARE(which, 2);
    QVERIFY2(width >= captionRoom(w.picker()), qPrintable(QString::number(width)));
    QCOMPARE(txtD2->text(), QStringLiteral("24.12.2026"));
    QVERIFY(!w.picker()->isVisible());
    QVERIFY(child<QLineEdit>(w, "txtLegenda")->text().contains(QStringLiteral(" - 24.12.2026 18:00:00]")));

    // Closed without a pick: nothing changes.
    auto *txtD1 = child<QLineEdit>(w, "txtD1");
    const QString before = txtD1->text();
    QTimer::singleShot(0, this, [&] {
        title = w.picker()->windowTitle();
        width = w.picker()->width();
        // It opens on the box's date.
        QCOMPARE(w.picker()->calendar()->value(), QDate::fromString(before, QStringLiteral("dd.MM.yyyy")));
        w.picker()->reject();
    });
    QTest::mouseClick(txtD1, Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Начало периода"));
    QVERIFY2(width >= captionRoom(w.picker()), qPrintable(QString::number(width)));
    QCOMPARE(w.d(), 1);
    QCOMPARE(txtD1->text(), before);
}

void tst_frmMain::colourChoiceAndCancel()
{
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    m_prompts.colors << QColor(0, 128, 0) << QColor();
    child<QPushButton>(w, "cmdSetColor")->click();
    QCOMPARE(w.chart()->LineColor(), QColor(0, 128, 0));
    QCOMPARE(child<QLabel>(w, "cmdColor")->palette().color(QPalette::Window), QColor(0, 128, 0));
    child<QPushButton>(w, "cmdSetColor")->click(); // cancelled
    QCOMPARE(w.chart()->LineColor(), QColor(0, 128, 0));
}

void tst_frmMain::saveWritesTheChartAsBmp()
{
    addExample(*m_db, Quoted);
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.resize(800, 600);
    setExampleWindow(w);
    child<QPushButton>(w, "cmdGraph")->click();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("graph.bmp"));
    m_prompts.saveAnswers << path << QString();
    child<QPushButton>(w, "cmdSave")->click();
    QCOMPARE(m_prompts.saves.value(0).filter, QStringLiteral("bmp (*.bmp)"));
    QCOMPARE(m_prompts.saves.value(0).defaultSuffix, QStringLiteral("bmp"));
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    QCOMPARE(reader.read().size(), w.chart()->size());
    QVERIFY(QFile::remove(path));
    child<QPushButton>(w, "cmdSave")->click(); // cancelled
    QVERIFY(!QFile::exists(path));
    QVERIFY(m_prompts.boxes.isEmpty());
}

void tst_frmMain::breakdownWindowAndItsFile()
{
    addExample(*m_db, Quoted);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("breakdown.txt"));
    {
        frmMain w(m_prompts, *m_store);
        w.waitForHosts();
        setExampleWindow(w);
        child<QPushButton>(w, "cmdGraph")->click();
        child<QPushButton>(w, "cmdGT")->click();
        frmTime *breakdown = w.breakdownWindow();
        QVERIFY(breakdown && breakdown->isVisible());
        QCOMPARE(breakdown->windowTitle(), QStringLiteral("Расшифровка графика"));
        const QString composed = BreakdownText::compose(QStringLiteral("08:00:00"), 30, {2, 1, 0, 1, 0});
        QCOMPARE(breakdown->text(), QString(composed).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

        // The operator's edit and the legend at the time of saving are saved.
        auto *box = child<QPlainTextEdit>(*breakdown, "txtTime");
        box->moveCursor(QTextCursor::End);
        box->insertPlainText(QStringLiteral("проверено\n"));
        child<QLineEdit>(w, "txtLegenda")->setText(QStringLiteral("Сервер «ядро»"));
        m_prompts.saveAnswers << path;
        breakdown->findChild<QAction *>(QStringLiteral("mnuSaveToTxt"))->trigger();
        QCOMPARE(m_prompts.saves.last().filter, QStringLiteral("txt (*.txt)"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString expected = QStringLiteral("Сервер «ядро»\r\n") + composed + QStringLiteral("проверено\r\n");
        QCOMPARE(file.readAll(), BreakdownText::fileBytes(expected, QString(), BreakdownText::systemEncoding())
                                     .chopped(2)); // fileBytes adds one line end after its legend

        // The window outlives the main window and closes by its menu.
        w.close();
        QVERIFY(breakdown->isVisible());
        breakdown->findChild<QAction *>(QStringLiteral("mnuClose"))->trigger();
        QVERIFY(!breakdown->isVisible());
    }
}

void tst_frmMain::resizeKeepsChartAboveTheFloor()
{
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ChartControl *chart = w.chart();
    w.resize(900, 700);
    QTRY_COMPARE(chart->size(), QSize(900 - chart->x(), 700 - chart->y()));
    const int floor = Twips::toPixelsX(frmMain::ChartFloorTwips, &w);
    w.resize(chart->x() + floor + 1, chart->y() + 50);
    QTRY_COMPARE(chart->size(), QSize(floor + 1, 50));
    const QSize kept = chart->size();
    w.resize(chart->x() + floor, chart->y() + 200);
    // The window has its new size, so the chart has had its chance to follow.
    QTRY_COMPARE(w.size(), QSize(chart->x() + floor, chart->y() + 200));
    QCOMPARE(chart->size(), kept);
}

void tst_frmMain::emptyAddressBook()
{
    m_db->exec(QStringLiteral("delete from addrs"));
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    QCOMPARE(child<QComboBox>(w, "cmbIP")->count(), 0);
    QVERIFY(child<QLineEdit>(w, "txtLegenda")->text().startsWith(QStringLiteral(" [01.")));
    child<QPushButton>(w, "cmdGraph")->click();
    QCOMPARE(w.timeline().counts(), QList<int>(121, 0));
    QVERIFY(m_prompts.boxes.isEmpty());
}

// The server ends the grapher's session: the drawing says the connection
// was lost; the next drawing connects again and reads the outages.
void tst_frmMain::lostServerIsReportedAndMadeAgain()
{
    if (!m_db->isServer())
        QSKIP("about a server's database (the server run of this test)");
    addExample(*m_db, Quoted);
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    setExampleWindow(w);
    // The session of the window's own connection, on its database thread.
    const QVariant pid = w.store().databaseThread().call([](QSqlDatabase db) {
        QSqlQuery query(db);
        return query.exec(QStringLiteral("select pg_backend_pid()")) && query.next() ? query.value(0) : QVariant();
    });
    {
        TempDatabase other(TempDatabase::Backend::Server, QStringLiteral("other"));
        QVERIFY2(other.isValid(), qPrintable(other.error()));
        QVERIFY(other.scalar(QStringLiteral("select pg_terminate_backend(cast(? as integer))"), {pid}).toBool());
    }
    child<QPushButton>(w, "cmdGraph")->click();
    QCOMPARE(m_prompts.boxes.size(), 1);
    QVERIFY2(m_prompts.boxes.at(0).text.contains(QStringLiteral("потеряно")), qPrintable(m_prompts.boxes.at(0).text));
    QCOMPARE(w.timeline().counts(), QList<int>({0, 0, 0, 0, 0}));
    child<QPushButton>(w, "cmdClear")->click();
    child<QPushButton>(w, "cmdGraph")->click();
    QCOMPARE(m_prompts.boxes.size(), 1);
    QCOMPARE(w.timeline().counts(), QList<int>({2, 1, 0, 1, 0}));
}

// The database thread is held (a statement a silent server does not
// answer): the window keeps answering while the drawing waits; given up, it
// draws nothing; answered, it draws the curve.
void tst_frmMain::windowAnswersWhileTheDrawingWaits()
{
    addExample(*m_db, Quoted);
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    setExampleWindow(w);
    const auto hold = [&w] {
        w.store().databaseThread().post([](QSqlDatabase) { std::this_thread::sleep_for(std::chrono::milliseconds(1500)); });
    };
    int ticks = 0;
    QTimer watch;
    watch.setInterval(10);
    connect(&watch, &QTimer::timeout, [&ticks] { ++ticks; });
    watch.start();

    hold();
    QTimer::singleShot(DatabaseWait::ProgressAfterMs + 300, [] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QProgressDialog *>(top);
                box && box->objectName() == QLatin1String("databaseWait") && box->isVisible())
                box->findChild<QPushButton *>()->click();
    });
    QElapsedTimer took;
    took.start();
    child<QPushButton>(w, "cmdGraph")->click();
    QVERIFY2(took.elapsed() < 1400, "the cancel did not end the wait");
    QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
    QVERIFY(w.timeline().counts().isEmpty()); // nothing drawn
    QVERIFY(m_prompts.boxes.isEmpty());

    hold();
    ticks = 0;
    child<QPushButton>(w, "cmdGraph")->click();
    QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
    QCOMPARE(w.timeline().counts(), QList<int>({2, 1, 0, 1, 0}));
    QVERIFY(m_prompts.boxes.isEmpty());
}

// The filter box keeps the hosts whose description holds what is typed, in
// the list's own order; the host chosen stays while it is kept.
void tst_frmMain::hostFilterNarrowsTheChoice()
{
    m_db->exec(QStringLiteral("insert into addrs (ip_addr,descript) values ('10.0.0.4','Альфа-2'),('10.0.0.5','core')"));
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    auto *cmbIP = child<QComboBox>(w, "cmbIP");
    QCOMPARE(cmbIP->count(), 5);
    choose(cmbIP, QStringLiteral("Альфа-2"));
    QLineEdit *filter = w.hostFilter();
    QVERIFY(filter);
    filter->setText(QStringLiteral("альфа"));
    QCOMPARE(cmbIP->count(), 2);
    QCOMPARE(cmbIP->itemText(0), Alpha);
    QCOMPARE(cmbIP->currentText(), QStringLiteral("Альфа-2"));
    filter->setText(QStringLiteral("CORE"));
    QCOMPARE(cmbIP->count(), 2);  // "core" and O'Brien's "core" switch
    QCOMPARE(cmbIP->currentText(), Quoted);
    QVERIFY(child<QLineEdit>(w, "txtLegenda")->text().startsWith(Quoted + QStringLiteral(" [")));
    filter->setText(QStringLiteral("nothing like it"));
    QCOMPARE(cmbIP->count(), 0);
    filter->clear();
    QCOMPARE(cmbIP->count(), 5);
    QVERIFY(m_prompts.boxes.isEmpty());
}

void tst_frmMain::roundTripChartFromTheWindow()
{
    frmMain w(m_prompts, *m_store);
    w.waitForHosts();
    QVERIFY(!w.latencyWindow());
    child<QPushButton>(w, "cmdLatency")->click();
    QVERIFY(w.latencyWindow());
    QVERIFY(w.latencyWindow()->isVisible());
    QVERIFY(w.latencyWindow()->isWindow());
    w.latencyWindow()->waitForReads();
    QVERIFY(m_prompts.boxes.isEmpty());
}

QTEST_MAIN(tst_frmMain)
#include "tst_grapher_frmmain.moc"
