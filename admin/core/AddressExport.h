#pragma once

#include <QSqlDatabase>
#include <QString>

class QIODevice;

namespace admin {

// The address book as CSV in the form the import reads
// (address,description,timeout_ms,parent; RFC 4180, CR LF, UTF-8 without a
// byte-order mark), addresses in numeric order, so that exporting and
// importing again changes nothing. Stored values are written as they are: a
// description or timeout without a value is an empty cell.
class AddressExport
{
public:
    static bool toDevice(QSqlDatabase db, QIODevice *out, int *rows, QString *error);
    // Written beside its name and put in place only when complete.
    static bool toFile(QSqlDatabase db, const QString &path, int *rows, QString *error);
};

} // namespace admin
