// The monitor's links to the system: alert sounds, the boot tick count and
// the shutdown signals.
#include "BootTickSource.h"
#include "CanberraSoundPlayer.h"
#include "ShutdownSignals.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <ctime>

using namespace monitor;

class tst_Form1Platform : public QObject
{
    Q_OBJECT

private slots:
    void soundSettingIsFileOrThemeEvent_data();
    void soundSettingIsFileOrThemeEvent();
    void bootTicksFollowTheBootClock();
    void terminationSignalsArriveInTheEventLoop_data();
    void terminationSignalsArriveInTheEventLoop();
};

void tst_Form1Platform::soundSettingIsFileOrThemeEvent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("existingFile");
    QTest::addColumn<bool>("isFile");
    QTest::newRow("theme event") << QStringLiteral("network-connectivity-lost") << false << false;
    QTest::newRow("existing file") << QStringLiteral("alert.wav") << true << true;
    QTest::newRow("missing file is a theme name") << QStringLiteral("missing.wav") << false << false;
    QTest::newRow("empty") << QString() << false << false;
}

void tst_Form1Platform::soundSettingIsFileOrThemeEvent()
{
    QFETCH(QString, name);
    QFETCH(bool, existingFile);
    QFETCH(bool, isFile);
    QTemporaryDir dir;
    QString setting = name;
    if (!name.isEmpty() && name.contains(QLatin1Char('.'))) {
        setting = dir.filePath(name);
        if (existingFile) {
            QFile f(setting);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("RIFF");
        }
    }
    QCOMPARE(CanberraSoundPlayer::isFile(setting), isFile);
    // Playing never blocks and never fails loudly, sound card or not.
    CanberraSoundPlayer player;
    player.play(setting);
}

void tst_Form1Platform::bootTicksFollowTheBootClock()
{
    BootTickSource ticks;
    timespec ts{};
    QCOMPARE(clock_gettime(CLOCK_BOOTTIME, &ts), 0);
    const quint32 expected = quint32((quint64(ts.tv_sec) * 1000u + quint64(ts.tv_nsec) / 1000000u) & 0xffffffffu);
    const quint32 got = ticks.milliseconds();
    // Read a moment later, modulo 2^32.
    QVERIFY(quint32(got - expected) < 5000u);
}

void tst_Form1Platform::terminationSignalsArriveInTheEventLoop_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void tst_Form1Platform::terminationSignalsArriveInTheEventLoop()
{
    QFETCH(int, signalNumber);
    ShutdownSignals shutdown;
    QVERIFY(shutdown.isActive());
    QSignalSpy received(&shutdown, &ShutdownSignals::received);
    ::raise(signalNumber);
    // Still alive: the handler only noted it; the event loop delivers it.
    QVERIFY(received.wait(5000));
    QCOMPARE(received.first().first().toInt(), signalNumber);
}

QTEST_GUILESS_MAIN(tst_Form1Platform)
#include "tst_form1_platform.moc"
