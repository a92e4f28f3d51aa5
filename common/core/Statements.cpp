#include "Statements.h"

namespace Statements {

QList<const char *> all()
{
    return {SelectOptions, SelectAddressesForPass, SelectAllOpenOutages, CloseOutage, InsertOutage,
            SelectOpenOutagesForReport, UpdateOptions, SelectAddressesSorted, SelectAddressExists,
            InsertAddress, SelectAddress, UpdateAddress, DeleteAddress, SelectLogFirstPage,
            SelectLogNextPage, DeleteLogBefore, SelectDescriptions, SelectClosedOutages};
}

} // namespace Statements
