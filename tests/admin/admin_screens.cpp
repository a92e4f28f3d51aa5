// Shows the admin's main window and each of its dialogs on a real X server
// (started by admin_screens.sh) and saves a screenshot of the whole screen
// for each into $ORVANT_ARTIFACT_DIR/admin. Message boxes are the real ones.
#include "DateTimeText.h"
#include "AdminFakeLauncher.h"
#include "FormatGrid.h"
#include "Regional.h"
#include "TempDatabase.h"
#include "AdminPrompts.h"
#include "frmMain.h"

#include "Translations.h"
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace admin;

namespace {

QString g_outDir;
// "-en" when the screens are taken in English.
QString g_language;
QStringList g_failures;
QStringList g_saved;

void settle(int ms = 400)
{
    QTest::qWait(ms);
}

void shoot(const QString &name)
{
    settle();
    const QString file = QDir(g_outDir).filePath(QStringLiteral("admin-%1%2.png").arg(name, g_language));
    if (QGuiApplication::primaryScreen()->grabWindow(0).save(file))
        g_saved << file;
    else
        g_failures << QStringLiteral("could not save %1").arg(file);
}

// Runs `then` on the next modal window of type T once it is on screen.
template <class T> void whenModal(const QString &what, std::function<void(T *)> then)
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [=] {
        auto *modal = qobject_cast<T *>(QApplication::activeModalWidget());
        if (modal && QTest::qWaitForWindowExposed(modal)) {
            then(modal);
            return;
        }
        if (timer->elapsed() > 10000) {
            g_failures << QStringLiteral("%1 did not come up").arg(what);
            if (QWidget *other = QApplication::activeModalWidget())
                other->hide();
            return;
        }
        QTimer::singleShot(50, *poll);
    };
    QTimer::singleShot(0, *poll);
}

void type(QWidget *dialog, const char *box, const QString &text)
{
    if (auto *edit = dialog->findChild<QLineEdit *>(QLatin1String(box)))
        edit->setText(text);
    else
        g_failures << QStringLiteral("no box %1").arg(QLatin1String(box));
}

void answerMessage(const QString &name)
{
    whenModal<QMessageBox>(name, [name](QMessageBox *box) {
        shoot(name);
        box->accept();
    });
}

} // namespace

// Every column inside the grid on the real screen, with room for the bar, and
// the sized columns wide enough for their widest values.
static bool listingFits(FormatGrid *grid, const QMap<int, QString> &widest)
{
    int total = 0;
    for (int c = 0; c < grid->columnCount(); ++c)
        total += grid->shownColumnWidth(c);
    bool ok = total <= grid->availableWidth();
    for (auto it = widest.cbegin(); it != widest.cend(); ++it)
        ok = ok && grid->shownColumnWidth(it.key()) >= grid->valueWidth(it.value());
    if (!ok)
        std::fprintf(stderr, "FAIL: columns of %s do not fit: %d of %d px\n", qPrintable(grid->formatString().trimmed()),
                     total, grid->availableWidth());
    return ok;
}

int main(int argc, char **argv)
{
    // Russian unless ORVANT_TEST_LANG names another locale.
    const QByteArray locale = qEnvironmentVariableIsEmpty("ORVANT_TEST_LANG") ? QByteArray("ru_RU.UTF-8")
                                                                              : qgetenv("ORVANT_TEST_LANG");
    qputenv("LC_ALL", locale);
    qputenv("LANG", locale);
    QApplication app(argc, argv);
    // As admin's main() does, with the translations of the build.
    installTranslations(app, {qEnvironmentVariable("ORVANT_BIN_DIR") + QStringLiteral("/translations")});
    if (QLocale::system().language() == QLocale::English)
        g_language = QStringLiteral("-en");
    g_outDir = QDir(qEnvironmentVariable("ORVANT_ARTIFACT_DIR", QStringLiteral("."))).filePath(QStringLiteral("admin"));
    QDir().mkpath(g_outDir);

    TempDatabase db;
    if (!db.isValid()) {
        std::fprintf(stderr, "%s\n", qPrintable(db.error()));
        return 1;
    }
    const QString insert = QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)");
    for (int i = 0; i < 40; ++i) {
        const QDateTime begin = QDateTime(QDate(2025, 3, 1), QTime(0, 0)).addSecs(i * 5423);
        const bool open = i % 13 == 12;
        db.exec(insert, {DateTimeText::fromDateTime(begin),
                         open ? QVariant() : QVariant(DateTimeText::fromDateTime(begin.addSecs(95))),
                         open ? 0 : 1, QStringLiteral("192.168.0.%1").arg(i % 4 + 1),
                         QStringLiteral("Коммутатор этажа %1").arg(i % 4 + 1)});
    }
    db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values "
                           "('192.168.0.1','Коммутатор этажа 1',300),('192.168.0.2','Коммутатор этажа 2',500)"));

    AdminPrompts prompts;
    AdminFakeLauncher launcher;
    launcher.associated = false;
    frmMain main(prompts, launcher, db.directory());
    main.move(main.screen()->availableGeometry().center() - main.rect().center());
    main.show();
    if (!QTest::qWaitForWindowExposed(&main) || !main.Form_Load())
        return 1;
    const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR");
    const QString suffix = scale.isEmpty() ? QString() : QStringLiteral("-scale") + scale;
    FormatGrid *grid = main.txtLog();
    bool fits = listingFits(grid, {{1, grid->text(0, 1)}, {2, grid->text(1, 2)}, {4, QStringLiteral("255.255.255.255")}});
    shoot(QStringLiteral("main-log") + suffix);
    auto trigger = [&main](const char *name) { main.findChild<QAction *>(QLatin1String(name))->trigger(); };

    trigger("mnuAddrs");
    fits = listingFits(grid, {{2, QStringLiteral("255.255.255.255")}, {3, QStringLiteral("10000")}}) && fits;
    shoot(QStringLiteral("main-addresses") + suffix);
    if (!fits)
        return 1;
    if (!suffix.isEmpty())
        return 0; // the dialogs once, at the plain scale
    trigger("mnuStat");

    whenModal<QDialog>(QStringLiteral("frmAdd"), [](QDialog *d) {
        type(d, "txtIP", QStringLiteral("10.20.30.40"));
        type(d, "txtDesc", QStringLiteral("Сервер печати"));
        shoot(QStringLiteral("frmAdd"));
        d->findChild<QPushButton *>(QStringLiteral("cmdBack"))->click();
    });
    trigger("mnuAdd");

    whenModal<QDialog>(QStringLiteral("frmEdAdr"), [](QDialog *d) {
        auto *combo = d->findChild<QComboBox *>(QStringLiteral("cmbAddr"));
        combo->setCurrentIndex(0);
        emit combo->activated(0);
        shoot(QStringLiteral("frmEdAdr"));
        answerMessage(QStringLiteral("frmEdAdr-message"));
        d->findChild<QPushButton *>(QStringLiteral("Command1"))->click(); // "Изменений небыло."
        d->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    });
    trigger("mnuEditAddr");

    whenModal<QDialog>(QStringLiteral("frmDel"), [](QDialog *d) {
        type(d, "txtIP", QStringLiteral("10.20.30.40"));
        shoot(QStringLiteral("frmDel"));
        d->findChild<QPushButton *>(QStringLiteral("cmdBack"))->click();
    });
    trigger("mnuDel");

    whenModal<QDialog>(QStringLiteral("frmOpt"), [](QDialog *d) {
        type(d, "txtSndErr", QStringLiteral("/usr/share/sounds/Мои звуки/обрыв.wav"));
        shoot(QStringLiteral("frmOpt"));
        answerMessage(QStringLiteral("frmOpt-message"));
        d->findChild<QPushButton *>(QStringLiteral("cmdSave"))->click();
    });
    trigger("mnuOptions");

    whenModal<QDialog>(QStringLiteral("frmClearLog"), [](QDialog *d) {
        type(d, "txtClearDate", Regional::shortDate(QDate(2025, 3, 1)));
        shoot(QStringLiteral("frmClearLog"));
        auto *toggle = d->findChild<QLabel *>(QStringLiteral("Label2"));
        QTest::mouseClick(toggle, Qt::LeftButton);
        shoot(QStringLiteral("frmClearLog-calendar"));
        whenModal<QMessageBox>(QStringLiteral("question"), [](QMessageBox *box) {
            shoot(QStringLiteral("frmClearLog-question"));
            box->reject();
        });
        d->findChild<QPushButton *>(QStringLiteral("cmdDel"))->click();
        d->findChild<QPushButton *>(QStringLiteral("cmdQuit"))->click();
    });
    trigger("mnuClearLog");

    whenModal<QDialog>(QStringLiteral("open-with"), [](QDialog *d) {
        shoot(QStringLiteral("open-with"));
        d->reject();
    });
    trigger("mnuOtchet");

    for (const QString &file : std::as_const(g_saved))
        std::printf("saved %s\n", qPrintable(file));
    for (const QString &failure : std::as_const(g_failures))
        std::fprintf(stderr, "FAILED: %s\n", qPrintable(failure));
    return g_failures.isEmpty() && g_saved.size() == 12 ? 0 : 1;
}
