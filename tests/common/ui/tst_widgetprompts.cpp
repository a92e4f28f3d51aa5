// The real prompts without a display (Qt's offscreen platform): nothing may
// wait for an answer no one can give. A message is answered as Enter would
// answer its box, a choice is cancelled.
#include "WidgetPrompts.h"

#include <QApplication>
#include <QTest>

Q_DECLARE_METATYPE(QMessageBox::StandardButtons)

class tst_WidgetPrompts : public QObject
{
    Q_OBJECT

private slots:
    void messageAnsweredAsEnterWould_data();
    void messageAnsweredAsEnterWould();
    void choicesCancelled();
};

void tst_WidgetPrompts::messageAnsweredAsEnterWould_data()
{
    QTest::addColumn<QMessageBox::StandardButtons>("buttons");
    QTest::addColumn<QMessageBox::StandardButton>("defaultButton");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::newRow("Ok") << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::NoButton << QMessageBox::Ok;
    QTest::newRow("Ok|Cancel: the first") << QMessageBox::StandardButtons(QMessageBox::Ok | QMessageBox::Cancel)
                                           << QMessageBox::NoButton << QMessageBox::Ok;
    QTest::newRow("Yes|No: the first") << QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No)
                                        << QMessageBox::NoButton << QMessageBox::Yes;
    QTest::newRow("Yes|No, default No") << QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No)
                                         << QMessageBox::No << QMessageBox::No;
}

void tst_WidgetPrompts::messageAnsweredAsEnterWould()
{
    QFETCH(QMessageBox::StandardButtons, buttons);
    QFETCH(QMessageBox::StandardButton, defaultButton);
    QFETCH(QMessageBox::StandardButton, answer);
    for (const auto options : {WidgetPrompts::Options(WidgetPrompts::NoOption),
                               WidgetPrompts::Options(WidgetPrompts::EchoEveryMessage | WidgetPrompts::QtSaveDialog)}) {
        WidgetPrompts prompts(options);
        QCOMPARE(prompts.ask(nullptr, QMessageBox::Question, QStringLiteral("Orvant"), QStringLiteral("?"), buttons,
                             defaultButton),
                 answer);
        prompts.notify(nullptr, QMessageBox::Warning, QStringLiteral("Orvant"), QStringLiteral("!"));
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }
}

void tst_WidgetPrompts::choicesCancelled()
{
    WidgetPrompts prompts;
    QCOMPARE(prompts.openFileName(nullptr, QDir::tempPath(), QStringLiteral("*.wav (*.wav)")), QString());
    QCOMPARE(prompts.saveFileName(nullptr, QString(), QDir::tempPath(), QStringLiteral("bmp (*.bmp)"),
                                  QStringLiteral("bmp")),
             QString());
    QVERIFY(!prompts.chooseColor(nullptr, Qt::red).isValid());
    QCOMPARE(prompts.chooseProgram(nullptr, QStringLiteral("/tmp/x.mdb")), QStringList());
}

QTEST_MAIN(tst_WidgetPrompts)
#include "tst_widgetprompts.moc"
