// The admin's outage listing on a database of one million outage records:
// time until the real main window shows its first screen, resident memory
// after showing it and after scrolling through part of the log, and, for
// comparison, how long merely walking every row of the log takes (the least
// any listing that reads the whole log before showing it would need).
//
// Usage: bench_admin_listing [rows] [rows to scroll through]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "DateTimeText.h"
#include "Database.h"
#include "FormatGrid.h"
#include "Prompts.h"
#include "OutageLogModel.h"
#include "ProgramLauncher.h"
#include "Schema.h"
#include "frmMain.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

using namespace admin;

namespace {

// Any message box during the run is a failure of the run: print it, answer OK.
class PrintingPrompts final : public Prompts
{
public:
    QMessageBox::StandardButton ask(QWidget *, QMessageBox::Icon, const QString &title, const QString &text,
                                    QMessageBox::StandardButtons, QMessageBox::StandardButton) override
    {
        std::fprintf(stderr, "message box [%s]: %s\n", qPrintable(title), qPrintable(text));
        return QMessageBox::Ok;
    }
    void notify(QWidget *, QMessageBox::Icon icon, const QString &title, const QString &text) override
    {
        ask(nullptr, icon, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    }
    QString openFileName(QWidget *, const QString &, const QString &) override { return {}; }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QColor chooseColor(QWidget *, const QColor &) override { return {}; }
    QStringList chooseProgram(QWidget *, const QString &) override { return {}; }
};

class NoLauncher final : public ProgramLauncher
{
public:
    bool openWithAssociatedApplication(const QString &) override { return false; }
    bool startDetached(const QString &, const QStringList &, QString *) override { return false; }
};

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

bool fillLog(const QString &path, int rows)
{
    QString error;
    if (!Schema::createDatabaseFile(path, &error) || !Database::open(path, &error, QStringLiteral("fill"))) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("fill"));
        db.transaction();
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)"));
        // About three years of outages, one every 90 s on one of 50 hosts;
        // every thousandth is still open.
        // UTC arithmetic: only the text matters, and local-time conversion is slow.
        const QDateTime start(QDate(2022, 1, 1), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < rows && ok; ++i) {
            const QDateTime begin = start.addSecs(qint64(i) * 90);
            const bool open = i % 1000 == 999;
            const int host = i % 50;
            insert.bindValue(0, DateTimeText::fromDateTime(begin));
            insert.bindValue(1, open ? QVariant() : QVariant(DateTimeText::fromDateTime(begin.addSecs(300))));
            insert.bindValue(2, open ? 0 : 1);
            insert.bindValue(3, QStringLiteral("10.0.%1.%2").arg(host / 10).arg(host % 10 + 1));
            insert.bindValue(4, QStringLiteral("Узел сети номер %1").arg(host));
            ok = insert.exec();
            if (!ok)
                std::fprintf(stderr, "insert: %s\n", qPrintable(insert.lastError().text()));
        }
        ok = db.commit() && ok;
    }
    Database::close(QStringLiteral("fill"));
    return ok;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int rows = args.size() > 1 ? args.at(1).toInt() : 1000000;
    const int scrollRows = args.size() > 2 ? args.at(2).toInt() : 100000;

    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QLatin1String(Database::FileName));
    QElapsedTimer clock;
    clock.start();
    if (!fillLog(path, rows))
        return 1;
    std::printf("database: %d outage rows written in %.1f s (%.0f MiB file)\n", rows, clock.elapsed() / 1000.0,
                QFileInfo(path).size() / 1048576.0);

    // Reference: walking every row of the listing's query, storing nothing.
    {
        QString error;
        Database::open(path, &error, QStringLiteral("walk"));
        QSqlQuery walk(QSqlDatabase::database(QStringLiteral("walk")));
        walk.setForwardOnly(true);
        clock.restart();
        walk.exec(QStringLiteral("select * from logs order by 2 desc"));
        int n = 0;
        while (walk.next()) {
            walk.value(0);
            ++n;
        }
        std::printf("reference: walking all %d rows of 'select * from logs order by 2 desc' takes %.2f s\n", n,
                    clock.elapsed() / 1000.0);
        walk = QSqlQuery();
        Database::close(QStringLiteral("walk"));
    }

    const double rssBefore = residentMiB();
    PrintingPrompts prompts;
    NoLauncher launcher;
    std::vector<double> firstScreen;
    double rssShown = 0, rssScrolled = 0, scrollSeconds = 0;
    int fetched = 0;
    const int runs = 3;
    for (int run = 0; run < runs; ++run) {
        clock.restart();
        auto window = std::make_unique<frmMain>(prompts, launcher, dir.path());
        window->show();
        if (!window->Form_Load())
            return 1;
        // The first screen: the grid painted with the rows it shows.
        const QPixmap shot = window->txtLog()->viewport()->grab();
        QCoreApplication::processEvents();
        firstScreen.push_back(clock.nsecsElapsed() / 1e6);
        if (run == 0 && window->txtLog()->text(0, 0) != QString::number(rows)) {
            std::fprintf(stderr, "the first row shown is %s, not the newest outage\n",
                         qPrintable(window->txtLog()->text(0, 0)));
            return 1;
        }
        if (run == runs - 1) {
            rssShown = residentMiB();
            // Scroll to the end of what is read, as the operator dragging the
            // scroll bar down would, until the wanted part of the log is in.
            FormatGrid *grid = window->txtLog();
            clock.restart();
            while (grid->rowCount() < scrollRows && window->logModel()->canFetchMore({})) {
                grid->scrollToBottom();
                QCoreApplication::processEvents();
            }
            grid->viewport()->grab();
            scrollSeconds = clock.elapsed() / 1000.0;
            fetched = grid->rowCount();
            rssScrolled = residentMiB();
        }
        window.reset();
        Database::close();
    }

    std::printf("first screen of the outage listing (window built, database opened, settings read, first page "
                "read and painted): median %.1f ms of %d runs (first run %.1f ms)\n",
                median(firstScreen), runs, firstScreen.front());
    std::printf("resident memory: %.1f MiB before the window, %.1f MiB with the listing shown, "
                "%.1f MiB after scrolling through %d rows (%.2f s)\n",
                rssBefore, rssShown, rssScrolled, fetched, scrollSeconds);
    std::printf("targets: first screen < 1000 ms: %s; resident < 150 MiB: %s\n",
                median(firstScreen) < 1000 ? "met" : "MISSED",
                std::max(rssShown, rssScrolled) < 150 ? "met" : "MISSED");
    return 0;
}
