#include "SliderTestKit.h"
#include "Twips.h"
#include "ctlTranspSliderV.h"

#include <QHBoxLayout>
#include <memory>

// The vertical slider on a real top-level window, docked to its right edge.
// Only its differences from the horizontal one are tested here.
class tst_CtlTranspSliderV : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opaqueEndIsAtTheTop_data();
    void opaqueEndIsAtTheTop();
    void dragRaisesScrollAndSettlesWithChange();
    void loadingIgnoresEnabledAndStaysEnabled_data();
    void loadingIgnoresEnabledAndStaysEnabled();
    void savesOnlyValue();
    void hostWidthSnapsToThickness();

private:
    std::unique_ptr<QWidget> m_host;
    ctlTranspSliderV *m_slider = nullptr;
};

void tst_CtlTranspSliderV::init()
{
    m_host = std::make_unique<QWidget>();
    auto *layout = new QHBoxLayout(m_host.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    m_slider = new ctlTranspSliderV;
    layout->addWidget(m_slider);
    m_host->resize(300, 400);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
}

void tst_CtlTranspSliderV::cleanup()
{
    m_host.reset();
    m_slider = nullptr;
}

void tst_CtlTranspSliderV::opaqueEndIsAtTheTop_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("expected");
    QTest::newRow("top arrow at 255") << 255 << int(QStyle::SC_ScrollBarSubLine) << 255;
    QTest::newRow("bottom arrow from 255") << 255 << int(QStyle::SC_ScrollBarAddLine) << 254;
    QTest::newRow("top arrow from 200") << 200 << int(QStyle::SC_ScrollBarSubLine) << 201;
    QTest::newRow("track below box") << 255 << int(QStyle::SC_ScrollBarAddPage) << 240;
    QTest::newRow("track above box") << 200 << int(QStyle::SC_ScrollBarSubPage) << 215;
    QTest::newRow("bottom arrow at 100") << 100 << int(QStyle::SC_ScrollBarAddLine) << 100;
}

void tst_CtlTranspSliderV::opaqueEndIsAtTheTop()
{
    QFETCH(int, start);
    QFETCH(int, part);
    QFETCH(int, expected);
    m_slider->setValue(start);
    QScrollBar *bar = slider1Of(m_slider);
    // The box sits at the top at 255 and at the bottom at 100.
    const QRect box = scrollBarPart(bar, QStyle::SC_ScrollBarSlider);
    if (start == 255)
        QCOMPARE(box.top(), scrollBarPart(bar, QStyle::SC_ScrollBarSubLine).bottom() + 1);
    if (start == 100)
        QCOMPARE(box.bottom() + 1, scrollBarPart(bar, QStyle::SC_ScrollBarAddLine).top());
    SliderEventLog log(m_slider);
    QTest::mouseClick(bar, Qt::LeftButton, {}, scrollBarPart(bar, QStyle::SubControl(part)).center());
    QCOMPARE(m_slider->Value(), expected);
    QCOMPARE(log.events().value(0), expected != start ? QStringLiteral("Change") : QString());
    QCOMPARE(qRound(m_host->windowOpacity() * 255), expected);
}

void tst_CtlTranspSliderV::dragRaisesScrollAndSettlesWithChange()
{
    QScrollBar *bar = slider1Of(m_slider);
    SliderEventLog log(m_slider);
    QPoint at = scrollBarPart(bar, QStyle::SC_ScrollBarSlider).center();
    QTest::mousePress(bar, Qt::LeftButton, {}, at);
    for (int i = 0; i < 40 && m_slider->Value() == 255; ++i) {
        at.ry() += 1;
        QTest::mouseMove(bar, at);
    }
    QVERIFY(m_slider->Value() < 255);
    QCOMPARE(log.events(), QStringList({QStringLiteral("Scroll"), QStringLiteral("ChangePosition(true)")}));
    QCOMPARE(log.windowStates(), QStringList({QStringLiteral("255/0"), QStringLiteral("255/1")}));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, at);
    QCOMPARE(log.events().last(), QStringLiteral("Change"));
    QCOMPARE(qRound(m_host->windowOpacity() * 255), m_slider->Value());
}

void tst_CtlTranspSliderV::loadingIgnoresEnabledAndStaysEnabled_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("untouched");
    QTest::newRow("nothing stored") << QVariantMap() << 255 << true;
    QTest::newRow("Enabled false is not ours")
        << QVariantMap{{QStringLiteral("Enabled"), false}, {QStringLiteral("Value"), 170}} << 170 << false;
}

void tst_CtlTranspSliderV::loadingIgnoresEnabledAndStaysEnabled()
{
    QFETCH(QVariantMap, stored);
    QFETCH(int, value);
    QFETCH(bool, untouched);
    QVERIFY(m_slider->ReadProperties(PropertyBag::fromMap(stored)));
    QVERIFY(m_slider->isEnabled());
    QCOMPARE(m_slider->Value(), value);
    QCOMPARE(isUntouched(m_host.get()), untouched);
    QCOMPARE(m_host->windowFlags().testFlag(Qt::WindowStaysOnTopHint), value < 255);
}

void tst_CtlTranspSliderV::savesOnlyValue()
{
    PropertyBag bag;
    m_slider->WriteProperties(bag);
    QVERIFY(bag.isEmpty());
    m_slider->setValue(123);
    m_slider->WriteProperties(bag);
    QCOMPARE(bag.names(), QStringList{QStringLiteral("Value")});
    QCOMPARE(bag.ReadProperty(QStringLiteral("Value"), 255).toInt(), 123);
}

void tst_CtlTranspSliderV::hostWidthSnapsToThickness()
{
    auto *free = new ctlTranspSliderV(m_host.get());
    free->show();
    const int thickness = Twips::toPixelsX(75, free);
    free->setGeometry(10, 20, 100, 333);
    QCOMPARE(free->geometry(), QRect(10, 20, thickness, 333));
    QCOMPARE(slider1Of(free)->geometry(), QRect(0, 0, thickness, 333));
    QCOMPARE(free->sizeHint(), QSize(thickness, Twips::toPixelsY(1425, free)));
}

QTEST_MAIN(tst_CtlTranspSliderV)
#include "tst_ctltranspsliderv.moc"
