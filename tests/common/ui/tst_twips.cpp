// Design sizes in twips as pixels at the screen's resolution.
#include "Twips.h"

#include <QTest>

class tst_Twips : public QObject
{
    Q_OBJECT

private slots:
    void atScreenResolution_data();
    void atScreenResolution();
};

void tst_Twips::atScreenResolution_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("pixels");
    QTest::newRow("15 per pixel at 96 dpi") << 300 << 96.0 << 20;
    QTest::newRow("slider thickness at 96") << 75 << 96.0 << 5;
    QTest::newRow("at 144 dpi") << 300 << 144.0 << 30;
    QTest::newRow("rounded") << 2895 << 96.0 << 193;
}

void tst_Twips::atScreenResolution()
{
    QFETCH(int, twips);
    QFETCH(double, dpi);
    QFETCH(int, pixels);
    QCOMPARE(Twips::toPixels(twips, dpi), pixels);
}

QTEST_GUILESS_MAIN(tst_Twips)
#include "tst_twips.moc"
