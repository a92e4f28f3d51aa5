// The users of --auth-file: what the file may hold, and which credentials
// pass (hashes made by the system's libcrypt, as openssl passwd and mkpasswd
// make them).
#include "AuthFile.h"

#include <QTest>

#include <crypt.h>

using web::AuthFile;

namespace {

QByteArray hashOf(const char *prefix, const QByteArray &password)
{
    char salt[CRYPT_GENSALT_OUTPUT_SIZE];
    if (!crypt_gensalt_rn(prefix, 0, nullptr, 0, salt, sizeof salt))
        return {};
    crypt_data data{};
    return QByteArray(crypt_r(password.constData(), salt, &data));
}

QByteArray basic(const QByteArray &userAndPassword)
{
    return "Basic " + userAndPassword.toBase64();
}

} // namespace

class tst_AuthFile : public QObject
{
    Q_OBJECT

private slots:
    void refusedFiles_data();
    void refusedFiles();
    void credentials_data();
    void credentials();
    void rememberedCredentialsAreTheExactOnes();
};

void tst_AuthFile::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("says");

    QTest::newRow("empty") << QByteArray("# nobody\n\n") << "нет ни одного";
    QTest::newRow("no colon") << QByteArray("admin\n") << "строка 1";
    QTest::newRow("plain password") << QByteArray("admin:secret\n") << "строка 1";
    QTest::newRow("DES") << QByteArray("admin:" + QByteArray(crypt("x", "ab")) + '\n') << "устаревшим";
    QTest::newRow("MD5") << QByteArray("# a comment\nadmin:" + hashOf("$1$", "x") + '\n') << "строка 2";
    QTest::newRow("twice") << QByteArray("a:" + hashOf("$6$", "x") + "\na:" + hashOf("$6$", "y") + '\n')
                           << "второй раз";
}

void tst_AuthFile::refusedFiles()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, says);
    AuthFile auth;
    QString error;
    QVERIFY(!auth.parse(text, &error));
    QVERIFY2(error.contains(says), qPrintable(error));
}

void tst_AuthFile::credentials_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("sha-512 user") << basic("ops:correct horse") << true;
    QTest::newRow("yescrypt user") << basic("viewer:пароль") << true;
    QTest::newRow("scheme in lower case") << QByteArray("basic " + QByteArray("ops:correct horse").toBase64()) << true;
    QTest::newRow("wrong password") << basic("ops:correct hors") << false;
    QTest::newRow("another user's password") << basic("viewer:correct horse") << false;
    QTest::newRow("unknown user") << basic("root:correct horse") << false;
    QTest::newRow("no password") << basic("ops") << false;
    QTest::newRow("empty user") << basic(":correct horse") << false;
    QTest::newRow("NUL cuts nothing short") << basic(QByteArray("ops:correct horse\0tail", 22)) << false;
    QTest::newRow("not base64") << QByteArray("Basic ***") << false;
    QTest::newRow("bearer") << QByteArray("Bearer abc") << false;
    QTest::newRow("none") << QByteArray() << false;
}

void tst_AuthFile::credentials()
{
    QFETCH(QByteArray, header);
    QFETCH(bool, accepted);
    AuthFile auth;
    QString error;
    const QByteArray file = "# users of the status page\nops:" + hashOf("$6$", "correct horse") + "\n\nviewer:"
                            + hashOf("$y$", "пароль") + "\n";
    QVERIFY2(auth.parse(file, &error), qPrintable(error));
    QCOMPARE(auth.userCount(), 2);
    QCOMPARE(auth.accepts(header), accepted);
    // Asked again (remembered or not), the same answer.
    QCOMPARE(auth.accepts(header), accepted);
}

void tst_AuthFile::rememberedCredentialsAreTheExactOnes()
{
    AuthFile auth;
    QString error;
    QVERIFY(auth.parse("ops:" + hashOf("$6$", "pw") + '\n', &error));
    QVERIFY(auth.accepts(basic("ops:pw")));
    // Once accepted, nothing near it passes: a longer password, another
    // spelling of the header.
    QVERIFY(!auth.accepts(basic("ops:pw ")));
    QVERIFY(!auth.accepts("Basic  " + QByteArray("ops:pw ").toBase64()));
    QVERIFY(auth.accepts(basic("ops:pw")));
}

QTEST_GUILESS_MAIN(tst_AuthFile)
#include "tst_authfile.moc"
