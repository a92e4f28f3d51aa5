// Qt's own texts in the programs' language.
#include "Translations.h"

#include <QApplication>
#include <QColorDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void russianUnderRussianAndPlainLocales_data();
    void russianUnderRussianAndPlainLocales();
    void standardButtonsAndDialogsAreRussian();
};

void tst_Translations::russianUnderRussianAndPlainLocales_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("russian");
    QTest::newRow("ru_RU") << "ru_RU" << true;
    QTest::newRow("ru_UA") << "ru_UA" << true;
    QTest::newRow("C") << "C" << true;
    QTest::newRow("POSIX") << "POSIX" << true;
    QTest::newRow("en_US") << "en_US" << false;
    QTest::newRow("de_DE") << "de_DE" << false;
}

void tst_Translations::russianUnderRussianAndPlainLocales()
{
    QFETCH(QString, locale);
    QFETCH(bool, russian);
    QCOMPARE(wantsRussianQtTexts(locale), russian);
}

void tst_Translations::standardButtonsAndDialogsAreRussian()
{
    // main() started the program under the C locale, as a session without
    // LANG does.
    installTranslations(*qApp);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Завершение работы"),
                    QStringLiteral("Действительно хотите выйти ?"), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Да"));
    QCOMPARE(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Нет"));
    QMessageBox ok(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(ok.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Отмена"));
    // The colour dialog's own labels.
    QColorDialog colours;
    colours.setOption(QColorDialog::DontUseNativeDialog);
    bool englishLeft = false;
    for (const QPushButton *button : colours.findChildren<QPushButton *>()) {
        const QString text = button->text().remove(QLatin1Char('&'));
        if (text == QLatin1String("Cancel") || text == QLatin1String("Add to Custom Colors"))
            englishLeft = true;
    }
    QVERIFY(!englishLeft);
}

int main(int argc, char **argv)
{
    qputenv("LC_ALL", "C");
    qputenv("LANG", "C");
    QApplication app(argc, argv);
    tst_Translations test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_translations.moc"
