#pragma once

#include "records/ListFigures.h"
#include "report/Breakdown.h"
#include "report/ReportPrinter.h"

#include <QtGlobal>

#include <functional>

class QDate;

namespace ie {

struct BukkenJoho;
class PropertyStore;

// Prints the report of the stored row id as its own one-page job. The row is read into a record and
// photo of its own, laid over a copy of base (the property being edited, its scratch photo file
// cleared), and handed to the report as values: the edited property is never touched. With
// makeBreakdown, the job gets the row's breakdown as its second page. A row that cannot be read,
// whose breakdown cannot be made (AppError) or whose job fails throws AppError with the reason as
// its description and the row's name ("「住所」の物件", or "物件ID n の物件") as its context.
// NoPrinter is returned, not thrown: the batch goes on to the next row. The page names the row's
// structure with names (by its code alone without them).
using BreakdownMaker = std::function<BreakdownContent(const BukkenJoho& rec)>;
PrintOutcome PrintStoredRow(ReportPrinter& printer, PropertyStore& store, qint32 id,
                            const BukkenJoho& base, const QDate& today,
                            const BreakdownMaker& makeBreakdown = {},
                            const StructureNamer& names = {});

}  // namespace ie
