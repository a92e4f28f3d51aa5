// Which language the suite speaks, from the user's list of interface
// languages as Qt reads it from LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
#include "Language.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

using Language::Choice;

Q_DECLARE_METATYPE(Language::Choice)

namespace {

QStringList list(const char *blankSeparated)
{
    return QString::fromLatin1(blankSeparated).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class tst_Language : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void englishTextsMissingStayRussian();
};

void tst_Language::choice_data()
{
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<Choice>("expected");
    // The lists are those QLocale::system().uiLanguages() gives for the
    // environment named in the row.
    QTest::newRow("LANG=ru_RU.UTF-8") << list("ru-RU ru-Cyrl-RU ru") << Choice::Russian;
    QTest::newRow("LANG=ru_UA.UTF-8") << list("ru-UA ru-Cyrl-UA") << Choice::Russian;
    QTest::newRow("LANG=C") << list("C") << Choice::Russian;
    QTest::newRow("LANG=POSIX") << list("POSIX") << Choice::Russian;
    QTest::newRow("LANG=en_US.UTF-8") << list("en-US en-Latn-US en") << Choice::English;
    QTest::newRow("LANG=en_GB.UTF-8 (no bare en)") << list("en-GB en-Latn-GB") << Choice::English;
    QTest::newRow("LANG=de_DE.UTF-8") << list("de-DE de-Latn-DE de") << Choice::Unmatched;
    QTest::newRow("LANGUAGE=de:en") << list("de de-Latn-DE de-DE en en-Latn-US en-US")
                                    << Choice::English;
    QTest::newRow("LANGUAGE=de:ru:en") << list("de ru en") << Choice::Russian;
    QTest::newRow("LANGUAGE=en:ru") << list("en ru") << Choice::English;
    QTest::newRow("underscore form") << list("en_AU") << Choice::English;
    QTest::newRow("empty list") << list("") << Choice::Unmatched;
    QTest::newRow("blank entries skipped") << QStringList{QString(), QStringLiteral(" "), QStringLiteral("ru")} << Choice::Russian;
}

void tst_Language::choice()
{
    QFETCH(QStringList, uiLanguages);
    QFETCH(Choice, expected);
    QCOMPARE(Language::choose(uiLanguages), expected);
}

void tst_Language::englishTextsMissingStayRussian()
{
    QTemporaryDir empty;
    QVERIFY(!Language::installOwnTexts(*QCoreApplication::instance(), Choice::English, {empty.path()}));
    QCOMPARE(QCoreApplication::translate("monitor::Form1", "Выход"), QStringLiteral("Выход"));
    // Russian asks for no file at all.
    QVERIFY(!Language::installOwnTexts(*QCoreApplication::instance(), Choice::Russian, {empty.path()}));
}

QTEST_GUILESS_MAIN(tst_Language)
#include "tst_language.moc"
