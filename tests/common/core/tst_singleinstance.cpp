// One holder of a program's instance lock at a time, per program name.
#include "SingleInstance.h"

#include <QTemporaryDir>
#include <QTest>

class tst_SingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void refusesSecondHolder();
};

void tst_SingleInstance::refusesSecondHolder()
{
    QTemporaryDir dir;
    SingleInstance first(QStringLiteral("probe"), dir.path());
    QVERIFY(first.tryAcquire());
    SingleInstance second(QStringLiteral("probe"), dir.path());
    QVERIFY(!second.tryAcquire());
    SingleInstance other(QStringLiteral("other"), dir.path());
    QVERIFY(other.tryAcquire());
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
