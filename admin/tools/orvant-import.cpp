// orvant-import: addresses into the book from a CSV file.
//
//   orvant-import [--db FILE] [--dry-run] [--replace] FILE.csv
//
// The file is address,description,timeout_ms,parent (the header names the
// columns; the last two may be left out). Every line is checked before
// anything is written: one refused line and nothing is written at all, and
// each refused line is named with its line number (the header is line 1).
// Exit 0 when everything was written (or, with --dry-run, would be),
// 1 when the database or the file failed, 2 for a wrong command line or any
// refused line.
#include "AddressImport.h"
#include "Database.h"
#include "Language.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

using admin::AddressImport;

namespace {

int fail(int status, const QString &message)
{
    QTextStream(stderr) << "orvant-import: " << message << '\n';
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvant-import"));
    Language::installOwnTextsForSystem(app);
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0.1"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Adds or updates the addresses of a CSV file in the address book: address,description,timeout_ms,parent.\n"
        "Nothing is written when any line is refused; each refused line is named with its line number."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("db"),
                      QStringLiteral("The database file (default: the database orvant.conf beside the program names, "
                                     "else ping_addr.mdb beside the program)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("dry-run"), QStringLiteral("Check the file and tell what would change; write nothing.")});
    parser.addOption({QStringLiteral("replace"),
                      QStringLiteral("Also remove the addresses of the book that the file does not name.")});
    parser.addPositionalArgument(QStringLiteral("FILE.csv"), QStringLiteral("The CSV file to read, - for standard input."));
    if (!parser.parse(app.arguments()))
        return fail(2, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(2, QStringLiteral("one input FILE.csv expected (- for standard input); see --help"));
    const QString input = positional.first();
    const bool dryRun = parser.isSet(QStringLiteral("dry-run"));
    const bool replace = parser.isSet(QStringLiteral("replace"));

    QFile file;
    const bool opened = input == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                    : (file.setFileName(input), file.open(QIODevice::ReadOnly));
    if (!opened)
        return fail(1, QCoreApplication::translate("orvant-import", "не удалось открыть файл %1: %2").arg(input, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(1, QCoreApplication::translate("orvant-import", "не удалось прочитать файл %1: %2").arg(input, file.errorString()));
    QString text;
    QString error;
    if (!AddressImport::decode(bytes, &text, &error))
        return fail(1, QStringLiteral("%1: %2").arg(input, error));

    DatabaseConfig database;
    if (parser.isSet(QStringLiteral("db")))
        database = DatabaseConfig::sqliteFile(parser.value(QStringLiteral("db")));
    else if (!DatabaseConfig::load(Database::programDirectory(), &database, &error))
        return fail(1, error);
    const QString connection = QLatin1String(QSqlDatabase::defaultConnection);
    if (!Database::open(database, Database::Options(), &error, connection, nullptr))
        return fail(1, error);
    // No handle of the connection is kept: Database::close() removes it.
    const auto db = [&connection] { return QSqlDatabase::database(connection); };

    AddressImport::Book book;
    if (!AddressImport::readBook(db(), &book, &error)) {
        Database::close();
        return fail(1, QCoreApplication::translate("orvant-import", "не удалось прочитать список адресов: %1").arg(error));
    }
    const AddressImport::Plan plan = AddressImport::plan(text, book, replace);
    QTextStream err(stderr);
    if (plan.anyRefused()) {
        Database::close();
        for (const AddressImport::Line &line : plan.lines) {
            if (line.kind == AddressImport::Kind::Refused)
                err << input << ": " << AddressImport::refusalText(line) << '\n';
        }
        err.flush(); // before the closing line, which goes through a stream of its own
        return fail(2, QCoreApplication::translate("orvant-import", "отклонено строк: %1; ничего не записано").arg(plan.count(AddressImport::Kind::Refused)));
    }
    // An empty file (a spreadsheet export that failed, say) would empty the
    // book under --replace, with nobody asked.
    if (replace && plan.lines.isEmpty()) {
        Database::close();
        return fail(2, QCoreApplication::translate("orvant-import",
                                                   "в файле нет ни одного адреса: --replace удалил бы все адреса; "
                                                   "ничего не записано"));
    }
    const int added = plan.count(AddressImport::Kind::New);
    const int changed = plan.count(AddressImport::Kind::Changed);
    const int unchanged = plan.count(AddressImport::Kind::Unchanged);
    const int removed = int(plan.removals.size());
    if (dryRun) {
        Database::close();
        err << "orvant-import: "
            << QCoreApplication::translate("orvant-import", "проверка: будет добавлено %1, изменено %2, без изменений %3, удалено %4; ничего не записано")
                   .arg(added)
                   .arg(changed)
                   .arg(unchanged)
                   .arg(removed)
            << '\n';
        return 0;
    }
    AddressImport::Written written;
    const bool ok = AddressImport::apply(db(), plan, &written, &error);
    Database::close();
    if (!ok)
        return fail(1, QCoreApplication::translate("orvant-import", "ничего не записано: %1").arg(error));
    err << "orvant-import: "
        << QCoreApplication::translate("orvant-import", "добавлено %1, изменено %2, без изменений %3, удалено %4")
               .arg(written.added)
               .arg(written.changed)
               .arg(unchanged)
               .arg(written.removed)
        << '\n';
    return 0;
}
