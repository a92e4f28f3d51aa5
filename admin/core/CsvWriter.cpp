#include "CsvWriter.h"

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

} // namespace admin
