#pragma once

#include "AdminFakeLauncher.h"
#include "FakePrompts.h"
#include "Language.h"
#include "TempDatabase.h"
#include "AdminStore.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace admin {

// The admin on a fresh temporary database, with prompts and launcher that
// tests answer and inspect.
struct AdminFixture
{
    TempDatabase db;
    FakePrompts prompts;
    AdminFakeLauncher launcher;
    std::unique_ptr<frmMain> main;

    // False when the admin did not come up; why is written to the log,
    // for a failure under load to say what it met.
    bool start()
    {
        if (!db.isValid()) {
            qWarning("no test database: %s", qPrintable(db.error()));
            return false;
        }
        main = std::make_unique<frmMain>(prompts, launcher, db.directory());
        main->show();
        QElapsedTimer took;
        took.start();
        CloseWitness closes;
        qApp->installEventFilter(&closes);
        const bool loaded = main->Form_Load();
        qApp->removeEventFilter(&closes);
        if (loaded)
            return true;
        QStringList told;
        for (const FakePrompts::Box &box : std::as_const(prompts.boxes))
            told << box.text;
        qWarning("the admin did not start after %lld ms; told: %s; closed meanwhile: %s", qint64(took.elapsed()),
                 told.isEmpty() ? "nothing" : qPrintable(told.join(QLatin1String(" | "))),
                 closes.seen.isEmpty() ? "nothing" : qPrintable(closes.seen.join(QLatin1String(", "))));
        return false;
    }

    // The windows sent a close request while the admin started: a close
    // gives up a database wait, and with it the start.
    struct CloseWitness : QObject
    {
        QStringList seen;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Close || event->type() == QEvent::Quit)
                seen << QStringLiteral("%1 \"%2\"").arg(QLatin1String(watched->metaObject()->className()),
                                                          watched->objectName());
            return false;
        }
    };

    QAction *action(const char *name) const { return main->findChild<QAction *>(QLatin1String(name)); }

    // Opens a dialog from a menu item and runs `script` on it while it is
    // shown modally, as the operator would. Whatever the script leaves open
    // is hidden afterwards, so a failed check cannot hang the test.
    template <class Dialog> void withDialog(const char *menuItem, const std::function<void(Dialog *)> &script);
};

// Runs `script` on a Dialog once it is shown modally (a dialog that reads
// the database first opens only after that), for as long as the returned
// timer lives: the caller keeps it over the action that opens the dialog.
// Whatever the script leaves open is hidden afterwards, so a failed check
// cannot hang the test; no such dialog within 10 s fails the test.
template <class Dialog> std::unique_ptr<QTimer> whenModal(const std::function<void(Dialog *)> &script, bool *ran)
{
    auto poll = std::make_unique<QTimer>();
    QElapsedTimer clock;
    clock.start();
    QObject::connect(poll.get(), &QTimer::timeout, [timer = poll.get(), clock, script, ran] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog && clock.elapsed() < 10000)
            return;
        timer->stop();
        *ran = true;
        if (!dialog) {
            QTest::qFail("the dialog is not shown modally", __FILE__, __LINE__);
            if (QWidget *other = QApplication::activeModalWidget())
                other->hide();
            return;
        }
        script(dialog);
        if (dialog->isVisible())
            dialog->hide();
    });
    poll->start(20);
    return poll;
}

template <class Dialog>
void AdminFixture::withDialog(const char *menuItem, const std::function<void(Dialog *)> &script)
{
    bool ran = false;
    {
        const auto poll = whenModal<Dialog>(script, &ran);
        QAction *item = action(menuItem);
        QVERIFY2(item, menuItem);
        item->trigger();
    }
    QVERIFY(ran);
}

template <class T> T *child(QWidget *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        QTest::qFail(qPrintable(QStringLiteral("no control %1").arg(QLatin1String(name))), __FILE__, __LINE__);
    return found;
}

// Types text key by key; letters outside ASCII (Cyrillic) travel as the
// text of a key press, as a keyboard layout would send them.
inline void typeText(QWidget *widget, const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Replaces a box's text by typing, as the operator would.
inline void typeInto(QWidget *dialog, const char *box, const QString &text)
{
    auto *edit = child<QLineEdit>(dialog, box);
    if (!edit)
        return;
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
}

inline void press(QWidget *dialog, const char *button)
{
    if (auto *b = child<QPushButton>(dialog, button))
        QTest::mouseClick(b, Qt::LeftButton);
}

inline QString textOf(QWidget *dialog, const char *box)
{
    auto *edit = child<QLineEdit>(dialog, box);
    return edit ? edit->text() : QString();
}

// The dialogs read numbers and dates in the system's regional forms; these
// tests run with Russian settings (decimal comma, DD.MM.YYYY), set before
// the application reads them.
// Russian unless ORVANT_TEST_LANG names another locale (the fit tests run
// again under English, with the English texts).
#define ADMIN_RUSSIAN_TEST_MAIN(TestClass)                                                                             \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        const QByteArray locale = qEnvironmentVariableIsEmpty("ORVANT_TEST_LANG") ? QByteArray("ru_RU.UTF-8")          \
                                                                                  : qgetenv("ORVANT_TEST_LANG");       \
        qputenv("LC_ALL", locale);                                                                                     \
        qputenv("LANG", locale);                                                                                       \
        QApplication app(argc, argv);                                                                                  \
        Language::installOwnTexts(app, Language::forSystem(),                                                          \
                                  {QString::fromLocal8Bit(qgetenv("ORVANT_BIN_DIR")) + QStringLiteral("/translations")}); \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }

} // namespace admin
