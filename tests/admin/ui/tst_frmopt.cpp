#include "AdminTestSupport.h"
#include "frmOpt.h"

#include <QCheckBox>
#include <QSpinBox>

#include <iterator>

using namespace admin;

// The settings dialog, filled at start-up and driven from "Настройки".
class tst_frmOpt final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void filledAtStartUp();
    void saveWritesEveryValueExactly();
    void emptyIntervalSavesNothing();
    void unusableIntervalIsRefused_data();
    void unusableIntervalIsRefused();
    void cancelKeepsEditsCloseBoxDiscards();
    void closeBoxThenUnreadableSettingsOpensNothing();
    void enterSavesAndTabFollowsTheRows();
    void retentionKeptBesideTheOptionsRow();
    void soundChoice();

private:
    QStringList optionsRow() { return f->db.rows(QStringLiteral("select refresh_time,snd_err,snd_rest,\"view\" from options")); }

    std::unique_ptr<AdminFixture> f;
};

void tst_frmOpt::init()
{
    f = std::make_unique<AdminFixture>();
    QVERIFY(f->db.isValid());
    f->db.exec(QStringLiteral("update options set refresh_time=3,snd_err='/snd/lost.wav',snd_rest='/snd/back.wav',\"view\"=0"));
    QVERIFY(f->start());
    f->prompts.boxes.clear();
}

void tst_frmOpt::cleanup()
{
    f.reset();
}

void tst_frmOpt::filledAtStartUp()
{
    // Changed after start-up: the dialog still shows what start-up read.
    f->db.exec(QStringLiteral("update options set refresh_time=9"));
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Настройки"));
        QCOMPARE(textOf(d, "txtRefresh"), QStringLiteral("3"));
        QCOMPARE(textOf(d, "txtSndErr"), QStringLiteral("/snd/lost.wav"));
        QCOMPARE(textOf(d, "txtSndRest"), QStringLiteral("/snd/back.wav"));
        QVERIFY(!child<QCheckBox>(d, "chView")->isChecked());
    });
}

void tst_frmOpt::saveWritesEveryValueExactly()
{
    const QString lost = QStringLiteral("/home/оператор/My Sounds/обрыв \"громко\".wav");
    const QString back = QStringLiteral("/home/o'neil/back up.wav");
    bool hidden = false;
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        typeInto(d, "txtRefresh", QStringLiteral("5"));
        typeInto(d, "txtSndErr", lost);
        typeInto(d, "txtSndRest", back);
        QTest::mouseClick(child<QCheckBox>(d, "chView"), Qt::LeftButton);
        press(d, "cmdSave");
        hidden = !d->isVisible();
    });
    QVERIFY(hidden);
    QCOMPARE(optionsRow(), QStringList{QStringLiteral("5|") + lost + QLatin1Char('|') + back + QStringLiteral("|1")});
    QCOMPARE(f->prompts.boxes.size(), 1);
    QCOMPARE(f->prompts.boxes.at(0).text, QStringLiteral("Изменения вступят в силу после перезапуска программы Orvant."));
    QCOMPARE(f->prompts.boxes.at(0).title, QStringLiteral("Options"));
    QCOMPARE(f->prompts.boxes.at(0).icon, QMessageBox::Information);
}

void tst_frmOpt::emptyIntervalSavesNothing()
{
    const QStringList before = optionsRow();
    bool hidden = false;
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        typeInto(d, "txtRefresh", QString());
        typeInto(d, "txtSndErr", QStringLiteral("/other.wav"));
        press(d, "cmdSave");
        hidden = !d->isVisible();
    });
    QVERIFY(hidden);
    QCOMPARE(optionsRow(), before);
    QCOMPARE(f->prompts.takeTexts(), QStringList());
}

void tst_frmOpt::unusableIntervalIsRefused_data()
{
    QTest::addColumn<QString>("interval");
    QTest::newRow("letters") << "пять";
    QTest::newRow("negative") << "-1";
    QTest::newRow("fraction") << "1,5";
    QTest::newRow("past 32 bits") << "99999999999";
    QTest::newRow("a minute past a year") << "525601";
    QTest::newRow("past the monitor's 32-bit seconds") << "35791395";
    QTest::newRow("statement text") << "1,snd_err='x'";
}

void tst_frmOpt::unusableIntervalIsRefused()
{
    QFETCH(QString, interval);
    const QStringList before = optionsRow();
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        typeInto(d, "txtRefresh", interval);
        typeInto(d, "txtSndErr", QStringLiteral("/new.wav"));
        press(d, "cmdSave");
        QVERIFY(d->isVisible()); // the operator can correct it
        QCOMPARE(f->prompts.boxes.size(), 1);
        QCOMPARE(f->prompts.boxes.at(0).icon, QMessageBox::Warning);
        QCOMPARE(f->prompts.boxes.at(0).title, QStringLiteral("Настройки"));
        // Says what is wrong, the range, and that nothing was written.
        QVERIFY(f->prompts.boxes.at(0).text.contains(QStringLiteral("целое число минут от 0 до 525600")));
        QVERIFY(f->prompts.boxes.at(0).text.contains(QStringLiteral("options не изменены")));
        QCOMPARE(optionsRow(), before);
        f->prompts.boxes.clear();
        typeInto(d, "txtRefresh", QStringLiteral("525600"));
        press(d, "cmdSave");
        QVERIFY(!d->isVisible());
    });
    QCOMPARE(optionsRow().at(0).section(QLatin1Char('|'), 0, 1), QStringLiteral("525600|/new.wav"));
    QVERIFY(before != optionsRow());
}

void tst_frmOpt::retentionKeptBesideTheOptionsRow()
{
    const QStringList before = optionsRow();
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        d->waitForRetention();
        // Never set: the defaults.
        QCOMPARE(d->rawDaysBox()->value(), 14);
        QCOMPARE(d->hourlyYearsBox()->value(), 5);
        d->rawDaysBox()->setValue(30);
        d->hourlyYearsBox()->setValue(2);
        press(d, "cmdSave");
        d->waitForRetention();
    });
    QCOMPARE(f->db.rows(QStringLiteral("select name,value from settings where name like 'latency.%' order by name")),
             QStringList({QStringLiteral("latency.hourly_years|2"), QStringLiteral("latency.raw_days|30")}));
    QCOMPARE(optionsRow(), before);
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        d->showRecord(OptionsRecord{});
        d->waitForRetention();
        QCOMPARE(d->rawDaysBox()->value(), 30);
    });
}

void tst_frmOpt::cancelKeepsEditsCloseBoxDiscards()
{
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        typeInto(d, "txtRefresh", QStringLiteral("42"));
        press(d, "cmdBack");
    });
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        QCOMPARE(textOf(d, "txtRefresh"), QStringLiteral("42"));
        d->close();
    });
    // Built afresh and read from the database again (someone else changed
    // the sounds meanwhile): a save writes only what the operator saw.
    f->db.exec(QStringLiteral("update options set snd_err='/other/lost.wav',\"view\"=1"));
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        QCOMPARE(textOf(d, "txtRefresh"), QStringLiteral("3"));
        QCOMPARE(textOf(d, "txtSndErr"), QStringLiteral("/other/lost.wav"));
        QCOMPARE(textOf(d, "txtSndRest"), QStringLiteral("/snd/back.wav"));
        QVERIFY(child<QCheckBox>(d, "chView")->isChecked());
        typeInto(d, "txtRefresh", QStringLiteral("8"));
        press(d, "cmdSave");
    });
    QCOMPARE(optionsRow(), QStringList{QStringLiteral("8|/other/lost.wav|/snd/back.wav|1")});
    QCOMPARE(f->prompts.takeTexts(),
             QStringList{QStringLiteral("Изменения вступят в силу после перезапуска программы Orvant.")});
}

void tst_frmOpt::closeBoxThenUnreadableSettingsOpensNothing()
{
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) { d->close(); });
    f->db.exec(QStringLiteral("delete from options"));
    bool opened = false;
    // A guard that goes with the test: a dialog that did open is closed.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, this, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            opened = true;
            modal->hide();
        }
    });
    guard.start(0);
    f->action("mnuOptions")->trigger();
    QVERIFY(!opened);
    const QStringList texts = f->prompts.takeTexts();
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts.at(0).contains(QStringLiteral("таблице options нет строки")), qPrintable(texts.at(0)));
}

void tst_frmOpt::enterSavesAndTabFollowsTheRows()
{
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        auto *refresh = child<QLineEdit>(d, "txtRefresh");
        // Tab as the rows read: each path box, then its button.
        const char *const order[] = {"txtRefresh", "chView", "txtSndErr", "cmdSndErr", "txtSndRest", "cmdSndRest",
                                     "cmdSave", "cmdBack"};
        QWidget *w = refresh;
        for (std::size_t i = 1; i < std::size(order); ++i) {
            w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus))
                w = w->nextInFocusChain();
            QCOMPARE(w->objectName(), QLatin1String(order[i]));
        }
        typeInto(d, "txtRefresh", QStringLiteral("12"));
        refresh->setFocus();
        QTest::keyClick(refresh, Qt::Key_Return);
        QVERIFY(!d->isVisible());
    });
    QCOMPARE(optionsRow().at(0).section(QLatin1Char('|'), 0, 0), QStringLiteral("12"));
}

void tst_frmOpt::soundChoice()
{
    f->prompts.openAnswers = {QStringLiteral("/media/звуки/alarm.wav"), QString()};
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        press(d, "cmdSndErr");
        QCOMPARE(textOf(d, "txtSndErr"), QStringLiteral("/media/звуки/alarm.wav"));
        press(d, "cmdSndRest"); // cancelled: the path stays
        QCOMPARE(textOf(d, "txtSndRest"), QStringLiteral("/snd/back.wav"));
    });
    QCOMPARE(f->prompts.openFilters, QStringList(2, QStringLiteral("*.wav (*.wav)")));
}

ADMIN_RUSSIAN_TEST_MAIN(tst_frmOpt)
#include "tst_frmopt.moc"
