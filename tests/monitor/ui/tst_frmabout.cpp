// The start-up splash.
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

QTEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
