#include "Statements.h"

namespace Statements {

QList<const char *> all()
{
    return {SelectOptions, SelectAddressesForPass, SelectAllOpenOutages, CloseOutage, InsertOutage,
            InsertOutageAt, CloseOutageOfAddress, SelectOpenOutagesForReport, SelectOneOpenIndex,
            BeginImmediate, Commit, Rollback, CloseDuplicateOpenOutages, CreateOneOpenIndex, DropOldOpenIndex, UpdateOptions, SelectAddressesSorted, SelectAddressExists,
            InsertAddress, SelectAddress, UpdateAddress, DeleteAddress, SelectLogFirstPage,
            SelectLogNextPage, DeleteLogBefore, SelectLogForExport, CountLogForExport, SelectLogSummary, SelectDescriptions, SelectClosedOutages};
}

} // namespace Statements
