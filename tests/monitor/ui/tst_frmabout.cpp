// The start-up splash and the small pieces around the caption.
#include "RunningCaption.h"
#include "Twips.h"
#include "frmAbout.h"

#include <QLabel>
#include <QTest>

using namespace monitor;

class tst_frmAbout : public QObject
{
    Q_OBJECT

private slots:
    void splashAsDesigned();
    void twipsAtScreenResolution_data();
    void twipsAtScreenResolution();
};

void tst_frmAbout::splashAsDesigned()
{
    frmAbout splash;
    QCOMPARE(splash.titleLabel()->text(), QStringLiteral("ORVANT V2.0.1"));
    QCOMPARE(splash.loadingLabel()->text(), QStringLiteral("загрузка данных..."));
    QVERIFY(splash.titleLabel()->font().bold());
    QCOMPARE(splash.titleLabel()->font().pointSizeF(), 15.75);
    QVERIFY(!splash.loadingLabel()->font().bold());
    QCOMPARE(splash.loadingLabel()->font().pointSizeF(), 8.25);
    // No frame, no caption, not in the task bar.
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(splash.windowType(), Qt::SplashScreen);
    QCOMPARE(splash.size(), QSize(Twips::toPixelsX(2895, &splash), Twips::toPixelsY(870, &splash)));
    splash.showCentred();
    QVERIFY(splash.isVisible());
    QCOMPARE(splash.frameGeometry().center(), splash.screen()->geometry().center());
}

void tst_frmAbout::twipsAtScreenResolution_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("pixels");
    QTest::newRow("15 per pixel at 96 dpi") << 300 << 96.0 << 20;
    QTest::newRow("slider thickness at 96") << 75 << 96.0 << 5;
    QTest::newRow("at 144 dpi") << 300 << 144.0 << 30;
    QTest::newRow("rounded") << 2895 << 96.0 << 193;
}

void tst_frmAbout::twipsAtScreenResolution()
{
    QFETCH(int, twips);
    QFETCH(double, dpi);
    QFETCH(int, pixels);
    QCOMPARE(Twips::toPixels(twips, dpi), pixels);
}

QTEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
