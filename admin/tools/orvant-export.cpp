// orvant-export: the outage log as a CSV file, for a spreadsheet.
//
//   orvant-export [--from DATE] [--to DATE] [--host DESCRIPTION] [--marks] [--db FILE] OUTPUT.csv
//   orvant-export --addresses [--db FILE] OUTPUT.csv
//   orvant-export --latency [--host DESCRIPTION] [--from DATE] [--to DATE] [--db FILE] OUTPUT.csv
//   orvant-export --availability [--without-maintenance] [--from DATE] [--to DATE] [--db FILE] OUTPUT.csv
//   orvant-export --vantages [--from DATE] [--to DATE] OUTPUT.csv
//   orvant-export --paths [--from DATE] [--to DATE] [--host DESCRIPTION] [--db FILE] OUTPUT.csv
//
// The last form writes each host's availability over the time the monitor
// watched, from the start of --from to the end of --to (default: the 30 days
// up to today); --without-maintenance sets the hosts' planned work aside and
// adds its time as a last column.
//
// --marks adds why each outage rang no alarm (quiet_reason,quiet_detail).
// --addresses writes the address book instead, in the form orvant-import
// reads (address,description,timeout_ms,parent). --vantages writes each
// vantage point's own outages (vantage,address,description,begin,end,
// duration_s), which only a server database has. --paths writes the route
// traced when each outage began, a row per hop (outage_id,address,
// description,begin,hop,hop_address,rtt_ms; an unanswered hop has an empty
// hop_address and rtt_ms).
// OUTPUT "-" is standard output. The database is the ping_addr.mdb beside
// the program unless --db names another; it is only read. Exit 0 when the
// file is written, 1 when the database or the output failed, 2 for a wrong
// command line (a bad date included): with a message on stderr, and no file.
#include "AddressExport.h"
#include "Language.h"
#include "Database.h"
#include "LatencyExport.h"
#include "OutageExport.h"
#include "PathExport.h"
#include "VantageExport.h"
#include "VantageRecords.h"
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

void told(const QString &message)
{
    QTextStream(stderr) << "orvant-export: " << message << '\n';
}

int fail(int status, const QString &message)
{
    told(message);
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
    *message = QCoreApplication::translate("orvant-export", "--%1: не дата: «%2» (пишите ГГГГ-ММ-ДД)").arg(option, text);
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
            return fail(1, QCoreApplication::translate("orvant-export", "не удалось записать в стандартный вывод: %1")
                               .arg(out.errorString()));
        return 0;
    }
    QSaveFile out(output);
    if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.commit())
        return fail(1, QCoreApplication::translate("orvant-export", "не удалось записать %1: %2")
                           .arg(output, out.errorString()));
    told(QCoreApplication::translate("orvant-export", "записано адресов: %1 (%2)").arg(qint64(hosts->size())).arg(output));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvant-export"));
    // Every message reaches the operator in the desktop's language, the
    // command-line parser's own included.
    Language::installOwnTextsForSystem(app);
    Language::installQtTextsForSystem(app);
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0.1"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "orvant-export",
        "Записывает журнал сбоев в CSV: id,begin,end,duration_s,description,address.\n"
        "Дата и время местные, ГГГГ-ММ-ДДTЧЧ:ММ:СС; у продолжающегося сбоя нет конца и длительности."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("from"),
                      QCoreApplication::translate("orvant-export", "Только сбои, начавшиеся в день DATE или позже."),
                      QStringLiteral("DATE")});
    parser.addOption({QStringLiteral("to"),
                      QCoreApplication::translate("orvant-export", "Только сбои, начавшиеся в день DATE или раньше."),
                      QStringLiteral("DATE")});
    parser.addOption({QStringLiteral("availability"),
                      QCoreApplication::translate(
                          "orvant-export",
                          "Вместо журнала записать доступность каждого адреса за время наблюдения: "
                          "address,description,watched_s,down_s,availability_pct,outages,longest_s,"
                          "mean_down_s,mtbf_s,unwatched_s (с начала --from до конца --to; "
                          "по умолчанию 30 дней по сегодня включительно).")});
    parser.addOption({QStringLiteral("marks"),
                      QCoreApplication::translate("orvant-export",
                                                  "Ещё два столбца: почему сбой не поднял тревогу, "
                                                  "quiet_reason,quiet_detail (пусто, если поднял).")});
    parser.addOption({QStringLiteral("without-maintenance"),
                      QCoreApplication::translate(
                          "orvant-export",
                          "Вместе с --availability: время в окнах плановых работ адреса не считается ни "
                          "доступностью, ни сбоем; последний столбец maintenance_s — отложенное время "
                          "наблюдения.")});
    parser.addOption({QStringLiteral("host"),
                      QCoreApplication::translate("orvant-export", "Только сбои адреса с этим описанием."),
                      QStringLiteral("DESCRIPTION")});
    parser.addOption({QStringLiteral("addresses"),
                      QCoreApplication::translate("orvant-export",
                                                  "Вместо журнала записать список адресов: "
                                                  "address,description,timeout_ms,parent, как его читает "
                                                  "orvant-import.")});
    parser.addOption({QStringLiteral("db"),
                      QCoreApplication::translate("orvant-export",
                                                  "Файл базы данных (по умолчанию база, названная в orvant.conf "
                                                  "рядом с программой, иначе ping_addr.mdb рядом с программой)."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("latency"),
                      QCoreApplication::translate("orvant-export",
                                                  "Вместо сбоев записать задержки и потери: time,address,"
                                                  "description,passes,sent,lost,rtt_min_ms,rtt_median_ms,"
                                                  "rtt_p90_ms,rtt_max_ms.")});
    parser.addOption({QStringLiteral("vantages"),
                      QCoreApplication::translate("orvant-export",
                                                  "Вместо журнала записать сбои, которые видел каждый "
                                                  "наблюдательный пункт: vantage,address,description,begin,end,"
                                                  "duration_s (только база данных на сервере).")});
    parser.addOption({QStringLiteral("paths"),
                      QCoreApplication::translate("orvant-export",
                                                  "Вместо журнала записать путь до узла, прослеженный в начале "
                                                  "каждого сбоя, по строке на участок: outage_id,address,"
                                                  "description,begin,hop,hop_address,rtt_ms (у участка без "
                                                  "ответа hop_address и rtt_ms пусты).")});
    parser.addPositionalArgument(
        QStringLiteral("OUTPUT"),
        QCoreApplication::translate("orvant-export", "Файл CSV, в который писать; - для стандартного вывода."));
    if (!parser.parse(app.arguments()))
        return fail(2, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(2, QCoreApplication::translate("orvant-export",
                                                   "нужен один выходной файл OUTPUT (- для стандартного вывода); "
                                                   "см. --help"));
    const QString output = positional.first();

    const bool addresses = parser.isSet(QStringLiteral("addresses"));
    // One kind of file per run: a second kind asked for would be silently dropped.
    int kinds = 0;
    for (const char *kind : {"addresses", "availability", "latency", "vantages", "paths"})
        kinds += parser.isSet(QLatin1String(kind)) ? 1 : 0;
    if (kinds > 1)
        return fail(2, parser.isSet(QStringLiteral("paths"))
                           ? QCoreApplication::translate("orvant-export",
                                                         "--addresses, --availability, --latency, --vantages и "
                                                         "--paths пишут каждый свой файл; укажите один из них")
                           : QCoreApplication::translate("orvant-export",
                                                         "--addresses, --availability, --latency и --vantages пишут "
                                                         "каждый свой файл; укажите один из них"));
    for (const char *logOnly : {"from", "to", "host"}) {
        if (addresses && parser.isSet(QLatin1String(logOnly)))
            return fail(2, QCoreApplication::translate("orvant-export",
                                                       "--%1 отбирает сбои, а список адресов записывается целиком")
                               .arg(QLatin1String(logOnly)));
    }
    OutageExport::Filter filter;
    QString message;
    if (!readDate(parser, QStringLiteral("from"), &filter.from, &message)
        || !readDate(parser, QStringLiteral("to"), &filter.to, &message))
        return fail(2, message);
    if (filter.from.isValid() && filter.to.isValid() && filter.from > filter.to)
        return fail(2, QCoreApplication::translate("orvant-export", "--from %1 позже, чем --to %2")
                           .arg(filter.from.toString(Qt::ISODate), filter.to.toString(Qt::ISODate)));
    const bool availability = parser.isSet(QStringLiteral("availability"));
    if (availability && parser.isSet(QStringLiteral("host")))
        return fail(2, QCoreApplication::translate("orvant-export", "--host не сочетается с --availability"));
    const bool latency = parser.isSet(QStringLiteral("latency"));
    const bool vantages = parser.isSet(QStringLiteral("vantages"));
    if (vantages && parser.isSet(QStringLiteral("host")))
        return fail(2, QCoreApplication::translate("orvant-export", "--host не сочетается с --vantages"));
    const bool paths = parser.isSet(QStringLiteral("paths"));
    filter.marks = parser.isSet(QStringLiteral("marks"));
    if (filter.marks && (addresses || availability || latency || vantages || paths))
        return fail(2, QCoreApplication::translate("orvant-export", "--marks бывает только у журнала сбоев"));
    const bool withoutMaintenance = parser.isSet(QStringLiteral("without-maintenance"));
    if (withoutMaintenance && !availability)
        return fail(2, QCoreApplication::translate("orvant-export",
                                                   "--without-maintenance бывает только вместе с --availability"));
    filter.hostSet = parser.isSet(QStringLiteral("host"));
    filter.host = parser.value(QStringLiteral("host"));

    QString error;
    DatabaseConfig database;
    if (parser.isSet(QStringLiteral("db")))
        database = DatabaseConfig::sqliteFile(parser.value(QStringLiteral("db")));
    else if (!DatabaseConfig::load(Database::programDirectory(), &database, &error))
        return fail(1, error);
    if (vantages && !database.isServer())
        return fail(1, VantageRecords::onlyOnServerText(database.describe()));
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
            told(QCoreApplication::translate("orvant-export", "записано адресов: %1 (%2)").arg(written).arg(output));
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
            return fail(1, QCoreApplication::translate("orvant-export", "не удалось записать в стандартный вывод: %1")
                               .arg(out.errorString()));
        result = vantages  ? admin::VantageExport::toDevice(&out, filter, &error, &rows)
                 : paths   ? admin::PathExport::toDevice(&out, filter, &error, &rows)
                 : latency ? admin::LatencyExport::toDevice(&out, filter, &error, &rows)
                           : OutageExport::toDevice(&out, filter, {}, &error, &rows);
        // A full disk or /dev/full is seen only when the last bytes go out,
        // however few: a failed flush or close is a failed export.
        if (result == OutageExport::Result::Written
            && (!out.flush() || out.error() != QFileDevice::NoError || std::fflush(stdout) != 0 || std::ferror(stdout)))
            return fail(1, QCoreApplication::translate("orvant-export", "не удалось записать в стандартный вывод: %1")
                               .arg(QString::fromLocal8Bit(std::strerror(errno))));
        out.close();
    } else {
        result = vantages  ? admin::VantageExport::toFile(output, filter, &error, &rows)
                 : paths   ? admin::PathExport::toFile(output, filter, &error, &rows)
                 : latency ? admin::LatencyExport::toFile(output, filter, &error, &rows)
                           : OutageExport::toFile(output, filter, {}, &error, &rows);
    }
    Database::close();
    if (result != OutageExport::Result::Written)
        return fail(1, error);
    if (output != QLatin1String("-"))
        told((latency || vantages || paths ? QCoreApplication::translate("orvant-export", "записано строк: %1 (%2)")
                      : QCoreApplication::translate("orvant-export", "записано сбоев: %1 (%2)"))
                 .arg(rows)
                 .arg(output));
    return 0;
}
