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
    // Every message in the desktop's language, the command-line parser's own included.
    Language::installOwnTextsForSystem(app);
    Language::installQtTextsForSystem(app);
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0.1"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "orvant-import",
        "Добавляет или обновляет адреса из файла CSV в списке адресов: address,description,timeout_ms,parent.\n"
        "Если отклонена хоть одна строка, ничего не записывается; каждая отклонённая строка названа по номеру."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("db"),
                      QCoreApplication::translate("orvant-import",
                                                  "Файл базы данных (по умолчанию база, названная в orvant.conf "
                                                  "рядом с программой, иначе ping_addr.mdb рядом с программой)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("dry-run"),
                      QCoreApplication::translate("orvant-import",
                                                  "Проверить файл и сказать, что изменится; ничего не записывать "
                                                  "(база открывается только для чтения).")});
    parser.addOption({QStringLiteral("replace"),
                      QCoreApplication::translate("orvant-import",
                                                  "Также удалить из списка адреса, которых нет в файле. Ввод, "
                                                  "последняя строка которого не кончается концом строки, считается "
                                                  "оборванным и не принимается.")});
    parser.addPositionalArgument(QStringLiteral("FILE.csv"),
                                 QCoreApplication::translate("orvant-import", "Файл CSV; - читает стандартный ввод."));
    if (!parser.parse(app.arguments()))
        return fail(2, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(2, QCoreApplication::translate("orvant-import",
                                                   "нужен один входной файл FILE.csv (- для стандартного ввода); "
                                                   "см. --help"));
    const QString input = positional.first();
    const bool dryRun = parser.isSet(QStringLiteral("dry-run"));
    const bool replace = parser.isSet(QStringLiteral("replace"));

    QFile file;
    const bool opened = input == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                    : (file.setFileName(input), file.open(QIODevice::ReadOnly));
    if (!opened)
        return fail(1, QCoreApplication::translate("orvant-import", "не удалось открыть файл %1: %2")
                           .arg(input, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(1, QCoreApplication::translate("orvant-import", "не удалось прочитать файл %1: %2")
                           .arg(input, file.errorString()));
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
    // A dry run reads only: a file of an older version stays as it is
    // (no upgrade), and a server session refuses any write.
    Database::Options options;
    options.readOnly = dryRun;
    if (!Database::open(database, options, &error, connection, nullptr))
        return fail(1, error);
    // No handle of the connection is kept: Database::close() removes it.
    const auto db = [&connection] { return QSqlDatabase::database(connection); };

    AddressImport::Book book;
    if (!AddressImport::readBook(db(), &book, &error)) {
        Database::close();
        return fail(1,
                    QCoreApplication::translate("orvant-import", "не удалось прочитать список адресов: %1").arg(error));
    }
    const AddressImport::Plan plan = AddressImport::plan(text, book, replace);
    QTextStream err(stderr);
    // A stream cut off mid-line (a writer killed, a copy that ran out of
    // disk) names only the first part of the book: replacing from it would
    // remove the rest, and its last line may be an address cut short.
    if (replace && plan.unterminatedLine > 0) {
        Database::close();
        return fail(2, QStringLiteral("%1: %2").arg(input, AddressImport::cutShortText(plan)));
    }
    if (plan.anyRefused()) {
        Database::close();
        const AddressImport::Line &first = plan.lines.constFirst();
        // Without its header no line can be read: one line says so.
        if (first.reason == AddressImport::Reason::BadHeader || first.reason == AddressImport::Reason::NoHeader)
            return fail(2, QCoreApplication::translate("orvant-import", "%1: %2; ничего не записано")
                               .arg(input, AddressImport::refusalText(first)));
        for (const AddressImport::Line &line : plan.lines) {
            if (line.kind == AddressImport::Kind::Refused)
                err << input << ": " << AddressImport::refusalText(line) << '\n';
        }
        err.flush(); // before the closing line, which goes through a stream of its own
        return fail(2, QCoreApplication::translate("orvant-import", "отклонено строк: %1; ничего не записано")
                           .arg(plan.count(AddressImport::Kind::Refused)));
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
            << QCoreApplication::translate("orvant-import", "проверка: будет добавлено %1, изменено %2, без "
                                                            "изменений %3, удалено %4; ничего не записано")
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
