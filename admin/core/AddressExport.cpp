#include "AddressExport.h"

#include "AddressImport.h"
#include "AddressText.h"
#include "CsvWriter.h"

#include <QSaveFile>

#include <algorithm>

namespace admin {

bool AddressExport::toDevice(QSqlDatabase db, QIODevice *out, int *rows, QString *error)
{
    AddressImport::Book book;
    if (!AddressImport::readBook(db, &book, error))
        return false;
    QList<std::pair<QByteArray, QString>> order;
    order.reserve(book.size());
    for (auto it = book.cbegin(); it != book.cend(); ++it)
        order.append({AddressText::sortKey(it.key()), it.key()});
    std::sort(order.begin(), order.end());
    QByteArray text = AddressImport::headerLine();
    for (const auto &[key, address] : std::as_const(order)) {
        const AddressImport::BookEntry &entry = book[address];
        text += CsvWriter::field(address) + ',' + CsvWriter::field(entry.descript.toString()) + ','
                + CsvWriter::field(entry.pingTimeout.toString()) + ',' + CsvWriter::field(entry.parent)
                + "\r\n";
    }
    if (out->write(text) != text.size()) {
        *error = out->errorString();
        return false;
    }
    if (rows)
        *rows = int(order.size());
    return true;
}

bool AddressExport::toFile(QSqlDatabase db, const QString &path, int *rows, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (!toDevice(db, &file, rows, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace admin
