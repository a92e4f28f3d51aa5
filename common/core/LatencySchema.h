#pragma once

#include "Statements.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

// The tables of round trips and loss (see Statements.def), in the order
// they are made.
namespace LatencySchema {

QList<const Statements::Statement *> creates();

// Makes whatever of them is missing, in one transaction. True when all are there.
bool ensure(QSqlDatabase db, QString *error);

} // namespace LatencySchema
