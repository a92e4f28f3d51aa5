#include "PropertyBag.h"

#include <QTest>

class tst_PropertyBag : public QObject
{
    Q_OBJECT

private slots:
    void writeLeavesOutDefaults_data();
    void writeLeavesOutDefaults();
    void readGivesDefaultOrStoredValueInDefaultsType();
};

void tst_PropertyBag::writeLeavesOutDefaults_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("defaultValue");
    QTest::addColumn<bool>("stored");
    QTest::newRow("equal int") << QVariant(255) << QVariant(255) << false;
    QTest::newRow("16-bit equal to int default") << QVariant::fromValue<qint16>(255) << QVariant(255) << false;
    QTest::newRow("text equal to int default") << QVariant(QStringLiteral("255")) << QVariant(255) << false;
    QTest::newRow("different int") << QVariant(254) << QVariant(255) << true;
    QTest::newRow("false at default false") << QVariant(false) << QVariant(false) << false;
    QTest::newRow("true at default false") << QVariant(true) << QVariant(false) << true;
    QTest::newRow("no default") << QVariant(255) << QVariant() << true;
}

void tst_PropertyBag::writeLeavesOutDefaults()
{
    QFETCH(QVariant, value);
    QFETCH(QVariant, defaultValue);
    QFETCH(bool, stored);
    PropertyBag bag{{QStringLiteral("Key"), QStringLiteral("old")}};
    bag.WriteProperty(QStringLiteral("Key"), value, defaultValue);
    // Writing the default also removes what an earlier save left there.
    QCOMPARE(bag.contains(QStringLiteral("Key")), stored);
}

void tst_PropertyBag::readGivesDefaultOrStoredValueInDefaultsType()
{
    PropertyBag bag{{QStringLiteral("Enabled"), QStringLiteral("true")}, {QStringLiteral("Value"), QStringLiteral("180")}};
    QCOMPARE(bag.ReadProperty(QStringLiteral("enabled"), false), QVariant(true));
    QCOMPARE(bag.ReadProperty(QStringLiteral("Value"), 255), QVariant(180));
    QCOMPARE(bag.ReadProperty(QStringLiteral("Missing"), 255), QVariant(255));
    // Rewriting a name keeps its place.
    bag.WriteProperty(QStringLiteral("VALUE"), 190, 255);
    QCOMPARE(bag.names(), QStringList({QStringLiteral("Enabled"), QStringLiteral("Value")}));
}

QTEST_GUILESS_MAIN(tst_PropertyBag)
#include "tst_propertybag.moc"
