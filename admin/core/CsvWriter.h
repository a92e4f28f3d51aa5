#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

class QIODevice;

namespace admin {

// Fields of the CSV files the suite writes (the outage log, the address
// book, availability, round trips): RFC 4180, UTF-8, a field in double
// quotes (its quotes doubled) when it holds a comma, a quote or a line break.
//
// A spreadsheet opening such a file runs a cell that starts with "=", "+",
// "-" or "@" as a formula, and a leading tab or carriage return can hide
// one; a description is typed by anyone who can reach admin or the book. Such
// a field is written with an apostrophe before it, inside double quotes
// ("'=1+1"), the guard spreadsheets honour: the cell shows the text and runs
// nothing. A text that already starts with apostrophes before such a
// character gets one more, so that CsvReader, which drops exactly one,
// gives back every stored text exactly.
namespace CsvWriter {

void appendField(QByteArray &line, const QString &text);
QByteArray field(const QString &text);

// Whether a text is written with the guard.
bool needsGuard(QStringView text);
// A quoted field as read, without the guard the writer put before it.
QString unguarded(const QString &field);

} // namespace CsvWriter

// The lines of an export, written to its device in writes of about 256 KiB:
// a file of millions of rows is neither held whole nor written line by line.
class CsvLines
{
public:
    CsvLines(QIODevice *out, const QByteArray &header);

    // The line being made: its fields go here (CsvWriter::appendField).
    QByteArray &line() { return m_buffer; }
    // Ends it; false, with the error, when a write failed.
    bool endLine(QString *error);
    // Writes what is still held.
    bool finish(QString *error);
    // The lines ended, the header not counted.
    qint64 count() const { return m_count; }

private:
    bool flush(QString *error);

    QIODevice *m_out;
    QByteArray m_buffer;
    qint64 m_count = 0;
};

} // namespace admin
