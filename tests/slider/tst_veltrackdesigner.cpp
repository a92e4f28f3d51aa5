#include "TranspSlider.h"

#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <QDomDocument>
#include <QPluginLoader>
#include <QTest>

// Loads the built Designer plugin as Designer would and checks what its
// widget box offers.
class tst_VeltrackDesigner : public QObject
{
    Q_OBJECT

private slots:
    void offersBothSliders();
};

void tst_VeltrackDesigner::offersBothSliders()
{
    QPluginLoader loader(QString::fromLocal8Bit(qgetenv("ORVANT_BIN_DIR"))
                         + QStringLiteral("/plugins/designer/libveltrack_designer.so"));
    QVERIFY2(loader.load(), qPrintable(loader.errorString()));
    auto *collection = qobject_cast<QDesignerCustomWidgetCollectionInterface *>(loader.instance());
    QVERIFY(collection);
    QStringList names;
    QWidget form;
    for (QDesignerCustomWidgetInterface *widget : collection->customWidgets()) {
        names.append(widget->name());
        QCOMPARE(widget->includeFile(), widget->name() + QStringLiteral(".h"));
        QCOMPARE(widget->icon().availableSizes().value(0), QSize(16, 15));
        QDomDocument dom;
        QVERIFY(dom.setContent(widget->domXml()));
        const QDomElement element = dom.documentElement().firstChildElement(QStringLiteral("widget"));
        QCOMPARE(element.attribute(QStringLiteral("class")), widget->name());
        QCOMPARE(element.attribute(QStringLiteral("name")), widget->name() + QStringLiteral("1"));

        // Trying out a position in the form editor leaves the editor alone.
        auto *created = qobject_cast<TranspSlider *>(widget->createWidget(&form));
        QVERIFY(created);
        QCOMPARE(QString::fromLatin1(created->metaObject()->className()), widget->name());
        created->setValue(150);
        QCOMPARE(created->Value(), 150);
        QCOMPARE(form.windowOpacity(), 1.0);
        QVERIFY(!form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }
    QCOMPARE(names, QStringList({QStringLiteral("ctlTranspSliderH"), QStringLiteral("ctlTranspSliderV")}));
}

QTEST_MAIN(tst_VeltrackDesigner)
#include "tst_veltrackdesigner.moc"
