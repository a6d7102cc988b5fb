#pragma once

#include "report/Breakdown.h"

#include <QtGlobal>

#include <functional>
#include <vector>

class QWidget;

namespace ie {

struct BukkenJoho;
class ReportPrinter;
namespace db {
class Connection;
}
class UiServices;

// Prints the report of each selected row of the list as its own one-page job, after the question
// "選択物件n件を印刷しますか。" (caption "物件情報印刷", No the default). Each row is read into a
// record and photo of its own, laid over a copy of current (the property being edited), and handed
// to the report as values: current and its scratch photo file are never touched, even when the
// batch stops half-way. A row that cannot be read or printed stops the batch with a message naming
// it; the rest stay unprinted. While it runs, window is disabled and the pointer is busy. Returns
// false when the user answered No (nothing done), true when the batch ran: the caller then
// rebuilds the list. With makeBreakdown, each job gets the row's breakdown as its second page; a
// breakdown that cannot be made (AppError) stops the batch like a row that cannot be read.
using BreakdownMaker = std::function<BreakdownContent(const BukkenJoho& rec)>;
bool PrintSelectedBukken(QWidget* window, UiServices& ui, ReportPrinter& printer,
                         db::Connection& con, const std::vector<qint32>& ids,
                         const BukkenJoho& current, const BreakdownMaker& makeBreakdown = {});

}  // namespace ie
