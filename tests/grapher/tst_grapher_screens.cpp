// Real windows under an X server: the main window with two curves and the
// breakdown window, photographed for a person to look at. Run by
// grapher_screenshot.sh, which starts the X server; skipped elsewhere.
#include "DateTimeText.h"
#include "ChartControl.h"
#include "FakePrompts.h"
#include "Regional.h"
#include "Translations.h"
#include "GrapherStore.h"
#include "TempDatabase.h"
#include "frmMain.h"
#include "frmTime.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace grapher;

namespace {

bool english()
{
    return QLocale::system().language() == QLocale::English;
}

} // namespace

class tst_GrapherScreens : public QObject
{
    Q_OBJECT

private slots:
    void mainWindowWithTwoCurvesAndBreakdown();
};

void tst_GrapherScreens::mainWindowWithTwoCurvesAndBreakdown()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs a real X server (run through grapher_screenshot.sh)");
    const QString artifacts = qEnvironmentVariable("ORVANT_ARTIFACT_DIR");
    QVERIFY(!artifacts.isEmpty() && QDir().mkpath(artifacts));

    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QString mainHost = QStringLiteral("Главный сервер");
    const QString backup = QStringLiteral("Резервный канал");
    db.exec(QStringLiteral("insert into addrs (ip_addr,descript) values ('10.0.0.2',?),('10.0.0.3',?)"), {mainHost, backup});
    // November: the main server fails around 09:00 and 14:00, the backup
    // line in the evening; a few stray outages elsewhere.
    quint32 seed = 7;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int day = 1; day <= 30; ++day) {
        auto add = [&](const QString &host, int minuteOfDay, int length) {
            const QDateTime begin(QDate(2026, 11, day), QTime(0, 0).addSecs(minuteOfDay * 60));
            db.exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,1,'10.0.0.2',?)"),
                    {DateTimeText::fromDateTime(begin),
                     DateTimeText::fromDateTime(begin.addSecs(length * 60)), host});
        };
        if (next() % 3 == 0)
            add(mainHost, 8 * 60 + 40 + int(next() % 50), 5 + int(next() % 40));
        if (next() % 3 == 0)
            add(mainHost, 13 * 60 + 50 + int(next() % 30), 3 + int(next() % 20));
        if (next() % 3 == 0)
            add(backup, 15 * 60 + int(next() % 180), 10 + int(next() % 90));
        add(day % 2 ? mainHost : backup, 8 * 60 + int(next() % 600), 2 + int(next() % 15));
    }

    FakePrompts prompts;
    GrapherStore store;
    QVERIFY(store.open(db.config()).waitFor(10000));
    frmMain w(prompts, store);
    w.waitForHosts();
    w.move(10, 10);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *txtD1 = w.findChild<QLineEdit *>(QStringLiteral("txtD1"));
    auto *txtD2 = w.findChild<QLineEdit *>(QStringLiteral("txtD2"));
    auto *cmbIP = w.findChild<QComboBox *>(QStringLiteral("cmbIP"));
    auto *interval = w.findChild<QComboBox *>(QStringLiteral("lstInterval"));
    txtD1->setText(Regional::shortDate(QDate(2026, 11, 1)));
    txtD2->setText(Regional::shortDate(QDate(2026, 11, 30)));
    interval->setCurrentText(QStringLiteral("30"));
    cmbIP->setCurrentIndex(cmbIP->findText(mainHost));
    emit cmbIP->activated(cmbIP->currentIndex());
    w.findChild<QPushButton *>(QStringLiteral("cmdGraph"))->click();

    prompts.colors << QColor(210, 30, 30);
    w.findChild<QPushButton *>(QStringLiteral("cmdSetColor"))->click();
    w.findChild<QScrollBar *>(QStringLiteral("vs1"))->setValue(3);
    cmbIP->setCurrentIndex(cmbIP->findText(backup));
    emit cmbIP->activated(cmbIP->currentIndex());
    w.findChild<QPushButton *>(QStringLiteral("cmdGraph"))->click();
    QVERIFY2(prompts.boxes.isEmpty(), qPrintable(prompts.boxes.value(0).text));
    QCOMPARE(w.chart()->legends().size(), 2);

    w.findChild<QPushButton *>(QStringLiteral("cmdGT"))->click();
    frmTime *breakdown = w.breakdownWindow();
    QVERIFY(breakdown);
    breakdown->move(w.frameGeometry().right() + 12, 40);
    QVERIFY(QTest::qWaitForWindowExposed(breakdown));
    QTest::qWait(1000); // the window manager settles its frames

    const QString shot = QDir(artifacts).filePath(english() ? QStringLiteral("grapher_two_curves_and_breakdown_en.png")
                                                            : QStringLiteral("grapher_two_curves_and_breakdown.png"));
    QFile::remove(shot);
    QProcess import;
    import.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), shot});
    QVERIFY(import.waitForFinished(30000));
    QCOMPARE(import.exitCode(), 0);
    QVERIFY(QFileInfo(shot).size() > 10000);
    QVERIFY(w.chart()->SavePicture(QDir(artifacts).filePath(QStringLiteral("grapher_two_curves.bmp"))));
}

int main(int argc, char **argv)
{
    // The system's locale unless ORVANT_TEST_LANG names another; the
    // translations as the program loads them, from the build.
    if (!qEnvironmentVariableIsEmpty("ORVANT_TEST_LANG")) {
        qputenv("LC_ALL", qgetenv("ORVANT_TEST_LANG"));
        qputenv("LANG", qgetenv("ORVANT_TEST_LANG"));
    }
    QApplication app(argc, argv);
    installTranslations(app, {qEnvironmentVariable("ORVANT_BIN_DIR") + QStringLiteral("/translations")});
    tst_GrapherScreens test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_grapher_screens.moc"
