#include "AdminRules.h"
#include "DesktopEntry.h"

#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace admin;

using namespace AdminRules;

class tst_AdminRules final : public QObject
{
    Q_OBJECT

private slots:
    void timeout_data();
    void timeout();
    void newAddressTimeout_data();
    void newAddressTimeout();
    void addressProblem_data();
    void addressProblem();
    void interval_data();
    void interval();
    void clearDate_data();
    void clearDate();
    void clearDateTwoDigitYear();
    void desktopCommand_data();
    void desktopCommand();
    void desktopEntryRead();
};

static const QLocale Russian(QLocale::Russian, QLocale::Russia);
static const QLocale English(QLocale::English, QLocale::UnitedStates);

void tst_AdminRules::timeout_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<int>("value");

    QTest::newRow("plain") << English << "750" << true << 750;
    QTest::newRow("blanks around") << English << " 42 " << true << 42;
    QTest::newRow("negative") << English << "-3" << true << -3;
    QTest::newRow("six tenths, en mark") << English << "0.6" << true << 1;
    QTest::newRow("six tenths, ru mark") << Russian << "0,6" << true << 1;
    QTest::newRow("en mark under ru") << Russian << "0.6" << false << 0;
    QTest::newRow("half to even, down") << English << "2.5" << true << 2;
    QTest::newRow("half to even, up") << English << "3.5" << true << 4;
    QTest::newRow("negative half to even") << English << "-2.5" << true << -2;
    QTest::newRow("just under a half") << English << "2.4999" << true << 2;
    QTest::newRow("exponent") << English << "1e3" << true << 1000;
    QTest::newRow("int32 max") << English << "2147483647" << true << std::numeric_limits<qint32>::max();
    QTest::newRow("int32 max, rounds inside") << English << "2147483647.4" << true << std::numeric_limits<qint32>::max();
    QTest::newRow("past int32 max") << English << "2147483648" << false << 0;
    QTest::newRow("int32 min") << English << "-2147483648" << true << std::numeric_limits<qint32>::min();
    QTest::newRow("past int32 min") << English << "-2147483649" << false << 0;
    QTest::newRow("empty") << English << "" << false << 0;
    QTest::newRow("letters") << English << "abc" << false << 0;
    QTest::newRow("digits then letters") << English << "12ms" << false << 0;
    QTest::newRow("infinity") << English << "inf" << false << 0;
    QTest::newRow("not a number") << English << "nan" << false << 0;
}

void tst_AdminRules::timeout()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(int, value);
    const std::optional<qint32> read = readTimeout(text, locale);
    QCOMPARE(read.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*read, value);
}

void tst_AdminRules::newAddressTimeout_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("stored");
    QTest::newRow("empty") << "" << 500;
    QTest::newRow("letters") << "abc" << 500;
    QTest::newRow("zero") << "0" << 500;
    QTest::newRow("negative") << "-20" << 500;
    QTest::newRow("rounds to zero") << "0,4" << 500;
    QTest::newRow("half rounds to even zero") << "0,5" << 500;
    QTest::newRow("six tenths") << "0,6" << 1;
    QTest::newRow("one and a half") << "1,5" << 2;
    QTest::newRow("past int32") << "99999999999" << 500;
    QTest::newRow("usable") << "1200" << 1200;
}

void tst_AdminRules::newAddressTimeout()
{
    QFETCH(QString, text);
    QFETCH(int, stored);
    QCOMPARE(timeoutForNewAddress(text, Russian), stored);
}

void tst_AdminRules::addressProblem_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("readAs"); // empty: the dialogs take the text

    // Any text is taken, as always, but an older IPv4 spelling.
    QTest::newRow("dotted quad") << QStringLiteral("10.0.0.1") << QString();
    QTest::newRow("IPv6") << QStringLiteral("fd00::1") << QString();
    QTest::newRow("host name") << QStringLiteral("router") << QString();
    QTest::newRow("quotes") << QStringLiteral("host's \"name\"") << QString();
    QTest::newRow("part above 255") << QStringLiteral("10.0.0.256") << QString();
    QTest::newRow("octal part") << QStringLiteral("010.0.0.1") << QStringLiteral("8.0.0.1");
    QTest::newRow("three parts") << QStringLiteral("1.2.3") << QStringLiteral("1.2.0.3");
    QTest::newRow("two parts") << QStringLiteral("10.1") << QStringLiteral("10.0.0.1");
    QTest::newRow("hexadecimal") << QStringLiteral("0x0a000001") << QStringLiteral("10.0.0.1");
}

void tst_AdminRules::addressProblem()
{
    QFETCH(QString, text);
    QFETCH(QString, readAs);
    const QString problem = AdminRules::addressProblem(text);
    QCOMPARE(problem.isEmpty(), readAs.isEmpty());
    if (!readAs.isEmpty())
        QVERIFY2(problem.contains(QStringLiteral("«%1»").arg(text)) && problem.contains(readAs), qPrintable(problem));
}

void tst_AdminRules::interval_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("minutes");
    QTest::newRow("five") << "5" << true << 5;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("blanks around") << " 7 " << true << 7;
    // A year at most: the monitor holds the period in seconds.
    QTest::newRow("a year") << "525600" << true << 525600;
    QTest::newRow("leading zeros") << "000525600" << true << 525600;
    QTest::newRow("a minute past a year") << "525601" << false << 0;
    QTest::newRow("seconds past 32 bits") << "35791395" << false << 0;
    QTest::newRow("int32 max") << "2147483647" << false << 0;
    QTest::newRow("past int32") << "2147483648" << false << 0;
    QTest::newRow("past 64 bits") << "99999999999999999999999" << false << 0;
    QTest::newRow("negative") << "-1" << false << 0;
    QTest::newRow("plus sign") << "+5" << false << 0;
    QTest::newRow("fraction") << "1,5" << false << 0;
    QTest::newRow("letters") << "five" << false << 0;
    QTest::newRow("statement text") << "1;drop table logs" << false << 0;
    QTest::newRow("blank") << "   " << false << 0;
}

void tst_AdminRules::interval()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, minutes);
    const std::optional<int> read = readInterval(text);
    QCOMPARE(read.has_value(), accepted);
    if (accepted)
        QCOMPARE(*read, minutes);
}

void tst_AdminRules::clearDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("as the calendar writes it") << "01.02.2025" << QDate(2025, 2, 1);
    QTest::newRow("single digits") << "1.2.2025" << QDate(2025, 2, 1);
    QTest::newRow("end of year") << "31.12.2025" << QDate(2025, 12, 31);
    QTest::newRow("no such day") << "31.02.2025" << QDate();
    QTest::newRow("letters") << "вчера" << QDate();
    QTest::newRow("empty") << "" << QDate();
}

// Another locale's short date with a two-digit year means this century.
void tst_AdminRules::clearDateTwoDigitYear()
{
    const std::optional<QDate> read = readClearDate(QStringLiteral("2/1/25"), QLocale(QStringLiteral("en_US")));
    QVERIFY(read.has_value());
    QCOMPARE(*read, QDate(2025, 2, 1));
}

void tst_AdminRules::clearDate()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    const std::optional<QDate> read = readClearDate(text, Russian);
    QCOMPARE(read.has_value(), date.isValid());
    if (read) {
        QCOMPARE(*read, date);
        QCOMPARE(clearDateText(*read), QDate(date).toString(QStringLiteral("dd.MM.yyyy")));
    }
    QCOMPARE(clearCutOff(QDate(2025, 2, 1)), QStringLiteral("2025-02-01 00:00:00"));
}

void tst_AdminRules::desktopCommand_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("command");
    auto words = [](std::initializer_list<const char *> items) {
        QStringList out;
        for (const char *item : items)
            out << QString::fromUtf8(item);
        return out;
    };
    const QString file = QStringLiteral("/opt/or vant/ping_addr.mdb");
    const QString url = QStringLiteral("file:///opt/or vant/ping_addr.mdb");
    QTest::newRow("file code") << "sqlitebrowser %f" << (words({"sqlitebrowser"}) << file);
    QTest::newRow("url code") << "viewer --open %U" << (words({"viewer", "--open"}) << url);
    QTest::newRow("no code appends the file") << "\"/usr/bin/my viewer\"" << (words({"/usr/bin/my viewer"}) << file);
    QTest::newRow("other codes dropped") << "app %i %c %k %F" << (words({"app"}) << file);
    QTest::newRow("escaped percent") << "app --ratio=50%% %f" << (words({"app", "--ratio=50%"}) << file);
}

void tst_AdminRules::desktopCommand()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, command);
    DesktopEntry entry;
    entry.exec = exec;
    QCOMPARE(entry.commandFor(QStringLiteral("/opt/or vant/ping_addr.mdb")), command);
}

void tst_AdminRules::desktopEntryRead()
{
    QTemporaryDir dir;
    auto write = [&dir](const char *name, const char *text) {
        QFile f(dir.filePath(QLatin1String(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write("shown.desktop", "[Desktop Entry]\nType=Application\nName=Viewer\nName[ru]=Просмотр\nExec=viewer %f\n"
                           "[Desktop Action new]\nName=Other\nExec=other\n");
    write("hidden.desktop", "[Desktop Entry]\nType=Application\nName=Hidden\nExec=h\nNoDisplay=true\n");
    write("link.desktop", "[Desktop Entry]\nType=Link\nName=Link\nURL=http://example.invalid\n");
    DesktopEntry entry;
    QVERIFY(DesktopEntry::read(dir.filePath(QStringLiteral("shown.desktop")), &entry, QStringLiteral("ru")));
    QCOMPARE(entry.name, QStringLiteral("Просмотр"));
    QCOMPARE(entry.exec, QStringLiteral("viewer %f"));
    QVERIFY(DesktopEntry::read(dir.filePath(QStringLiteral("shown.desktop")), &entry));
    QCOMPARE(entry.name, QStringLiteral("Viewer"));
    QVERIFY(!DesktopEntry::read(dir.filePath(QStringLiteral("hidden.desktop")), &entry));
    QVERIFY(!DesktopEntry::read(dir.filePath(QStringLiteral("link.desktop")), &entry));
}

QTEST_GUILESS_MAIN(tst_AdminRules)
#include "tst_adminrules.moc"
