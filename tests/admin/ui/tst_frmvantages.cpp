// The vantage points as admin shows them, on a real server: opened from the
// button beside the menus, each vantage live or stale by the server's clock
// with the log's writer marked, and the rule changed only to what it can be.
#include "AdminTestSupport.h"
#include "ExtraSettings.h"
#include "VantageRecords.h"
#include "frmVantages.h"

#include <QDir>
#include <QToolButton>
#include <QTreeWidget>

using namespace admin;
using namespace Qt::Literals::StringLiterals;

class tst_frmVantages : public QObject
{
    Q_OBJECT

private slots:
    void showsVantagesAndSetsTheRule();
};

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("admin::frmVantages", source);
}

QStringList rowsOf(frmVantages *dialog)
{
    QStringList rows;
    auto *list = child<QTreeWidget>(dialog, "lstVantages");
    for (int i = 0; list && i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list->topLevelItem(i);
        rows << QStringList{item->text(0), item->text(2), item->text(3), item->text(5)}.join(u'|');
    }
    return rows;
}

} // namespace

void tst_frmVantages::showsVantagesAndSetsTheRule()
{
    SKIP_WITHOUT_SERVER(TempDatabase::Backend::Server);
    AdminFixture f;
    QVERIFY2(f.start(), qPrintable(f.db.error()));
    QVERIFY(f.db.isServer());
    auto *button = f.main->findChild<QToolButton *>(u"cmdVantages"_s);
    QVERIFY(button && button->isVisible());

    // north writes the log: this connection holds the writer's lock under
    // the session name north registered with. south went quiet 5 minutes ago.
    QString error;
    const QSqlDatabase c = f.db.connection();
    QVERIFY(f.db.exec(u"select set_config('application_name','north-session',false)"_s));
    QVERIFY(VantageRecords::registerVantage(c, u"north"_s, 10, u"north-session"_s, &error));
    QVERIFY(VantageRecords::registerVantage(c, u"south"_s, 60, u"south-session"_s, &error));
    QVERIFY(f.db.exec(u"update vantages set last_pass=now()-interval '5 minutes' where name='south'"_s));
    QVERIFY(f.db.exec(u"select pg_advisory_lock(?)"_s, {VantageRecords::WriterLockKey}));

    // The button reads the vantages first, on the database thread, and only
    // then opens the dialog.
    bool ran = false;
    const auto poll = whenModal<frmVantages>(
        [&](frmVantages *dialog) {
            QCOMPARE(rowsOf(dialog), (QStringList{u"north|"_s + text("работает") + u"|10|"_s + text("ведёт"),
                                                  u"south|"_s + text("молчит") + u"|60|"_s}));
            QCOMPARE(textOf(dialog, "txtRule"), u"all"_s);
            const QString dir = qEnvironmentVariable("ORVANT_ARTIFACT_DIR");
            const QString language = QLocale().language() == QLocale::Russian ? u"ru"_s : u"en"_s;
            if (!dir.isEmpty() && QDir().mkpath(dir + u"/admin"_s))
                dialog->grab().save(dir + u"/admin/frmVantages-"_s + language + u".png"_s);

            // Not a rule: said, and nothing stored.
            typeInto(dialog, "txtRule", u"два"_s);
            press(dialog, "cmdSave");
            QCOMPARE(f.prompts.boxes.size(), 1);
            QCOMPARE(f.prompts.boxes.at(0).icon, QMessageBox::Warning);
            QCOMPARE(f.prompts.boxes.at(0).text,
                     text("Правило — all, any или число от 1 до %1.").arg(VantageRule::MaxCount));

            typeInto(dialog, "txtRule", u" 2 "_s);
            press(dialog, "cmdSave");
            QCOMPARE(f.prompts.boxes.size(), 1);
            QCOMPARE(textOf(dialog, "txtRule"), u"2"_s);
        },
        &ran);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(ran);
    QCOMPARE(f.db.scalar(u"select value from settings where name=?"_s, {QLatin1String(VantageRule::SettingName)})
                 .toString(),
             u"2"_s);
    QVERIFY(f.db.exec(u"select pg_advisory_unlock_all()"_s));
}

ADMIN_RUSSIAN_TEST_MAIN(tst_frmVantages)
#include "tst_frmvantages.moc"
