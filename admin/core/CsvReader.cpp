#include "CsvReader.h"

#include "CsvWriter.h"

#include <QCoreApplication>

namespace admin {

CsvReader::CsvReader(const QString &text)
    : m_text(text)
{
}

bool CsvReader::next(Record *record)
{
    const qsizetype size = m_text.size();
    if (m_pos >= size)
        return false;
    *record = Record();
    record->line = m_line;
    QString field;
    bool fieldQuoted = false;
    // Only a quoted field can carry the writer's guard: an apostrophe typed
    // into an unquoted one stays.
    const auto endField = [&] {
        record->fields << (fieldQuoted ? CsvWriter::unguarded(field) : field);
        field.clear();
        fieldQuoted = false;
    };
    bool inQuotes = false;
    bool afterQuote = false; // a quoted field was closed; only , or a line end may follow
    const QChar *data = m_text.constData();
    while (m_pos < size) {
        const QChar c = data[m_pos];
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (m_pos + 1 < size && data[m_pos + 1] == QLatin1Char('"')) {
                    field += c;
                    m_pos += 2;
                    continue;
                }
                inQuotes = false;
                afterQuote = true;
                ++m_pos;
                continue;
            }
            // A line break inside quotes belongs to the field, as it was written.
            if (c == QLatin1Char('\n') || (c == QLatin1Char('\r') && !(m_pos + 1 < size && data[m_pos + 1] == QLatin1Char('\n'))))
                ++m_line;
            field += c;
            ++m_pos;
            continue;
        }
        if (c == QLatin1Char(',')) {
            endField();
            afterQuote = false;
            ++m_pos;
            continue;
        }
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            m_pos += (c == QLatin1Char('\r') && m_pos + 1 < size && data[m_pos + 1] == QLatin1Char('\n')) ? 2 : 1;
            ++m_line;
            endField();
            return true;
        }
        if (afterQuote) {
            if (record->error.isEmpty())
                record->error = QCoreApplication::translate("admin::CsvReader", "текст после закрывающей кавычки");
            ++m_pos;
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty()) {
            inQuotes = true;
            fieldQuoted = true;
            record->quoted = true;
            ++m_pos;
            continue;
        }
        // A quote inside an unquoted field is taken as a character, as
        // spreadsheets read it.
        field += c;
        ++m_pos;
    }
    if (inQuotes)
        record->error = QCoreApplication::translate("admin::CsvReader", "кавычка не закрыта до конца файла");
    endField();
    return true;
}

} // namespace admin
