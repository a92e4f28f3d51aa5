#pragma once

#include <QString>
#include <QVariant>

namespace admin {

// One row of the address book. The description and the timeout are kept as
// read, so a column without a value (NULL) stays distinguishable from an
// empty text or a zero.
struct AddressRecord
{
    QString ip;
    QVariant descript;
    QVariant pingTimeout;
};

} // namespace admin
