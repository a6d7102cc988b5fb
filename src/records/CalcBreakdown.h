#pragma once

#include "report/Breakdown.h"

namespace ie {

struct BukkenJoho;
struct ModGlobal;

// The content of the report's second page for rec: the dates, the road price and the area; each
// lot factor looked up by its rank and the combined factor; the yearly rate and the days carried;
// the structure, the age and the remaining rate; both formulas with their figures; where the
// reference figures come from. The figures are worked out by the program's own calculations on a
// copy of rec, so that they are what a recalculation gives; where that differs from rec's result
// (page 1), the page says so. SysDbCon must be open. Throws AppError when a reference table cannot
// be read.
BreakdownContent MakeBreakdown(ModGlobal& g, const BukkenJoho& rec);

}  // namespace ie
