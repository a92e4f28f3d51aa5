#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

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

} // namespace admin
