// The address book's bulk import and its listing filter at scale.
//
// Import: a file of N addresses (default 10,000; forty routers and the hosts
// behind them, descriptions with commas, quotes and Cyrillic) read, checked
// against the book and written in one transaction, on a fresh database file;
// then the same file again (every line unchanged, nothing written). For
// comparison in the same run, the same addresses added one statement at a
// time without a transaction, as adding them one by one does.
// Filter: the address listing's filter over the N addresses, a keystroke at
// a time, the slowest step.
//
// Usage: bench_import [addresses]
// Targets: import of 10,000 lines under 5 s; each filter step under 100 ms.
#include "AddressImport.h"
#include "AddressListModel.h"
#include "BenchFigures.h"
#include "Database.h"
#include "Schema.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

using namespace admin;

namespace {

QString csv(int count)
{
    QString text = QStringLiteral("address,description,timeout_ms,parent\r\n");
    for (int i = 0; i < count; ++i) {
        const QString address = QStringLiteral("10.%1.%2.%3").arg(i / 62500).arg(i / 250 % 250).arg(i % 250 + 1);
        const bool router = i % 250 == 0;
        const QString parent = router ? QString() : QStringLiteral("10.%1.%2.1").arg(i / 62500).arg(i / 250 % 250);
        text += QStringLiteral("%1,\"Хост %2, стойка \"\"%3\"\"\",%4,%5\r\n")
                    .arg(address)
                    .arg(i)
                    .arg(i % 40)
                    .arg(router ? 1000 : 500)
                    .arg(parent);
    }
    return text;
}

bool freshDatabase(const QTemporaryDir &dir, const QString &name, QString *error)
{
    const QString path = dir.filePath(name + QStringLiteral(".mdb"));
    return Schema::createDatabaseFile(path, error) && Database::open(path, error, name);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    QTemporaryDir dir;
    const QString text = csv(count);
    QString error;
    QList<double> firstRuns, againRuns, baselineRuns;
    for (int run = 0; run < 3; ++run) {
        const QString name = QStringLiteral("import%1").arg(run);
        if (!freshDatabase(dir, name, &error)) {
            std::fprintf(stderr, "bench_import: %s\n", qPrintable(error));
            return 1;
        }
        const QSqlDatabase db = QSqlDatabase::database(name);
        for (QList<double> *runs : {&firstRuns, &againRuns}) {
            QElapsedTimer timer;
            timer.start();
            AddressImport::Book book;
            AddressImport::Written written;
            if (!AddressImport::readBook(db, &book, &error)) {
                std::fprintf(stderr, "bench_import: %s\n", qPrintable(error));
                return 1;
            }
            const AddressImport::Plan plan = AddressImport::plan(text, book, false);
            if (plan.anyRefused() || !AddressImport::apply(db, plan, &written, &error)) {
                std::fprintf(stderr, "bench_import: refused %d, %s\n", plan.count(AddressImport::Kind::Refused),
                             qPrintable(error));
                return 1;
            }
            *runs << timer.elapsed() / 1000.0;
        }

        // The baseline: one statement per address, each its own transaction.
        const QString plain = QStringLiteral("plain%1").arg(run);
        if (!freshDatabase(dir, plain, &error))
            return 1;
        const QSqlDatabase pdb = QSqlDatabase::database(plain);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i) {
            QSqlQuery q(pdb);
            runStatement(q, Statements::InsertAddress,
                         {QStringLiteral("10.%1.%2.%3").arg(i / 62500).arg(i / 250 % 250).arg(i % 250 + 1),
                          QStringLiteral("Хост %1").arg(i), 500});
        }
        baselineRuns << timer.elapsed() / 1000.0;
    }
    std::printf("import of %d lines (median of 3): %.2f s first (target < 5 s), %.2f s again unchanged; "
                "baseline one insert per address: %.2f s\n",
                count, BenchFigures::median(firstRuns), BenchFigures::median(againRuns),
                BenchFigures::median(baselineRuns));

    // The filter, a keystroke at a time, over the book just written.
    QList<AddressListModel::Row> rows;
    if (!AddressListModel::load(QSqlDatabase::database(QStringLiteral("import0")), &rows, &error)) {
        std::fprintf(stderr, "bench_import: %s\n", qPrintable(error));
        return 1;
    }
    AddressListModel model;
    model.setRows(rows);
    AddressFilterModel filter;
    filter.setSourceModel(&model);
    QElapsedTimer sortTimer;
    sortTimer.start();
    filter.sort(AddressListModel::Address);
    const double sortMs = sortTimer.nsecsElapsed() / 1e6;
    double slowest = 0;
    int shown = 0;
    const QString typed = QStringLiteral("хост 99");
    for (int step = 1; step <= typed.size(); ++step) {
        QElapsedTimer timer;
        timer.start();
        filter.setFilterText(typed.left(step));
        shown = filter.rowCount();
        slowest = std::max(slowest, timer.nsecsElapsed() / 1e6);
    }
    QElapsedTimer clearTimer;
    clearTimer.start();
    filter.setFilterText(QString());
    const double clearMs = clearTimer.nsecsElapsed() / 1e6;
    std::printf("listing of %lld addresses: numeric sort %.1f ms; filter \"%s\" typed key by key: slowest step "
                "%.1f ms (target < 100 ms), %d rows left; cleared again %.1f ms\n",
                qlonglong(rows.size()), sortMs, qPrintable(typed), slowest, shown, clearMs);
    return 0;
}
