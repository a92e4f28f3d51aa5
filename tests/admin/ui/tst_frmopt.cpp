#include "AdminTestSupport.h"
#include "frmOpt.h"

#include <QCheckBox>

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
    f->prompts.messages.clear();
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
    QCOMPARE(f->prompts.messages.size(), 1);
    QCOMPARE(f->prompts.messages.at(0).text, QStringLiteral("Изменения вступят в силу после перезапуска программы Orvant."));
    QCOMPARE(f->prompts.messages.at(0).title, QStringLiteral("Options"));
    QCOMPARE(f->prompts.messages.at(0).icon, QMessageBox::Information);
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
        QCOMPARE(f->prompts.messages.size(), 1);
        QCOMPARE(f->prompts.messages.at(0).icon, QMessageBox::Warning);
        QCOMPARE(f->prompts.messages.at(0).title, QStringLiteral("Options"));
        QVERIFY(f->prompts.messages.at(0).text.contains(QStringLiteral("целым числом")));
        f->prompts.messages.clear();
        typeInto(d, "txtRefresh", QStringLiteral("0"));
        press(d, "cmdSave");
        QVERIFY(!d->isVisible());
    });
    QCOMPARE(optionsRow().at(0).section(QLatin1Char('|'), 0, 1), QStringLiteral("0|/new.wav"));
    QVERIFY(before != optionsRow());
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
    // Built afresh, not read again: empty boxes, so a save writes nothing.
    const QStringList before = optionsRow();
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        QCOMPARE(textOf(d, "txtRefresh"), QString());
        QCOMPARE(textOf(d, "txtSndErr"), QString());
        press(d, "cmdSave");
    });
    QCOMPARE(optionsRow(), before);
    QCOMPARE(f->prompts.takeTexts(), QStringList());
}

void tst_frmOpt::soundChoice()
{
    f->prompts.fileAnswers = {QStringLiteral("/media/звуки/alarm.wav"), QString()};
    f->withDialog<frmOpt>("mnuOptions", [&](frmOpt *d) {
        press(d, "cmdSndErr");
        QCOMPARE(textOf(d, "txtSndErr"), QStringLiteral("/media/звуки/alarm.wav"));
        press(d, "cmdSndRest"); // cancelled: the path stays
        QCOMPARE(textOf(d, "txtSndRest"), QStringLiteral("/snd/back.wav"));
    });
    QCOMPARE(f->prompts.fileFilters, QStringList(2, QStringLiteral("*.wav (*.wav)")));
}

ADMIN_RUSSIAN_TEST_MAIN(tst_frmOpt)
#include "tst_frmopt.moc"
