// orvant-export: the outage log as a CSV file, for a spreadsheet.
//
//   orvant-export [--from DATE] [--to DATE] [--host DESCRIPTION] [--marks] [--db FILE] OUTPUT.csv
//   orvant-export --addresses [--db FILE] OUTPUT.csv
//   orvant-export --latency [--host DESCRIPTION] [--from DATE] [--to DATE] [--db FILE] OUTPUT.csv
//   orvant-export --availability [--without-maintenance] [--from DATE] [--to DATE] [--db FILE] OUTPUT.csv
//
// The last form writes each host's availability over the time the monitor
// watched, from the start of --from to the end of --to (default: the 30 days
// up to today); --without-maintenance sets the hosts' planned work aside and
// adds its time as a last column.
//
// --marks adds why each outage rang no alarm (quiet_reason,quiet_detail).
// --addresses writes the address book instead, in the form orvant-import
// reads (address,description,timeout_ms,parent).
// OUTPUT "-" is standard output. The database is the ping_addr.mdb beside
// the program unless --db names another; it is only read. Exit 0 when the
// file is written, 1 when the database or the output failed, 2 for a wrong
// command line (a bad date included): with a message on stderr, and no file.
#include "AddressExport.h"
#include "Language.h"
#include "Database.h"
#include "LatencyExport.h"
#include "OutageExport.h"
#include "AvailabilityReport.h"
#include "Regional.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>

using admin::AddressExport;
using admin::OutageExport;

namespace {

int fail(int status, const QString &message)
{
    QTextStream(stderr) << "orvant-export: " << message << '\n';
    return status;
}

// A date as the operator types it: ISO, DD.MM.YYYY or the locale's short date.
bool readDate(const QCommandLineParser &parser, const QString &option, QDate *date, QString *message)
{
    if (!parser.isSet(option))
        return true;
    const QString text = parser.value(option);
    *date = Regional::readDate(text);
    if (date->isValid())
        return true;
    *message = QStringLiteral("--%1: not a date: \"%2\" (use YYYY-MM-DD)").arg(option, text);
    return false;
}

// The availability form: one statement pass, then the file at once (one
// row per host, so nothing to stream).
int writeAvailability(const QString &output, QDate from, QDate to, admin::AvailabilityReport::Maintenance maintenance)
{
    const QDate today = QDate::currentDate();
    if (!to.isValid())
        to = from.isValid() ? qMax(from, today) : today;
    if (!from.isValid())
        from = to.addDays(-29);
    admin::AvailabilityPeriod period;
    period.from = DateTimeText::toSeconds(from, QTime(0, 0));
    period.to = DateTimeText::toSeconds(to.addDays(1), QTime(0, 0));
    const auto now = DateTimeText::toSeconds(DateTimeText::fromDateTime(QDateTime::currentDateTime()));
    QString error;
    const auto hosts = admin::AvailabilityReport::compute(QSqlDatabase::database(), period, now.value_or(period.to),
                                                          &error, maintenance);
    if (!hosts)
        return fail(1, error);
    QByteArray data = admin::AvailabilityReport::csvHeader(maintenance);
    for (const admin::HostAvailability &h : *hosts)
        data += admin::AvailabilityReport::csvLine(h, maintenance);
    if (output == QLatin1String("-")) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || out.write(data) != data.size() || !out.flush())
            return fail(1, QStringLiteral("cannot write to standard output: %1").arg(out.errorString()));
        return 0;
    }
    QSaveFile out(output);
    if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.commit())
        return fail(1, QStringLiteral("cannot write %1: %2").arg(output, out.errorString()));
    QTextStream(stderr) << "orvant-export: " << hosts->size() << " hosts written to " << output << '\n';
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvant-export"));
    // Database errors reach the operator in the desktop's language.
    Language::installOwnTextsForSystem(app);
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0.1"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the outage log as CSV: id,begin,end,duration_s,description,address.\n"
        "Dates and times are local, YYYY-MM-DDTHH:MM:SS; an open outage has no end and no duration."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("from"), QStringLiteral("Only outages that began on DATE or later."),
                      QStringLiteral("DATE")});
    parser.addOption({QStringLiteral("to"), QStringLiteral("Only outages that began on DATE or earlier."),
                      QStringLiteral("DATE")});
    parser.addOption({QStringLiteral("availability"),
                      QStringLiteral("Write each host's availability over the watched time instead: "
                                     "address,description,watched_s,down_s,availability_pct,outages,longest_s,"
                                     "mean_down_s,mtbf_s,unwatched_s (from the start of --from to the end of --to; "
                                     "default the 30 days up to today).")});
    parser.addOption({QStringLiteral("marks"),
                      QStringLiteral("Two more columns: why an outage rang no alarm, quiet_reason,quiet_detail "
                                     "(empty for one that rang).")});
    parser.addOption({QStringLiteral("without-maintenance"),
                      QStringLiteral("With --availability: time inside a host's maintenance windows counts neither "
                                     "up nor down; a last column maintenance_s holds the watched time set aside.")});
    parser.addOption({QStringLiteral("host"), QStringLiteral("Only outages of the host with this description."),
                      QStringLiteral("DESCRIPTION")});
    parser.addOption({QStringLiteral("addresses"),
                      QStringLiteral("Write the address book instead: address,description,timeout_ms,parent, "
                                     "as orvant-import reads it.")});
    parser.addOption({QStringLiteral("db"),
                      QStringLiteral("The database file (default: the database orvant.conf beside the program names, "
                                     "else ping_addr.mdb beside the program)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("latency"),
                      QStringLiteral("Round trips and loss instead of outages: time,address,description,passes,sent,"
                                     "lost,rtt_min_ms,rtt_median_ms,rtt_p90_ms,rtt_max_ms.")});
    parser.addPositionalArgument(QStringLiteral("OUTPUT"), QStringLiteral("The CSV file to write, - for standard output."));
    if (!parser.parse(app.arguments()))
        return fail(2, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(2, QStringLiteral("one OUTPUT file expected (- for standard output); see --help"));
    const QString output = positional.first();

    const bool addresses = parser.isSet(QStringLiteral("addresses"));
    // One kind of file per run: a second kind asked for would be silently dropped.
    int kinds = 0;
    for (const char *kind : {"addresses", "availability", "latency"})
        kinds += parser.isSet(QLatin1String(kind)) ? 1 : 0;
    if (kinds > 1)
        return fail(2, QStringLiteral("--addresses, --availability and --latency each write a file of their own; "
                                      "give one of them"));
    for (const char *logOnly : {"from", "to", "host"}) {
        if (addresses && parser.isSet(QLatin1String(logOnly)))
            return fail(2, QStringLiteral("--%1 selects outages; the address book is written whole")
                               .arg(QLatin1String(logOnly)));
    }
    OutageExport::Filter filter;
    QString message;
    if (!readDate(parser, QStringLiteral("from"), &filter.from, &message)
        || !readDate(parser, QStringLiteral("to"), &filter.to, &message))
        return fail(2, message);
    if (filter.from.isValid() && filter.to.isValid() && filter.from > filter.to)
        return fail(2, QStringLiteral("--from %1 is after --to %2").arg(filter.from.toString(Qt::ISODate),
                                                                        filter.to.toString(Qt::ISODate)));
    const bool availability = parser.isSet(QStringLiteral("availability"));
    if (availability && parser.isSet(QStringLiteral("host")))
        return fail(2, QStringLiteral("--host does not go with --availability"));
    const bool latency = parser.isSet(QStringLiteral("latency"));
    filter.marks = parser.isSet(QStringLiteral("marks"));
    if (filter.marks && (addresses || availability || latency))
        return fail(2, QStringLiteral("--marks goes only with the outage log"));
    const bool withoutMaintenance = parser.isSet(QStringLiteral("without-maintenance"));
    if (withoutMaintenance && !availability)
        return fail(2, QStringLiteral("--without-maintenance goes only with --availability"));
    filter.hostSet = parser.isSet(QStringLiteral("host"));
    filter.host = parser.value(QStringLiteral("host"));

    QString error;
    DatabaseConfig database;
    if (parser.isSet(QStringLiteral("db")))
        database = DatabaseConfig::sqliteFile(parser.value(QStringLiteral("db")));
    else if (!DatabaseConfig::load(Database::programDirectory(), &database, &error))
        return fail(1, error);
    // Only reads: a file it may not write is no obstacle, and it upgrades nothing.
    Database::Options options;
    options.readOnly = true;
    if (!Database::open(database, options, &error, QLatin1String(QSqlDatabase::defaultConnection), nullptr))
        return fail(1, error);

    if (addresses) {
        int written = 0;
        bool ok = false;
        if (output == QLatin1String("-")) {
            QFile out;
            ok = out.open(stdout, QIODevice::WriteOnly) && AddressExport::toDevice(QSqlDatabase::database(), &out, &written, &error);
            if (!out.isOpen())
                error = out.errorString();
        } else {
            ok = AddressExport::toFile(QSqlDatabase::database(), output, &written, &error);
        }
        Database::close();
        if (!ok)
            return fail(1, error);
        if (output != QLatin1String("-"))
            QTextStream(stderr) << "orvant-export: " << written << " addresses written to " << output << '\n';
        return 0;
    }
    if (availability) {
        const int status = writeAvailability(output, filter.from, filter.to,
                                             withoutMaintenance ? admin::AvailabilityReport::Maintenance::SetAside
                                                                : admin::AvailabilityReport::Maintenance::Counted);
        Database::close();
        return status;
    }

    qint64 rows = 0;
    OutageExport::Result result;
    if (output == QLatin1String("-")) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly))
            return fail(1, QStringLiteral("cannot write to standard output: %1").arg(out.errorString()));
        result = latency ? admin::LatencyExport::toDevice(&out, filter, &error, &rows)
                         : OutageExport::toDevice(&out, filter, {}, &error, &rows);
        // A full disk or /dev/full is seen only when the last bytes go out,
        // however few: a failed flush or close is a failed export.
        if (result == OutageExport::Result::Written
            && (!out.flush() || out.error() != QFileDevice::NoError || std::fflush(stdout) != 0 || std::ferror(stdout)))
            return fail(1, QStringLiteral("cannot write to standard output: %1")
                               .arg(QString::fromLocal8Bit(std::strerror(errno))));
        out.close();
    } else {
        result = latency ? admin::LatencyExport::toFile(output, filter, &error, &rows)
                         : OutageExport::toFile(output, filter, {}, &error, &rows);
    }
    Database::close();
    if (result != OutageExport::Result::Written)
        return fail(1, error);
    if (output != QLatin1String("-"))
        QTextStream(stderr) << "orvant-export: " << rows << (latency ? " rows written to " : " outages written to ")
                            << output << '\n';
    return 0;
}
