#pragma once

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QString>

namespace grapher {

// The breakdown of a computation as plain text, and its file.
//
// One line per interval, "t-u: count" with CR LF, t and u the interval's
// start and its start plus the interval length, in the locale's time with
// seconds. The file holds the legend line, then the text as it stands in
// the box (including the operator's edits), in the system's encoding.
class BreakdownText
{
public:
    static QString compose(const QString &startTime, int intervalMin, const QList<int> &counts,
                           const QLocale &locale = QLocale::system());

    // The bytes of the file: legend, CR LF, then the text with every line
    // end made CR LF, encoded with the named encoding (UTF-8 when the name
    // is not one Qt can encode).
    static QByteArray fileBytes(const QString &legend, const QString &text,
                                const QByteArray &encoding = systemEncoding());

    // Writes fileBytes() to path, replacing an existing file only once the
    // new one is complete. On failure *error says why.
    static bool save(const QString &path, const QString &legend, const QString &text, QString *error,
                     const QByteArray &encoding = systemEncoding());

    // The encoding of the system locale (its LC_CTYPE code set). A plain
    // C/POSIX locale, which names ASCII and cannot hold Cyrillic, counts as
    // UTF-8, as Qt itself treats it.
    static QByteArray systemEncoding();
};

} // namespace grapher
