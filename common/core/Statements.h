#pragma once

#include <QList>

// Every statement the suite sends to the shared database, in one list
// (Statements.def), each in its SQLite form and, where the server's dialect
// differs, its PostgreSQL form beside it.
//
// Callers name a statement (Statements::SelectOptions) and runStatement()
// picks the form of the query's connection.
namespace Statements {

enum class Dialect { Sqlite, Postgres };

struct Statement
{
    const char *name;
    const char *sqlite;   // null: not sent to SQLite
    const char *postgres; // null: not sent to the server

    // The text for one engine, or null when that engine never runs it.
    constexpr const char *text(Dialect dialect) const { return dialect == Dialect::Sqlite ? sqlite : postgres; }
};

namespace detail {
// SAME repeats the SQLite text for the server; NONE leaves a form out.
struct Same
{
};
struct None
{
};
constexpr const char *form(const char *text, const char *) { return text; }
constexpr const char *form(None, const char *) { return nullptr; }
constexpr const char *form(Same, const char *sqlite) { return sqlite; }
} // namespace detail

#define SAME ::Statements::detail::Same()
#define NONE ::Statements::detail::None()
#define STATEMENT(Name, Sqlite, Postgres)                                                                              \
    inline constexpr Statement Name{#Name, ::Statements::detail::form(Sqlite, nullptr),                               \
                                    ::Statements::detail::form(Postgres, ::Statements::detail::form(Sqlite, nullptr))};
#include "Statements.def"
#undef STATEMENT
#undef SAME
#undef NONE

// Every statement of the list, for the test that prepares each form against
// a real file and a real server.
QList<const Statement *> all();

} // namespace Statements
