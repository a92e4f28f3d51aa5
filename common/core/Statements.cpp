#include "Statements.h"

namespace Statements {

QList<const Statement *> all()
{
#define SAME
#define NONE
#define STATEMENT(Name, Sqlite, Postgres) &Name,
    return {
#include "Statements.def"
    };
#undef STATEMENT
#undef NONE
#undef SAME
}

} // namespace Statements
