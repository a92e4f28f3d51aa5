#pragma once

#include <QSqlDatabase>
#include <QString>

// Copies a database file's rows into a server database (orvant-mkdb
// --copy-from), in one transaction on the server: either every row arrives,
// ids kept, or nothing changes.
//
// The server database may have no tables yet (they are made in the same
// transaction) or the fresh ones of orvant-mkdb; one holding any history or
// addresses of its own is refused, so two histories are never mixed.
class DatabaseCopy
{
public:
    struct Counts
    {
        qint64 addresses = 0;
        qint64 outages = 0;
        qint64 options = 0;
    };

    static bool copy(QSqlDatabase file, QSqlDatabase server, Counts *counts, QString *error);
};
