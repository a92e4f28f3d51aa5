// Makes the shared database.
//
//   orvant-mkdb PATH/ping_addr.mdb
//       The file, from the schema template, only where none exists yet. The
//       build runs it for build/bin and the installation for its prefix: an
//       existing database is the operator's history and is left byte for
//       byte alone.
//   orvant-mkdb [--config FILE] [--copy-from PATH/ping_addr.mdb]
//       The tables in the PostgreSQL database orvant.conf names (by default
//       the one of the program directory), or a database file's rows copied
//       into it in one transaction.
#include "Database.h"
#include "DatabaseConfig.h"
#include "DatabaseCopy.h"
#include "Language.h"
#include "Schema.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <sys/stat.h>

namespace {

int fail(int code, const QString &text)
{
    QTextStream(stderr) << "orvant-mkdb: " << text << '\n';
    return code;
}

// Installed, the tool lies in libexec/ below the program directory; in a
// build it lies in tools/ beside bin/.
QString defaultConfigPath()
{
    const QDir here(QCoreApplication::applicationDirPath());
    const QStringList candidates = {here.filePath(QStringLiteral("../") + QLatin1String(DatabaseConfig::FileName)),
                                    here.filePath(QStringLiteral("../bin/") + QLatin1String(DatabaseConfig::FileName)),
                                    here.filePath(QLatin1String(DatabaseConfig::FileName))};
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QDir::cleanPath(candidate);
    }
    return QDir::cleanPath(candidates.first());
}

// The database and its journal files, as an earlier version may have left
// them: readable by every user of the machine. What other users may do is
// taken away; the owner's and the group's rights stay as they are.
void closeToOthers(const QString &path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty())
        return;
    for (const QString &file : {real, real + QStringLiteral("-wal"), real + QStringLiteral("-shm")}) {
        struct stat st = {};
        const QByteArray native = QFile::encodeName(file);
        if (::stat(native.constData(), &st) != 0 || !(st.st_mode & S_IRWXO))
            continue;
        if (::chmod(native.constData(), st.st_mode & 07770) == 0)
            QTextStream(stdout) << "closed " << file << " to other users (was "
                                << QString::number(st.st_mode & 07777, 8) << ")\n";
    }
}

int makeFile(const QString &path)
{
    if (QFileInfo::exists(path)) {
        QTextStream(stdout) << "kept existing database " << QFileInfo(path).absoluteFilePath() << '\n';
        closeToOthers(path);
        return 0;
    }
    QString error;
    if (!Schema::createDatabaseFile(path, &error))
        return fail(1, error);
    QTextStream(stdout) << "created database " << QFileInfo(path).absoluteFilePath() << '\n';
    return 0;
}

int onServer(const QString &configPath, const QString &copyFrom)
{
    if (!QFileInfo::exists(configPath))
        return fail(2, QStringLiteral("no configuration file %1: the server's database is named there "
                                      "(see --help)")
                           .arg(QDir::toNativeSeparators(configPath)));
    DatabaseConfig config;
    QString error;
    if (!DatabaseConfig::loadFile(configPath, &config, &error))
        return fail(1, error);
    if (!config.isServer())
        return fail(2, QStringLiteral("%1 names the database file %2, not a server: make a file with "
                                      "orvant-mkdb PATH/ping_addr.mdb")
                           .arg(QDir::toNativeSeparators(configPath), config.describe()));

    const QString serverConnection = QStringLiteral("server");
    Database::Options connectOnly;
    connectOnly.expectTables = false;
    if (!Database::open(config, connectOnly, &error, serverConnection, nullptr))
        return fail(1, error);
    int code = 0;
    if (copyFrom.isEmpty()) {
        if (Schema::createServerTables(QSqlDatabase::database(serverConnection, false), &error))
            QTextStream(stdout) << "created the tables in " << config.describe() << '\n';
        else
            code = fail(1, QStringLiteral("%1: %2").arg(config.describe(), error));
    } else {
        const QString fileConnection = QStringLiteral("file");
        // Opened as a program opens it, so a file of an earlier version is
        // brought up to date (duplicate open rows closed) before it is read.
        if (!Database::open(copyFrom, &error, fileConnection)) {
            code = fail(1, error);
        } else {
            DatabaseCopy::Counts counts;
            if (DatabaseCopy::copy(QSqlDatabase::database(fileConnection, false),
                                   QSqlDatabase::database(serverConnection, false), &counts, &error)) {
                QTextStream(stdout) << "copied from " << QFileInfo(copyFrom).absoluteFilePath() << " into "
                                    << config.describe() << ": " << counts.addresses << " rows of addrs, "
                                    << counts.outages << " rows of logs, " << counts.options
                                    << " rows of options\n";
            } else {
                code = fail(1, QStringLiteral("nothing copied into %1: %2").arg(config.describe(), error));
            }
        }
        Database::close(fileConnection);
    }
    Database::close(serverConnection);
    return code;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvant-mkdb"));
    // Database errors reach the operator in the desktop's language.
    Language::installOwnTextsForSystem(app);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Makes the Orvant database: a file where none exists, or the tables in the PostgreSQL "
                       "database orvant.conf names, or a copy of a file's rows there."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("config"),
                      QStringLiteral("orvant.conf naming the server's database (default: the program directory's)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("copy-from"),
                      QStringLiteral("Copy this database file's rows into the server's database, in one "
                                     "transaction, keys kept."),
                      QStringLiteral("FILE")});
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("The database file to make."),
                                 QStringLiteral("[PATH/ping_addr.mdb]"));
    if (!parser.parse(app.arguments()))
        return fail(2, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    const QStringList positional = parser.positionalArguments();
    const bool server = parser.isSet(QStringLiteral("config")) || parser.isSet(QStringLiteral("copy-from"));
    if (positional.size() == 1 && !server)
        return makeFile(positional.first());
    if (!positional.isEmpty())
        return fail(2, QStringLiteral("usage: orvant-mkdb PATH/ping_addr.mdb | orvant-mkdb [--config FILE] "
                                      "[--copy-from FILE]"));
    const QString configPath = parser.isSet(QStringLiteral("config")) ? parser.value(QStringLiteral("config"))
                                                                       : defaultConfigPath();
    return onServer(configPath, parser.value(QStringLiteral("copy-from")));
}
