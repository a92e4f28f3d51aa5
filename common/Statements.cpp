#include "Statements.h"

namespace Statements {

QList<const char *> all()
{
    return {SelectOptions,        SelectAddressesForPass, SelectOpenOutagesOfAddress, SelectAllOpenOutages,
            CloseOutage,          InsertOutage,           SelectOpenOutagesForReport, UpdateOptions,
            SelectAddressesSorted, SelectAddressExists,   InsertAddress,              SelectAddress,
            UpdateAddress,        DeleteAddress,          SelectLogNewestFirst,       SelectLogFirstPage,
            SelectLogNextPage,    CountLog,
            DeleteLogBefore,      SelectDescriptions,     DropScratch,                CreateScratch,
            SelectClosedOutages,  InsertScratch,          SelectScratch};
}

} // namespace Statements
