// Saving a file: a regular one is replaced only once complete; anything
// else (here a FIFO, and a link to it) is written in place and stays what
// it was.
#include "SafeFile.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class tst_SafeFile : public QObject
{
    Q_OBJECT

private slots:
    void regularFileReplacedOnlyWhenComplete();
    void specialOutputsWrittenInPlace_data();
    void specialOutputsWrittenInPlace();
};

static QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void tst_SafeFile::regularFileReplacedOnlyWhenComplete()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    QString error;
    QVERIFY2(SafeFile::write(path, "first\n", &error), qPrintable(error));
    QCOMPARE(readAll(path), QByteArray("first\n"));
    {
        SafeFile file(path);
        QVERIFY(file.open(&error));
        QVERIFY(!file.isDirect());
        file.device()->write("half");
        file.cancel();
    }
    QCOMPARE(readAll(path), QByteArray("first\n"));
    QVERIFY(SafeFile::write(path, "second\n", &error));
    QCOMPARE(readAll(path), QByteArray("second\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("out.csv")});
    QVERIFY(!SafeFile::write(dir.filePath(QStringLiteral("no/such/dir/x")), "x", &error));
    QVERIFY(!error.isEmpty());
}

void tst_SafeFile::specialOutputsWrittenInPlace_data()
{
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("fifo") << false;
    QTest::newRow("symbolic link to a fifo") << true;
}

void tst_SafeFile::specialOutputsWrittenInPlace()
{
    QFETCH(bool, throughLink);
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QString target = fifo;
    if (throughLink) {
        target = dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(fifo, target));
    }
    QVERIFY(SafeFile::isSpecial(target));
    QProcess reader;
    reader.start(QStringLiteral("cat"), {fifo});
    QVERIFY(reader.waitForStarted(5000));
    const QByteArray bytes = QByteArray(100'000, 'x') + "end\n";
    QString error;
    QVERIFY2(SafeFile::write(target, bytes, &error), qPrintable(error));
    QVERIFY(reader.waitForFinished(5000));
    QCOMPARE(reader.readAllStandardOutput(), bytes);
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    QVERIFY2(S_ISFIFO(st.st_mode), "the FIFO was replaced");
    if (throughLink)
        QVERIFY(QFileInfo(target).isSymLink());
    QCOMPARE(QDir(dir.path()).entryList(QDir::System | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).size(),
             throughLink ? 2 : 1);
}

QTEST_GUILESS_MAIN(tst_SafeFile)
#include "tst_safefile.moc"
