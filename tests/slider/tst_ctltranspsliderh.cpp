#include "SliderTestKit.h"
#include "Twips.h"
#include "ctlTranspSliderH.h"

#include <QVBoxLayout>
#include <memory>

// The horizontal slider on a real top-level window, docked to its bottom edge
// as the monitor places it.
class tst_CtlTranspSliderH : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void createdAsDesigned();
    void dragBelowOpaqueRaisesScrollThenGoesOnTop();
    void backToOpaqueLeavesTopmostButStaysLayered();
    void arrowsAndTrackMoveTowardTheirEnd_data();
    void arrowsAndTrackMoveTowardTheirEnd();
    void valueSetter_data();
    void valueSetter();
    void sameValueDoesNothing();
    void disabledContainerIgnoresEverything();
    void readProperties_data();
    void readProperties();
    void writePropertiesLeavesOutDefaults_data();
    void writePropertiesLeavesOutDefaults();
    void hostHeightSnapsToThickness();
    void hiddenHostStaysHiddenThroughTopmostChanges();
    void notYetPlacedChangesNoWindowUntilPlaced();

private:
    std::unique_ptr<QWidget> m_host;
    ctlTranspSliderH *m_slider = nullptr;
};

void tst_CtlTranspSliderH::init()
{
    m_host = std::make_unique<QWidget>();
    m_host->setObjectName(QStringLiteral("Form1"));
    auto *layout = new QVBoxLayout(m_host.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    m_slider = new ctlTranspSliderH;
    m_slider->setObjectName(QStringLiteral("ctlTranspSliderH1"));
    layout->addWidget(m_slider);
    m_host->resize(400, 300);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
}

void tst_CtlTranspSliderH::cleanup()
{
    m_host.reset();
    m_slider = nullptr;
}

void tst_CtlTranspSliderH::createdAsDesigned()
{
    QScrollBar *bar = slider1Of(m_slider);
    QVERIFY(bar);
    QCOMPARE(m_slider->findChildren<QWidget *>().size(), 1);
    QCOMPARE(m_slider->Value(), 255);
    QVERIFY(m_slider->Enabled());
    // The offscreen platform keeps window opacity, so the user's handle works.
    QVERIFY(bar->isEnabled());
    QCOMPARE(bar->geometry(), QRect(0, 0, m_host->width(), Twips::toPixelsY(75, m_slider)));
    QVERIFY(isUntouched(m_host.get()));
}

void tst_CtlTranspSliderH::dragBelowOpaqueRaisesScrollThenGoesOnTop()
{
    QScrollBar *bar = slider1Of(m_slider);
    SliderEventLog log(m_slider);
    const QPoint grab = scrollBarPart(bar, QStyle::SC_ScrollBarSlider).center();
    QTest::mousePress(bar, Qt::LeftButton, {}, grab);
    QPoint at = grab;
    for (int i = 0; i < 40 && m_slider->Value() == 255; ++i) {
        at.rx() -= 1;
        QTest::mouseMove(bar, at);
    }
    const int firstValue = m_slider->Value();
    QVERIFY(firstValue < 255);
    // The host hears the drag before anything happens to its window; it
    // hears ChangePosition once the window is topmost, before the opacity.
    QCOMPARE(log.events(), QStringList({QStringLiteral("Scroll"), QStringLiteral("ChangePosition(true)")}));
    QCOMPARE(log.windowStates(), QStringList({QStringLiteral("255/0"), QStringLiteral("255/1")}));
    QCOMPARE(qRound(m_host->windowOpacity() * 255), firstValue);
    QVERIFY(TranspSlider::isLayered(m_host.get()));
    QVERIFY(m_host->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(m_host->isVisible());

    // Further down the track: more Scroll events, no further ChangePosition.
    log.clear();
    for (int i = 0; i < 60 && m_slider->Value() > firstValue - 10; ++i) {
        at.rx() -= 1;
        QTest::mouseMove(bar, at);
    }
    QVERIFY(m_slider->Value() <= firstValue - 10);
    QVERIFY(!log.events().isEmpty());
    QVERIFY(!log.events().contains(QStringLiteral("ChangePosition(true)")));
    QCOMPARE(log.events().count(QStringLiteral("Scroll")), log.events().size());

    // Letting go of the box settles the position.
    log.clear();
    QTest::mouseRelease(bar, Qt::LeftButton, {}, at);
    QCOMPARE(log.events(), QStringList{QStringLiteral("Change")});
    QCOMPARE(qRound(m_host->windowOpacity() * 255), m_slider->Value());
}

void tst_CtlTranspSliderH::backToOpaqueLeavesTopmostButStaysLayered()
{
    m_slider->setValue(254);
    QVERIFY(m_host->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    SliderEventLog log(m_slider);
    m_slider->setValue(255);
    QCOMPARE(log.events(), QStringList({QStringLiteral("Change"), QStringLiteral("ChangePosition(false)")}));
    QCOMPARE(log.windowStates(), QStringList({QStringLiteral("254/1"), QStringLiteral("254/0")}));
    QCOMPARE(m_host->windowOpacity(), 1.0);
    QVERIFY(!m_host->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(TranspSlider::isLayered(m_host.get()));
    QVERIFY(m_host->isVisible());
}

void tst_CtlTranspSliderH::arrowsAndTrackMoveTowardTheirEnd_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("expected");
    QTest::newRow("left arrow from 255") << 255 << int(QStyle::SC_ScrollBarSubLine) << 254;
    QTest::newRow("right arrow at 255") << 255 << int(QStyle::SC_ScrollBarAddLine) << 255;
    QTest::newRow("track left of box") << 255 << int(QStyle::SC_ScrollBarSubPage) << 240;
    QTest::newRow("track right of box") << 200 << int(QStyle::SC_ScrollBarAddPage) << 215;
    QTest::newRow("left arrow at 100") << 100 << int(QStyle::SC_ScrollBarSubLine) << 100;
}

void tst_CtlTranspSliderH::arrowsAndTrackMoveTowardTheirEnd()
{
    QFETCH(int, start);
    QFETCH(int, part);
    QFETCH(int, expected);
    m_slider->setValue(start);
    QScrollBar *bar = slider1Of(m_slider);
    SliderEventLog log(m_slider);
    const QRect rect = scrollBarPart(bar, QStyle::SubControl(part));
    QVERIFY(!rect.isEmpty());
    QTest::mouseClick(bar, Qt::LeftButton, {}, rect.center());
    QCOMPARE(m_slider->Value(), expected);
    if (expected != start) {
        QCOMPARE(log.events().value(0), QStringLiteral("Change"));
        QCOMPARE(qRound(m_host->windowOpacity() * 255), expected);
    } else {
        QVERIFY(log.events().isEmpty());
    }
}

void tst_CtlTranspSliderH::valueSetter_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("newValue");
    QTest::addColumn<bool>("applied");
    QTest::newRow("99 below range") << 255 << 99 << false;
    QTest::newRow("256 above range") << 200 << 256 << false;
    QTest::newRow("negative") << 200 << -1 << false;
    QTest::newRow("16-bit maximum") << 200 << 32767 << false;
    QTest::newRow("100 lowest") << 255 << 100 << true;
    QTest::newRow("255 highest") << 200 << 255 << true;
}

void tst_CtlTranspSliderH::valueSetter()
{
    QFETCH(int, start);
    QFETCH(int, newValue);
    QFETCH(bool, applied);
    m_slider->setValue(start);
    QCOMPARE(m_slider->Value(), start);
    SliderEventLog log(m_slider);
    QSignalSpy changed(m_slider, &TranspSlider::PropertyChanged);
    m_slider->setValue(newValue);
    QCOMPARE(m_slider->Value(), applied ? newValue : start);
    QCOMPARE(qRound(m_host->windowOpacity() * 255), applied ? newValue : start);
    QCOMPARE(log.events().value(0), applied ? QStringLiteral("Change") : QString());
    QCOMPARE(changed.size(), applied ? 1 : 0);
    if (applied)
        QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("Value"));
}

void tst_CtlTranspSliderH::sameValueDoesNothing()
{
    SliderEventLog log(m_slider);
    m_slider->setValue(255);
    QVERIFY(log.events().isEmpty());
    QVERIFY(isUntouched(m_host.get()));

    m_slider->setValue(180);
    log.clear();
    m_slider->setValue(180);
    QVERIFY(log.events().isEmpty());
}

void tst_CtlTranspSliderH::disabledContainerIgnoresEverything()
{
    QSignalSpy changed(m_slider, &TranspSlider::PropertyChanged);
    m_slider->setEnabled(false);
    QVERIFY(!m_slider->Enabled());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("Enabled"));

    SliderEventLog log(m_slider);
    m_slider->setValue(180);
    QCOMPARE(m_slider->Value(), 255);
    // A notification of the scroll bar itself changes nothing either.
    slider1Of(m_slider)->setValue(150);
    QVERIFY(log.events().isEmpty());
    QVERIFY(isUntouched(m_host.get()));

    // The container's own state counts, not the host window's.
    m_slider->setEnabled(true);
    slider1Of(m_slider)->setValue(255);
    m_host->setEnabled(false);
    QVERIFY(m_slider->Enabled());
    m_slider->setValue(200);
    QCOMPARE(m_slider->Value(), 200);
    QCOMPARE(qRound(m_host->windowOpacity() * 255), 200);
}

void tst_CtlTranspSliderH::readProperties_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("untouched");
    const QString enabled = QStringLiteral("Enabled");
    const QString value = QStringLiteral("Value");
    const QStringList none;
    const QStringList onTop = {QStringLiteral("Change"), QStringLiteral("ChangePosition(true)")};
    QTest::newRow("nothing stored: disabled at 255") << QVariantMap() << true << false << 255 << none << true;
    QTest::newRow("monitor: Enabled only") << QVariantMap{{enabled, true}} << true << true << 255 << none << true;
    QTest::newRow("enabled at 180") << QVariantMap{{enabled, true}, {value, 180}} << true << true << 180 << onTop
                                    << false;
    QTest::newRow("disabled at 180") << QVariantMap{{value, 180}} << true << false << 180 << none << true;
    QTest::newRow("stored as text") << QVariantMap{{enabled, QStringLiteral("True")}, {value, QStringLiteral("150")}}
                                    << true << true << 150 << onTop << false;
    QTest::newRow("value 300 refused") << QVariantMap{{enabled, true}, {value, 300}} << false << true << 255 << none
                                       << true;
    QTest::newRow("value 99 refused") << QVariantMap{{enabled, true}, {value, 99}} << false << true << 255 << none
                                      << true;
    QTest::newRow("value not a number") << QVariantMap{{enabled, true}, {value, QStringLiteral("half")}} << false
                                        << true << 255 << none << true;
}

void tst_CtlTranspSliderH::readProperties()
{
    QFETCH(QVariantMap, stored);
    QFETCH(bool, loaded);
    QFETCH(bool, enabled);
    QFETCH(int, value);
    QFETCH(QStringList, events);
    QFETCH(bool, untouched);
    SliderEventLog log(m_slider);
    if (!loaded)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("stored Value")));
    QCOMPARE(m_slider->ReadProperties(PropertyBag::fromMap(stored)), loaded);
    QCOMPARE(m_slider->Enabled(), enabled);
    QCOMPARE(m_slider->Value(), value);
    QCOMPARE(log.events(), events);
    QCOMPARE(isUntouched(m_host.get()), untouched);
    if (!untouched) {
        QCOMPARE(qRound(m_host->windowOpacity() * 255), value);
        QVERIFY(m_host->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }
}

void tst_CtlTranspSliderH::writePropertiesLeavesOutDefaults_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("as placed") << true << 255 << QStringList{QStringLiteral("Enabled")};
    QTest::newRow("translucent") << true << 180 << QStringList{QStringLiteral("Value"), QStringLiteral("Enabled")};
    QTest::newRow("disabled at 255") << false << 255 << QStringList();
}

void tst_CtlTranspSliderH::writePropertiesLeavesOutDefaults()
{
    QFETCH(bool, enabled);
    QFETCH(int, value);
    QFETCH(QStringList, names);
    m_slider->setValue(value);
    m_slider->setEnabled(enabled);
    PropertyBag bag;
    m_slider->WriteProperties(bag);
    QCOMPARE(bag.names(), names);

    // What was saved loads back into a fresh control as it was.
    ctlTranspSliderH reloaded;
    QVERIFY(reloaded.ReadProperties(bag));
    QCOMPARE(reloaded.Enabled(), enabled);
    QCOMPARE(reloaded.Value(), value);
}

void tst_CtlTranspSliderH::hostHeightSnapsToThickness()
{
    ctlTranspSliderH *free = new ctlTranspSliderH(m_host.get());
    free->show();
    const int thickness = Twips::toPixelsY(75, free);
    QCOMPARE(thickness, qRound(free->logicalDpiY() * 75 / 1440.0));
    free->setGeometry(10, 20, 321, 100);
    QCOMPARE(free->geometry(), QRect(10, 20, 321, thickness));
    QCOMPARE(slider1Of(free)->geometry(), QRect(0, 0, 321, thickness));
    free->resize(50, 1);
    QCOMPARE(free->size(), QSize(50, thickness));
    QCOMPARE(slider1Of(free)->width(), 50);

    // Docked in a layout, it spans the window and keeps its thickness.
    m_host->resize(512, 200);
    QTRY_COMPARE(m_slider->width(), 512);
    QCOMPARE(m_slider->height(), thickness);
    QCOMPARE(m_slider->y(), 200 - thickness);
}

void tst_CtlTranspSliderH::hiddenHostStaysHiddenThroughTopmostChanges()
{
    // The monitor's window sits in the tray, hidden, while its slider
    // loads a stored translucent position.
    m_host->hide();
    QVERIFY(!m_host->isVisible());
    SliderEventLog log(m_slider);
    QVERIFY(m_slider->ReadProperties(PropertyBag{{QStringLiteral("Enabled"), true}, {QStringLiteral("Value"), 200}}));
    QCOMPARE(log.events(), QStringList({QStringLiteral("Change"), QStringLiteral("ChangePosition(true)")}));
    QVERIFY(m_host->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!m_host->isVisible());
    m_slider->setValue(255);
    QVERIFY(!m_host->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!m_host->isVisible());

    // Shown again from the tray, it keeps what the slider set.
    m_slider->setValue(150);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    QVERIFY(m_host->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(qRound(m_host->windowOpacity() * 255), 150);
}

void tst_CtlTranspSliderH::notYetPlacedChangesNoWindowUntilPlaced()
{
    // A host may load the control before it places it on its window.
    auto slider = std::make_unique<ctlTranspSliderH>();
    SliderEventLog log(slider.get());
    QVERIFY(slider->ReadProperties(PropertyBag{{QStringLiteral("Enabled"), true}, {QStringLiteral("Value"), 200}}));
    QCOMPARE(slider->Value(), 200);
    QCOMPARE(log.events(), QStringList{QStringLiteral("Change")}); // no window went on top
    QVERIFY(isUntouched(slider.get()));

    // Placed, the next position below 255 puts the window on top.
    auto host = std::make_unique<QWidget>();
    slider->setParent(host.get());
    log.clear();
    slider->setValue(180);
    QCOMPARE(log.events(), QStringList({QStringLiteral("Change"), QStringLiteral("ChangePosition(true)")}));
    QVERIFY(host->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(qRound(host->windowOpacity() * 255), 180);
    slider.release(); // owned by host now
}

QTEST_MAIN(tst_CtlTranspSliderH)
#include "tst_ctltranspsliderh.moc"
