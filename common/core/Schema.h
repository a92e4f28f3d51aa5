#pragma once

#include "Statements.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The templates of the shared database: ping_addr.mdb (schema.sql) and the
// tables in a PostgreSQL database (schema-postgres.sql), compiled in as
// resources.
namespace Schema {

// A table or index added after the first three tables (SchemaSteps.def).
struct Step
{
    const char *object;                      // its name in the database
    const Statements::Statement *statement;  // what makes it
};
// Every step, in the order they are made.
QList<Step> steps();

// A template's statements, in order, comments removed.
QStringList statements(Statements::Dialect dialect = Statements::Dialect::Sqlite);

// Makes the suite's tables, with the starter rows, in an open server
// database, in one transaction. Refuses a database that already has any of
// them: it may hold a team's history.
bool createServerTables(QSqlDatabase db, QString *error);

// Makes a fresh database file from the template. Refuses (returns false with
// *error set) when a file already exists at path: an existing database is the
// operator's history and is never overwritten. The file is its owner's alone
// (0600), and so are the journal files SQLite makes beside it with its
// mode: an installation that shares it gives its group access by hand
// (orvant-setup), never the world.
bool createDatabaseFile(const QString &path, QString *error);

} // namespace Schema
