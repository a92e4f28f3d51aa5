#include "SliderTestKit.h"
#include "WindowOpacitySupport.h"
#include "ctlTranspSliderH.h"
#include "ctlTranspSliderV.h"

#include <memory>

// Run on a platform without per-window opacity (the "minimal" plugin stands
// in for Wayland): the user's handle is off, but positions set from code or
// loaded from storage still reach the window.
class tst_SliderNoOpacity : public QObject
{
    Q_OBJECT

private slots:
    void handleOffButPositionsApply_data();
    void handleOffButPositionsApply();
};

void tst_SliderNoOpacity::handleOffButPositionsApply_data()
{
    QTest::addColumn<QString>("progId");
    QTest::newRow("H") << QStringLiteral("H");
    QTest::newRow("V") << QStringLiteral("V");
}

void tst_SliderNoOpacity::handleOffButPositionsApply()
{
    QFETCH(QString, progId);
    QVERIFY2(!WindowOpacitySupport::isAvailable(), "must run on a platform without window opacity");
    QWidget host;
    TranspSlider *slider = progId == QLatin1String("H") ? static_cast<TranspSlider *>(new ctlTranspSliderH(&host))
                                                        : new ctlTranspSliderV(&host);
    host.show();
    QVERIFY(!slider1Of(slider)->isEnabled());
    QVERIFY(slider->isEnabled());

    slider->setValue(200);
    QCOMPARE(slider->Value(), 200);
    QCOMPARE(qRound(host.windowOpacity() * 255), 200);
    QVERIFY(host.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    PropertyBag stored{{QStringLiteral("Enabled"), true}, {QStringLiteral("Value"), 150}};
    if (auto *h = qobject_cast<ctlTranspSliderH *>(slider))
        QVERIFY(h->ReadProperties(stored));
    else
        QVERIFY(static_cast<ctlTranspSliderV *>(slider)->ReadProperties(stored));
    QCOMPARE(qRound(host.windowOpacity() * 255), 150);
}

QTEST_MAIN(tst_SliderNoOpacity)
#include "tst_slidernoopacity.moc"
