#include "SliderTestKit.h"
#include "ctlTranspSliderH.h"

#include <QDir>
#include <QProcess>
#include <QVBoxLayout>
#include <QWindow>
#include <memory>

// The horizontal slider on a real X11 window under a window manager, driven
// by real pointer input (xdotool). Started by slider-x11.sh, which provides
// the X server and the window manager.
class tst_X11SliderDrag : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void dragMakesWindowTranslucentAndAbove();
    void opaqueAgainLeavesAboveState();
    void hiddenWindowStaysUnmapped();

private:
    static QString run(const QString &program, const QStringList &arguments);
    QString windowProperty(const char *name) const;
    QString mapState() const;
    void screenshot(const QString &name) const;

    std::unique_ptr<QWidget> m_host;
    ctlTranspSliderH *m_slider = nullptr;
};

QString tst_X11SliderDrag::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        return QString();
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QString tst_X11SliderDrag::windowProperty(const char *name) const
{
    return run(QStringLiteral("xprop"),
               {QStringLiteral("-id"), QString::number(m_host->winId()), QString::fromLatin1(name)})
        .trimmed();
}

QString tst_X11SliderDrag::mapState() const
{
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(m_host->winId())});
    const qsizetype at = info.indexOf(QStringLiteral("Map State: "));
    return at < 0 ? QString() : info.mid(at + 11).section(QLatin1Char('\n'), 0, 0).trimmed();
}

void tst_X11SliderDrag::screenshot(const QString &name) const
{
    const QString dir = QString::fromLocal8Bit(qgetenv("ORVANT_ARTIFACT_DIR"));
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), dir + QLatin1Char('/') + name});
}

void tst_X11SliderDrag::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    m_host = std::make_unique<QWidget>();
    m_host->setWindowTitle(QStringLiteral("veltrack on X11"));
    auto *layout = new QVBoxLayout(m_host.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    m_slider = new ctlTranspSliderH;
    layout->addWidget(m_slider);
    QVERIFY(m_slider->ReadProperties(PropertyBag{{QStringLiteral("Enabled"), true}}));
    m_host->setGeometry(100, 100, 420, 160);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    QTest::qWait(300); // let the window manager settle the frame
    QVERIFY(slider1Of(m_slider)->isEnabled());
}

void tst_X11SliderDrag::cleanupTestCase()
{
    m_host.reset();
}

void tst_X11SliderDrag::dragMakesWindowTranslucentAndAbove()
{
    QScrollBar *bar = slider1Of(m_slider);
    SliderEventLog log(m_slider);
    const QPoint box = bar->mapToGlobal(scrollBarPart(bar, QStyle::SC_ScrollBarSlider).center());
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(box.x()), QString::number(box.y()),
                                    QStringLiteral("mousedown"), QStringLiteral("1")});
    QTest::qWait(100);
    QVERIFY(bar->isSliderDown());
    // Drag left in small steps, well past the point where the window goes
    // above the others: the drag must survive that change.
    for (int i = 0; i < 20; ++i) {
        run(QStringLiteral("xdotool"), {QStringLiteral("mousemove_relative"), QStringLiteral("--"),
                                        QStringLiteral("-4"), QStringLiteral("0")});
        QTest::qWait(30);
    }
    QVERIFY(bar->isSliderDown());
    const int dragged = m_slider->Value();
    QVERIFY2(dragged < 240, qPrintable(QString::number(dragged)));
    QCOMPARE(log.events().mid(0, 2), QStringList({QStringLiteral("Scroll"), QStringLiteral("ChangePosition(true)")}));
    QCOMPARE(log.events().count(QStringLiteral("ChangePosition(true)")), 1);
    QVERIFY(log.events().count(QStringLiteral("Scroll")) > 2);
    QCOMPARE(mapState(), QStringLiteral("IsViewable"));
    QTRY_VERIFY(windowProperty("_NET_WM_STATE").contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
    const quint64 expectedOpacity = qRound64(m_host->windowOpacity() * 0xffffffffu);
    QTRY_COMPARE(windowProperty("_NET_WM_WINDOW_OPACITY").section(QLatin1Char('='), 1).trimmed(),
                 QString::number(expectedOpacity));
    QCOMPARE(qRound(m_host->windowOpacity() * 255), dragged);
    screenshot(QStringLiteral("slider-x11-dragged.png"));

    log.clear();
    run(QStringLiteral("xdotool"), {QStringLiteral("mouseup"), QStringLiteral("1")});
    QTRY_VERIFY(!bar->isSliderDown());
    QCOMPARE(log.events(), QStringList{QStringLiteral("Change")});
}

void tst_X11SliderDrag::opaqueAgainLeavesAboveState()
{
    // The right arrow walks back to 255, one step per click.
    QScrollBar *bar = slider1Of(m_slider);
    m_slider->setValue(254);
    SliderEventLog log(m_slider);
    const QPoint arrow = bar->mapToGlobal(scrollBarPart(bar, QStyle::SC_ScrollBarAddLine).center());
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(arrow.x()), QString::number(arrow.y()),
                                    QStringLiteral("click"), QStringLiteral("1")});
    QTRY_COMPARE(m_slider->Value(), 255);
    QCOMPARE(log.events(), QStringList({QStringLiteral("Change"), QStringLiteral("ChangePosition(false)")}));
    QTRY_VERIFY(!windowProperty("_NET_WM_STATE").contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
    QCOMPARE(mapState(), QStringLiteral("IsViewable"));
    QVERIFY(TranspSlider::isLayered(m_host.get()));
    screenshot(QStringLiteral("slider-x11-opaque.png"));
}

void tst_X11SliderDrag::hiddenWindowStaysUnmapped()
{
    m_host->hide();
    QTRY_COMPARE(mapState(), QStringLiteral("IsUnMapped"));
    m_slider->setValue(180);
    QTest::qWait(200);
    QCOMPARE(mapState(), QStringLiteral("IsUnMapped"));
    m_slider->setValue(255);
    m_slider->setValue(170);
    QTest::qWait(200);
    QCOMPARE(mapState(), QStringLiteral("IsUnMapped"));

    // Back from the tray: above the others and translucent, as left.
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    QTRY_VERIFY(windowProperty("_NET_WM_STATE").contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
    QCOMPARE(qRound(m_host->windowOpacity() * 255), 170);
}

QTEST_MAIN(tst_X11SliderDrag)
#include "x11_sliderdrag.moc"
