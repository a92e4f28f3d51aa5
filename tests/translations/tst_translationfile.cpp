// The English translation is complete and faithful to the code's texts:
// nothing unfinished or vanished, nothing in the code missing from it,
// placeholders, accelerators and grid headings kept, window titles in English.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

struct Message
{
    QString context;
    QString source;
    QString comment;
    bool numerus = false;
    QString type;              // the translation's type attribute: unfinished, vanished, obsolete
    QStringList translations;  // one, or the numerus forms
};

QList<Message> readTs(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return {};
    }
    QList<Message> messages;
    QXmlStreamReader xml(&file);
    QString context;
    Message current;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("translation") && current.numerus)
            messages << current;
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            current = Message{context, {}, {}, xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes"),
                              {}, {}};
        } else if (name == QLatin1String("source")) {
            current.source = xml.readElementText();
        } else if (name == QLatin1String("comment")) {
            current.comment = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            current.type = xml.attributes().value(QLatin1String("type")).toString();
            if (!current.numerus) {
                current.translations << xml.readElementText();
                messages << current;
            }
        } else if (name == QLatin1String("numerusform")) {
            current.translations << xml.readElementText();
        }
    }
    if (xml.hasError())
        *error = xml.errorString();
    return messages;
}

// Every %1..%99 and %n, sorted, so that order may change but none go astray.
QStringList placeholders(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("%(\\d{1,2}|n)"));
    QStringList found;
    for (auto it = pattern.globalMatch(text); it.hasNext();)
        found << it.next().captured(0);
    found.sort();
    return found;
}

// Menu accelerators: a single '&' ("&&" is a literal ampersand).
int accelerators(const QString &text)
{
    return QString(text).remove(QStringLiteral("&&")).count(QLatin1Char('&'));
}

const QString tsPath = QStringLiteral(ORVANT_SOURCE_DIR "/translations/orvant_en.ts");

} // namespace

class tst_TranslationFile : public QObject
{
    Q_OBJECT

private slots:
    void everyMessage_data();
    void everyMessage();
    void coversTheCode();
    void noRussianTextOutsideTheTranslationSystem();
};

void tst_TranslationFile::everyMessage_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<bool>("numerus");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("translations");
    QString error;
    const QList<Message> messages = readTs(tsPath, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(messages.size() > 150);
    QHash<QString, int> seen;
    for (const Message &m : messages) {
        const QString row = m.context + QLatin1Char('/') + QString::number(++seen[m.context]);
        QTest::newRow(qPrintable(row)) << m.source << m.comment << m.numerus << m.type << m.translations;
    }
}

void tst_TranslationFile::everyMessage()
{
    QFETCH(QString, source);
    QFETCH(QString, comment);
    QFETCH(bool, numerus);
    QFETCH(QString, type);
    QFETCH(QStringList, translations);

    QVERIFY2(type.isEmpty(), qPrintable(QStringLiteral("%1: %2").arg(type, source)));
    // English has two plural forms.
    QCOMPARE(translations.size(), numerus ? 2 : 1);
    for (const QString &english : std::as_const(translations)) {
        QVERIFY2(!english.trimmed().isEmpty(), qPrintable(source));
        QCOMPARE(placeholders(english), placeholders(source));
        QCOMPARE(accelerators(english), accelerators(source));
        // An English desktop reads English titles and captions too; only
        // the programs' names stay as they are (they are not translated).
        if (comment == QLatin1String("window title")) {
            static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
            QVERIFY2(!english.contains(cyrillic), qPrintable(source + QStringLiteral(" -> ") + english));
        }
        // A grid heading: the same columns, each as wide in characters, since
        // the blanks set the widths.
        if (source.contains(QLatin1Char('|'))) {
            const QStringList ru = source.split(QLatin1Char('|'));
            const QStringList en = english.split(QLatin1Char('|'));
            QCOMPARE(en.size(), ru.size());
            for (int i = 0; i < ru.size(); ++i)
                QCOMPARE(en.at(i).size(), ru.at(i).size());
        }
    }
}

void tst_TranslationFile::coversTheCode()
{
    // lupdate over the code into a copy: a text added to the code comes in
    // unfinished, one taken out of it stays as vanished.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("orvant_en.ts"));
    QVERIFY(QFile::copy(tsPath, copy));
    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(ORVANT_SOURCE_DIR));
    lupdate.start(QStringLiteral(ORVANT_LUPDATE),
                  {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                   QStringLiteral("-extensions"), QStringLiteral("cpp,h"), QStringLiteral("common"),
                   QStringLiteral("monitor"), QStringLiteral("admin"), QStringLiteral("grapher"),
                   QStringLiteral("slider"), QStringLiteral("web"), QStringLiteral("-ts"), copy});
    QVERIFY(lupdate.waitForFinished(60000));
    QCOMPARE(lupdate.exitCode(), 0);
    QString error;
    const QList<Message> messages = readTs(copy, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QStringList stale;
    for (const Message &m : messages) {
        if (!m.type.isEmpty())
            stale << m.type + QStringLiteral(": ") + m.context + QStringLiteral(": ") + m.source;
    }
    QVERIFY2(stale.isEmpty(), qPrintable(QStringLiteral("run the orvant_lupdate target, then translate:\n")
                                         + stale.join(QLatin1Char('\n'))));
}

void tst_TranslationFile::noRussianTextOutsideTheTranslationSystem()
{
    // A Russian text made straight into a QString (QStringLiteral,
    // fromUtf8) would show Russian to an English desktop, and lupdate cannot
    // see it.
    static const QRegularExpression plain(
        QStringLiteral("(QStringLiteral|QString::fromUtf8|QLatin1String|QString)\\(\\s*\"[^\"]*[\\x{0400}-\\x{04FF}]"));
    QStringList found;
    for (const char *folder : {"common", "monitor", "admin", "grapher", "slider", "web"}) {
        QDirIterator it(QStringLiteral(ORVANT_SOURCE_DIR "/") + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
            int number = 0;
            while (!file.atEnd()) {
                const QString line = QString::fromUtf8(file.readLine());
                ++number;
                if (!line.trimmed().startsWith(QLatin1String("//")) && plain.match(line).hasMatch())
                    found << QStringLiteral("%1:%2: %3").arg(file.fileName()).arg(number).arg(line.trimmed());
            }
        }
    }
    QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(tst_TranslationFile)
#include "tst_translationfile.moc"
