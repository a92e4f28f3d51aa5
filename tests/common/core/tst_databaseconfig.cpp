// Which database the programs open: orvant.conf beside them, or the file.
#include "DatabaseConfig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_DatabaseConfig : public QObject
{
    Q_OBJECT

private slots:
    void withoutConfigTheFileBesideThePrograms();
    void serverSettings_data();
    void serverSettings();
    void refusedSettingsNameFileAndKey_data();
    void refusedSettingsNameFileAndKey();
    void sqliteDriverNamesAFile();
    void sameKeyInOtherSectionsIsNoRepeat();
    void describeNamesTheServer();
    void vantageName_data();
    void vantageName();
};

static QString write(const QTemporaryDir &dir, const QByteArray &text)
{
    const QString path = dir.filePath(QLatin1String(DatabaseConfig::FileName));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        return QString();
    return path;
}

void tst_DatabaseConfig::withoutConfigTheFileBesideThePrograms()
{
    QTemporaryDir dir;
    DatabaseConfig config = DatabaseConfig::server(QStringLiteral("x"), 1, QStringLiteral("y"), QStringLiteral("z"));
    QString error;
    QVERIFY(DatabaseConfig::load(dir.path(), &config, &error));
    QVERIFY(!config.isServer());
    QCOMPARE(config.path(), QDir(dir.path()).filePath(QStringLiteral("ping_addr.mdb")));
    QVERIFY(config.configPath().isEmpty());
}

void tst_DatabaseConfig::serverSettings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("password");

    QTest::newRow("as documented, comments after values")
        << QByteArray("[database]\ndriver=postgresql\nhost=/var/run/postgresql   ; a socket directory\n"
                      "port=5432\nname=orvant\nuser=orvant\npassword=                  ; optional\n")
        << QStringLiteral("/var/run/postgresql") << 5432 << QString();
    QTest::newRow("host name, other port, password")
        << QByteArray("[database]\ndriver=PostgreSQL\nhost=db.example\nport=6432\nname=orvant\nuser=orvant\n"
                      "password=\"s3cr;et\" ; quoted: the semicolon is the password's\n")
        << QStringLiteral("db.example") << 6432 << QStringLiteral("s3cr;et");
    // QSettings would split an unquoted value at its commas.
    QTest::newRow("password with commas")
        << QByteArray("[database]\ndriver=postgresql\nhost=10.0.0.5\nport=5432\nname=orvant\nuser=orvant\n"
                      "password=a,b,c\n")
        << QStringLiteral("10.0.0.5") << 5432 << QStringLiteral("a,b,c");
    QTest::newRow("comment lines")
        << QByteArray("; the team's server\n[database]\n# where\ndriver=postgresql\nhost=h\nport=1\nname=n\nuser=u\n")
        << QStringLiteral("h") << 1 << QString();
}

void tst_DatabaseConfig::serverSettings()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, password);
    QTemporaryDir dir;
    const QString path = write(dir, text);
    DatabaseConfig config;
    QString error;
    QVERIFY2(DatabaseConfig::load(dir.path(), &config, &error), qPrintable(error));
    QVERIFY(config.isServer());
    QCOMPARE(config.host(), host);
    QCOMPARE(config.port(), port);
    QCOMPARE(config.password(), password);
    QVERIFY(!config.name().isEmpty());
    QVERIFY(!config.user().isEmpty());
    QCOMPARE(config.configPath(), QFileInfo(path).absoluteFilePath());
}

void tst_DatabaseConfig::refusedSettingsNameFileAndKey_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("named");

    const QByteArray full = "[database]\ndriver=postgresql\nhost=h\nport=5432\nname=n\nuser=u\n";
    for (const char *key : {"driver", "host", "port", "name", "user"}) {
        QByteArray text = full;
        text.replace(QByteArray(key) + '=', "#");
        QTest::newRow(QByteArray("missing ").append(key).constData()) << text << QString::fromLatin1(key);
    }
    QTest::newRow("only a comment as the value")
        << QByteArray("[database]\ndriver=postgresql\nhost= ; fill in\nport=5432\nname=n\nuser=u\n")
        << QStringLiteral("host");
    QTest::newRow("unknown driver") << QByteArray("[database]\ndriver=mysql\n") << QStringLiteral("mysql");
    QTest::newRow("port not a number")
        << QByteArray("[database]\ndriver=postgresql\nhost=h\nport=54x\nname=n\nuser=u\n") << QStringLiteral("port");
    QTest::newRow("port out of range")
        << QByteArray("[database]\ndriver=postgresql\nhost=h\nport=70000\nname=n\nuser=u\n") << QStringLiteral("port");
    QTest::newRow("second [database] section")
        << QByteArray("[database]\ndriver=postgresql\nhost=h\nport=5432\nname=n\nuser=u\n\n[database]\ndriver=sqlite\n")
        << QStringLiteral("строка 8");
    QTest::newRow("repeated key")
        << QByteArray("[database]\ndriver=postgresql\nhost=h\nport=5432\nname=n\nuser=u\nhost = other\n")
        << QStringLiteral("строка 7: ключ host");
    QTest::newRow("repeated key after comment lines")
        << QByteArray("; team\n[database]\n# x\ndriver=postgresql\ndriver=sqlite\n")
        << QStringLiteral("строка 5: ключ driver");
    QTest::newRow("keys outside [database]")
        << QByteArray("driver=postgresql\nhost=h\nport=5432\nname=n\nuser=u\n") << QStringLiteral("driver");
    QTest::newRow("[vantage] without a name") << full + "[vantage]\nname= ; fill in\n" << QStringLiteral("[vantage]");
    QTest::newRow("vantage name with a blank") << full + "[vantage]\nname=branch one\n" << QStringLiteral("«branch one»");
    QTest::newRow("vantage name with punctuation") << full + "[vantage]\nname=branch_1\n" << QStringLiteral("branch_1");
    QTest::newRow("vantage name of 41 characters")
        << full + "[vantage]\nname=" + QByteArray(41, 'a') + "\n" << QStringLiteral("от 1 до 40");
    QTest::newRow("vantage name twice") << full + "[vantage]\nname=a\nname=b\n" << QStringLiteral("ключ name");
    QTest::newRow("vantage on the file") << QByteArray("[database]\ndriver=sqlite\n[vantage]\nname=branch-1\n")
                                        << QStringLiteral("только с сервером PostgreSQL");
}

// Never a quiet fall-back to the file: the operator meant the server.
void tst_DatabaseConfig::refusedSettingsNameFileAndKey()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, named);
    QTemporaryDir dir;
    const QString path = write(dir, text);
    DatabaseConfig config;
    QString error;
    QVERIFY(!DatabaseConfig::load(dir.path(), &config, &error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(path)) && error.contains(named), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("Ошибка в файле настройки")), qPrintable(error));
}

void tst_DatabaseConfig::sqliteDriverNamesAFile()
{
    QTemporaryDir dir;
    write(dir, "[database]\ndriver=sqlite\nfile=data/history.mdb ; beside the programs\n");
    DatabaseConfig config;
    QString error;
    QVERIFY2(DatabaseConfig::load(dir.path(), &config, &error), qPrintable(error));
    QVERIFY(!config.isServer());
    QCOMPARE(config.path(), QDir(dir.path()).filePath(QStringLiteral("data/history.mdb")));
}

// A key is repeated only within its own section; "file" in a foreign section
// of the same file is another key.
void tst_DatabaseConfig::sameKeyInOtherSectionsIsNoRepeat()
{
    QTemporaryDir dir;
    write(dir, "[other]\ndriver=x\n[database]\ndriver=sqlite\n;driver=postgresql\n");
    DatabaseConfig config;
    QString error;
    QVERIFY2(DatabaseConfig::load(dir.path(), &config, &error), qPrintable(error));
    QVERIFY(!config.isServer());
}

void tst_DatabaseConfig::describeNamesTheServer()
{
    QCOMPARE(DatabaseConfig::server(QStringLiteral("/tmp/sock"), 5432, QStringLiteral("orvant"), QStringLiteral("u"))
                 .describe(),
             QStringLiteral("orvant на сервере /tmp/sock:5432"));
    QCOMPARE(DatabaseConfig::sqliteFile(QStringLiteral("/opt/orvant/ping_addr.mdb")).describe(),
             QStringLiteral("/opt/orvant/ping_addr.mdb"));
    // A megabyte host name is not repeated into every message that names the server.
    const QString huge(1 << 20, QLatin1Char('h'));
    const QString shown = DatabaseConfig::server(huge, 5432, QStringLiteral("orvant"), QStringLiteral("u")).describe();
    QVERIFY2(shown.size() < 300, qPrintable(QString::number(shown.size())));
    QVERIFY(shown.startsWith(QStringLiteral("orvant на сервере hhhh")) && shown.endsWith(QStringLiteral("…:5432")));
}

void tst_DatabaseConfig::vantageName_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QString>("name");

    QTest::newRow("no [vantage]: a plain monitor") << QByteArray() << QString();
    QTest::newRow("letters, digits and a dash") << QByteArray("[vantage]\nname=branch-1 ; the north office\n")
                                               << QStringLiteral("branch-1");
    QTest::newRow("Cyrillic letters") << QByteArray("[vantage]\nname=Центр-2\n") << QStringLiteral("Центр-2");
    QTest::newRow("40 characters") << QByteArray("[vantage]\nname=") + QByteArray(40, 'z') + "\n"
                                   << QString(40, QLatin1Char('z'));
    QTest::newRow("before [database]") << QByteArray("[vantage]\nname=north\n") << QStringLiteral("north");
}

void tst_DatabaseConfig::vantageName()
{
    QFETCH(QByteArray, section);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QByteArray database = "[database]\ndriver=postgresql\nhost=h\nport=5432\nname=n\nuser=u\n";
    write(dir, section.startsWith("[vantage]\nname=north") ? section + database : database + section);
    DatabaseConfig config;
    QString error;
    QVERIFY2(DatabaseConfig::load(dir.path(), &config, &error), qPrintable(error));
    QCOMPARE(config.vantageName(), name);
    QCOMPARE(config.isVantage(), !name.isEmpty());
    QCOMPARE(config.name(), QStringLiteral("n"));
}

QTEST_GUILESS_MAIN(tst_DatabaseConfig)
#include "tst_databaseconfig.moc"
