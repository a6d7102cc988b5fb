#pragma once

#include "valuation/OfficialLot.h"

#include <QString>

namespace ie {

struct ModGlobal;

// The 付表 of the official way and the 規模格差 constants, read whole from the reference database
// (SysDbCon open), with the quick way's 無道路地, 高圧線下 and 南道路 factors the official way
// keeps. A table that is missing, lacks a district or a column, holds a Null or a factor that is
// no hundredth, or bands out of order throws AppError; *table (when given) then names it.
official::Tables ReadOfficialTables(ModGlobal& g, QString* table = nullptr);

// The names of the tables, for the sources line.
QStringList OfficialTableNames();

}  // namespace ie
