#pragma once

#include <QSqlError>
#include <QSqlQuery>
#include <QString>

// The suite's one way to hand back a failure: a function returns false and,
// when the caller passed somewhere to put it (error may be null), the text.
inline bool failWith(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// After next() returned false: true when the result simply ended, false
// (the query's error set) when reading it failed. A failed step is never
// taken for "no row".
inline bool endedCleanly(const QSqlQuery &query)
{
    return !query.lastError().isValid();
}

// A value quoted into a message (a host name, a driver's text repeating
// it): enough of it to recognise, never a megabyte. Longer text is cut
// and ends in an ellipsis.
inline QString quotedInMessage(const QString &text, int keep = 200)
{
    return text.size() <= keep ? text : text.left(keep) + QChar(0x2026);
}
