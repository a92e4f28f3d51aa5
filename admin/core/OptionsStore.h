#pragma once

#include "OptionsRecord.h"

#include <QString>

namespace admin {

// The settings row on the program's connection. On failure the calls return
// false with the reason in *error.
class OptionsStore
{
public:
    // The first row; a table without a row, or a column without a value, is
    // a failure (the settings dialog would otherwise show made-up values).
    static bool read(OptionsRecord *record, QString *error);
    // Writes every row: the table holds one.
    static bool save(const OptionsRecord &record, QString *error);
};

} // namespace admin
