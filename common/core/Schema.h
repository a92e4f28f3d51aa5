#pragma once

#include <QString>
#include <QStringList>

// The template of ping_addr.mdb (schema.sql, compiled in as a resource).
namespace Schema {

// The template's statements, in order, comments removed.
QStringList statements();

// Makes a fresh database file from the template. Refuses (returns false with
// *error set) when a file already exists at path: an existing database is the
// operator's history and is never overwritten.
bool createDatabaseFile(const QString &path, QString *error);

} // namespace Schema
