#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace admin {

// Reads RFC 4180 records from decoded text: fields separated by commas, a
// field in double quotes may hold commas, quotes (doubled) and line breaks.
// Lines end in CR LF, LF or a lone CR. Spreadsheets and hand-written files
// both stray from the letter of the RFC, so only what cannot be read
// unambiguously is an error: a quote left open to the end of the text, or
// text after a field's closing quote. The apostrophe CsvWriter puts before
// a text a spreadsheet would take for a formula, always inside quotes, is
// dropped from a quoted field, so a file the suite wrote reads back as it
// was stored.
class CsvReader
{
public:
    struct Record
    {
        int line = 0; // the line the record starts on, the first line being 1
        QStringList fields;
        QString error; // empty when the record was read cleanly
        // A line with nothing on it (not even a quoted empty field).
        bool blank() const { return error.isEmpty() && fields.size() == 1 && fields.first().isEmpty() && !quoted; }
        bool quoted = false;
    };

    explicit CsvReader(const QString &text);

    // The next record; false at the end of the text. After a quote left
    // open the rest of the text belonged to it: that record is the last.
    bool next(Record *record);

private:
    const QString m_text;
    qsizetype m_pos = 0;
    int m_line = 1;
};

} // namespace admin
