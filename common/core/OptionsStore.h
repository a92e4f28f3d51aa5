#pragma once

#include "OptionsRecord.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The settings row, read under one set of rules by the monitor and admin.
//
// A column that is missing, empty (NULL) or holds a value that cannot be
// used keeps its default (OptionsRecord) and is named in the problems, one
// text per column. What a caller does with a problem is its own choice: the
// monitor runs on the default and says so; admin refuses to show made-up
// values in its settings dialog.
class OptionsStore
{
public:

    // The first row. False (with *error set) when no row can be read at all:
    // the statement failed or the table is empty.
    static bool read(OptionsRecord *record, QStringList *problems, QString *error,
                     const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    // The same, with every problem a failure: *error names the column.
    static bool read(OptionsRecord *record, QString *error, const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    // Writes every row: the table holds one.
    static bool save(const OptionsRecord &record, QString *error, const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
};
