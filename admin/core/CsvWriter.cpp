#include "CsvWriter.h"

#include <QCoreApplication>
#include <QIODevice>

namespace admin {

namespace CsvWriter {

namespace {

bool startsFormula(QChar c)
{
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

} // namespace

bool needsGuard(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u'\'')
        ++i;
    return i < text.size() && startsFormula(text.at(i));
}

QString unguarded(const QString &field)
{
    return field.startsWith(u'\'') && needsGuard(QStringView(field).sliced(1)) ? field.mid(1) : field;
}

void appendField(QByteArray &line, const QString &text)
{
    const bool guard = needsGuard(text);
    const QByteArray utf8 = text.toUtf8();
    bool quote = guard;
    for (qsizetype i = 0; !quote && i < utf8.size(); ++i) {
        const char c = utf8.at(i);
        quote = c == ',' || c == '"' || c == '\r' || c == '\n';
    }
    if (!quote) {
        line += utf8;
        return;
    }
    line += '"';
    if (guard)
        line += '\'';
    for (const char c : utf8) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

QByteArray field(const QString &text)
{
    QByteArray out;
    appendField(out, text);
    return out;
}

} // namespace CsvWriter

namespace {

constexpr qsizetype FlushAt = 256 * 1024;

} // namespace

CsvLines::CsvLines(QIODevice *out, const QByteArray &header)
    : m_out(out)
    , m_buffer(header)
{
    m_buffer.reserve(FlushAt + 64 * 1024);
}

bool CsvLines::endLine(QString *error)
{
    m_buffer += "\r\n";
    ++m_count;
    return m_buffer.size() < FlushAt || flush(error);
}

bool CsvLines::finish(QString *error)
{
    return flush(error);
}

bool CsvLines::flush(QString *error)
{
    if (m_out->write(m_buffer) != m_buffer.size()) {
        if (error)
            *error = QCoreApplication::translate("admin::CsvLines", "Не удалось записать файл: %1").arg(m_out->errorString());
        return false;
    }
    m_buffer.clear();
    return true;
}

} // namespace admin
