#include "TranspSlider.h"
#include "VeltrackFactory.h"
#include "WindowOpacitySupport.h"
#include "ctlTranspSliderH.h"
#include "ctlTranspSliderV.h"

#include <QTest>
#include <memory>

// Creating the controls by the names a host stores, and the platforms on
// which the user's handle works.
class tst_VeltrackFactory : public QObject
{
    Q_OBJECT

private slots:
    void createsByProgIdOrClassId_data();
    void createsByProgIdOrClassId();
    void opacityPlatforms_data();
    void opacityPlatforms();
};

void tst_VeltrackFactory::createsByProgIdOrClassId_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    const QString h = QStringLiteral("ctlTranspSliderH");
    const QString v = QStringLiteral("ctlTranspSliderV");
    QTest::newRow("H ProgID") << QStringLiteral("Veltrack.ctlTranspSliderH") << h;
    QTest::newRow("V ProgID other case") << QStringLiteral("veltrack.CTLTRANSPSLIDERV") << v;
    QTest::newRow("H class id") << QStringLiteral("{B38094F5-7782-42DF-9B28-83FEF5FDF7D6}") << h;
    QTest::newRow("V class id bare lower") << QStringLiteral("fb5f02fc-142a-4e3f-aa78-14cc9d5117f0") << v;
    QTest::newRow("H interface id is no class") << QStringLiteral("{FDC13E1C-99A5-4F40-AAAB-9C63CB45515E}") << QString();
    QTest::newRow("type library id is no class") << QStringLiteral("{794DED6F-4E19-4737-9765-7D61A41FCBE1}") << QString();
    QTest::newRow("unknown ProgID") << QStringLiteral("Veltrack.ctlTranspSlider") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void tst_VeltrackFactory::createsByProgIdOrClassId()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QWidget host;
    TranspSlider *control = VeltrackFactory::createControl(name, &host);
    if (className.isEmpty()) {
        QVERIFY(!control);
        return;
    }
    QVERIFY(control);
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), className);
    QCOMPARE(control->parentWidget(), &host);
    QCOMPARE(control->Value(), 255);
}

void tst_VeltrackFactory::opacityPlatforms_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("able");
    QTest::newRow("X11") << QStringLiteral("xcb") << true;
    QTest::newRow("offscreen") << QStringLiteral("offscreen") << true;
    QTest::newRow("Wayland") << QStringLiteral("wayland") << false;
    QTest::newRow("Wayland EGL") << QStringLiteral("wayland-egl") << false;
    QTest::newRow("framebuffer") << QStringLiteral("linuxfb") << false;
}

void tst_VeltrackFactory::opacityPlatforms()
{
    QFETCH(QString, platform);
    QFETCH(bool, able);
    QCOMPARE(WindowOpacitySupport::platformCanApply(platform), able);
}

QTEST_MAIN(tst_VeltrackFactory)
#include "tst_veltrackfactory.moc"
