// The availability report's PDF as a reader of it sees it (pdftotext): every
// word in plain letters, so that a search for "floor" finds "sw-floor1-01".
#include "AvailabilityPdf.h"
#include "AvailabilityReport.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace admin;

class tst_AvailabilityPdf final : public QObject
{
    Q_OBJECT

private slots:
    void textHasNoLigatures();
};

void tst_AvailabilityPdf::textHasNoLigatures()
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QFAIL("pdftotext is missing: install the Debian package poppler-utils (scripts/packages.txt)");
    // Each pair the fonts join: fi, fl, ff, ffi, ffl, and ft/st of some faces.
    const QStringList names{QStringLiteral("sw-floor1-01"), QStringLiteral("office-fiber"),
                            QStringLiteral("staff-ffl-gate"), QStringLiteral("left-firewall"),
                            QStringLiteral("Склад fifo")};
    std::vector<HostAvailability> hosts;
    for (int i = 0; i < names.size(); ++i)
        hosts.push_back({QStringLiteral("10.0.0.%1").arg(i + 1), names.at(i), {}});
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    QString error;
    QVERIFY2(AvailabilityPdf::write(pdf, AvailabilityReport::html(hosts, QStringLiteral("period")), &error),
             qPrintable(error));

    QProcess reader;
    reader.start(pdftotext, {pdf, QStringLiteral("-")});
    QVERIFY(reader.waitForFinished(20000));
    QCOMPARE(reader.exitCode(), 0);
    const QString text = QString::fromUtf8(reader.readAllStandardOutput());
    for (const QChar c : text)
        QVERIFY2(c.unicode() < 0xfb00 || c.unicode() > 0xfb06, qPrintable(QStringLiteral("ligature U+%1 in:\n%2")
                                                                              .arg(c.unicode(), 4, 16, QLatin1Char('0'))
                                                                              .arg(text)));
    for (const QString &name : names)
        QVERIFY2(text.contains(name), qPrintable(name + QStringLiteral(" not in:\n") + text));
}

QTEST_MAIN(tst_AvailabilityPdf)
#include "tst_availabilitypdf.moc"
