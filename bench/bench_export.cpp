// orvant-export on a log of one million outage records (one in fifty open,
// descriptions with commas, quotes and Cyrillic so quoting is exercised, one
// in thirteen guarded as a formula would be):
// wall time and peak resident memory of the real tool, as a child process,
// median of three runs; and, for comparison, the same export with the
// database's own CSV output (sqlite3 -csv) when that tool is installed.
//
// Usage: bench_export [rows] [path of orvant-export]
// Targets: under 10 s and under 100 MB for 1,000,000 rows.
#include "Database.h"
#include "Schema.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Run
{
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

// Runs argv with stdout to /dev/null unless it names an output itself;
// measures wall time and the child's own peak resident set.
Run measure(const std::vector<QByteArray> &args, const char *stdoutPath)
{
    std::vector<char *> argv;
    for (const QByteArray &a : args)
        argv.push_back(const_cast<char *>(a.constData()));
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    std::fflush(stdout); // or the child would write our buffered lines again
    const pid_t pid = fork();
    if (pid == 0) {
        if (stdoutPath && !freopen(stdoutPath, "w", stdout))
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Run run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.peakKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool fill(const QString &path, int rows)
{
    QString error;
    if (!Schema::createDatabaseFile(path, &error) || !Database::open(path, &error, QStringLiteral("fill"))) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("fill")));
        // One statement makes every row inside the database: no per-row round trip.
        q.prepare(QStringLiteral(
            "with recursive n(i) as (select 1 union all select i+1 from n where i<?) "
            "insert into logs (time_begin,time_end,foe,ip,\"desc\") "
            "select datetime('2020-01-01','+'||(i*97)||' seconds'),"
            " case when i%50=0 then null else datetime('2020-01-01','+'||(i*97+i%7200)||' seconds') end,"
            " case when i%50=0 then 0 else 1 end,"
            // An address has one open row at most (logs_one_open): each open
            // row gets an address of its own.
            " case when i%50=0 then '10.1.'||(i/50/256%256)||'.'||(i/50%256)"
            " else '10.0.'||(i%200/10)||'.'||(i%10+1) end,"
            // Every thirteenth description would be a spreadsheet formula.
            " case when i%13=0 then '=' else '' end||'Узел \"'||(i%200)||'\", стойка '||(i%7) from n"));
        q.addBindValue(rows);
        if (!q.exec()) {
            std::fprintf(stderr, "fill: %s\n", qPrintable(q.lastError().text()));
            return false;
        }
    }
    Database::close(QStringLiteral("fill"));
    return true;
}

Run median(std::vector<Run> runs)
{
    std::sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) { return a.seconds < b.seconds; });
    Run m = runs[runs.size() / 2];
    for (const Run &r : runs)
        m.peakKb = std::max(m.peakKb, r.peakKb);
    return m;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    const QString tool = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                  : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin/orvant-export"));
    if (!QFileInfo(tool).isExecutable()) {
        std::fprintf(stderr, "orvant-export not found at %s\n", qPrintable(tool));
        return 2;
    }
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("ping_addr.mdb"));
    QElapsedTimer timer;
    timer.start();
    if (!fill(db, rows))
        return 1;
    std::printf("database of %d rows made in %.1f s (%.0f MB)\n", rows, timer.elapsed() / 1000.0,
                QFileInfo(db).size() / 1048576.0);

    const QByteArray out = dir.filePath(QStringLiteral("log.csv")).toLocal8Bit();
    std::vector<Run> runs;
    for (int i = 0; i < 3; ++i) {
        runs.push_back(measure({tool.toLocal8Bit(), "--db", db.toLocal8Bit(), out}, "/dev/null"));
        if (runs.back().status != 0) {
            std::fprintf(stderr, "orvant-export failed with status %d\n", runs.back().status);
            return 1;
        }
    }
    const Run r = median(runs);
    std::printf("orvant-export: %.2f s (median of 3), peak RSS %.1f MB, file %.0f MB  [targets < 10 s, < 100 MB]\n",
                r.seconds, r.peakKb / 1024.0, QFileInfo(QString::fromLocal8Bit(out)).size() / 1048576.0);

    const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (!sqlite.isEmpty()) {
        std::vector<Run> ref;
        for (int i = 0; i < 3; ++i)
            ref.push_back(measure({sqlite.toLocal8Bit(), "-csv", db.toLocal8Bit(),
                                   "select id,time_begin,time_end,unixepoch(time_end)-unixepoch(time_begin),"
                                   "\"desc\",ip from logs order by time_begin,id"},
                                  dir.filePath(QStringLiteral("ref.csv")).toLocal8Bit().constData()));
        const Run s = median(ref);
        std::printf("reference sqlite3 -csv: %.2f s, peak RSS %.1f MB\n", s.seconds, s.peakKb / 1024.0);
    }
    // admin's figures under the listing: one statement over the whole log.
    QString error;
    if (Database::open(db, &error, QStringLiteral("summary"))) {
        {
        const QSqlDatabase con = QSqlDatabase::database(QStringLiteral("summary"));
        for (const char *statement : {Statements::SelectLogSummary.sqlite, Statements::SelectLogForExport.sqlite}) {
            QSqlQuery plan(con);
            QString text;
            plan.prepare(QStringLiteral("explain query plan ") + QString::fromUtf8(statement));
            for (int i = 0; i < QString::fromUtf8(statement).count(QLatin1Char('?')); ++i)
                plan.addBindValue(i == 2 ? QVariant(0) : QVariant(QString()));
            if (plan.exec()) {
                while (plan.next())
                    text += QStringLiteral(" [%1]").arg(plan.value(3).toString());
            }
            std::printf("query plan of %.40s...:%s\n", statement, qPrintable(text));
        }
        std::vector<double> times;
        for (int i = 0; i < 3; ++i) {
            QSqlQuery q(con);
            QElapsedTimer t;
            t.start();
            if (!runStatement(q, Statements::SelectLogSummary) || !q.next()) {
                std::fprintf(stderr, "summary: %s\n", qPrintable(statementError(q)));
                break;
            }
            times.push_back(t.nsecsElapsed() / 1e6);
        }
        std::sort(times.begin(), times.end());
        if (!times.empty())
            std::printf("admin's log figures (one statement, off the UI thread): %.0f ms (median of 3)\n",
                        times[times.size() / 2]);
        }
        Database::close(QStringLiteral("summary"));
    }

    const bool met = r.seconds < 10 && r.peakKb < 100 * 1024;
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    return met ? 0 : 1;
}
