#pragma once

#include <QDate>
#include <QString>

#include <functional>

class QIODevice;

namespace admin {

// The outage log as CSV, for a spreadsheet or another program:
//
//   id,begin,end,duration_s,description,address
//
// RFC 4180: comma-separated, CR LF line ends, a field in double quotes (its
// quotes doubled) when it holds a comma, a quote or a line break; UTF-8
// without a byte-order mark. A text a spreadsheet would run as a formula is
// written guarded (CsvWriter). Date-times are ISO 8601 local time
// (YYYY-MM-DDTHH:MM:SS) as stored; an open outage has an empty end and
// duration. Oldest outage first.
//
// Asked for (Filter::marks), two columns follow: quiet_reason and
// quiet_detail, why the outage rang no alarm as the monitor stored it
// (behind, flapping, muted, maintenance, unconfirmed; for behind the down
// parent), both empty for an outage that rang.
//
// The rows stream from one forward-only statement to the output a buffer at
// a time, so the log's size costs time, not memory. A file is written beside
// its final name and put in place only when complete: a failed or cancelled
// export leaves no file (and an older file of that name untouched).
class OutageExport
{
public:
    // Which outages: those that began on `from` or later and on `to` or
    // earlier (either unset: no bound), of one description when hostSet.
    struct Filter
    {
        QDate from;
        QDate to;
        bool hostSet = false;
        QString host;
        bool marks = false;  // the two columns of marks after the others
    };

    enum class Result { Written, Cancelled, Failed };

    // Called every ProgressStep rows with the rows written so far; false
    // cancels the export.
    using Progress = std::function<bool(qint64 rowsWritten)>;
    static constexpr qint64 ProgressStep = 1000;

    static QByteArray headerLine(bool marks = false);
    // One field as the file holds it (CsvWriter: formulas guarded).
    static QByteArray field(const QString &text);
    // A stored date-time in the file's form; other text stays as it is.
    static QString isoDateTime(const QString &stored);

    // The number of rows `filter` selects, for a progress bar. -1 and *error
    // on failure.
    static qint64 count(const Filter &filter, QString *error, const QString &connectionName = QString());

    // Writes the file at `path` with `write` (replacing one there only when
    // it returns Written); a device or a pipe is written in place. Every
    // export of the suite's CSV files goes through it.
    static Result writeFile(const QString &path, const std::function<Result(QIODevice *)> &write, QString *error);

    // Writes the file at `path` (replacing one there only on success).
    static Result toFile(const QString &path, const Filter &filter, const Progress &progress, QString *error,
                         qint64 *rows = nullptr, const QString &connectionName = QString());
    // Writes to an open device (standard output); what was written before a
    // failure stays written.
    static Result toDevice(QIODevice *out, const Filter &filter, const Progress &progress, QString *error,
                           qint64 *rows = nullptr, const QString &connectionName = QString());
};

} // namespace admin
