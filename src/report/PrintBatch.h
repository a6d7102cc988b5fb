#pragma once

#include "platform/Database.h"

#include <vector>

class QWidget;

namespace ie {

struct BukkenJoho;
class ReportPrinter;
class UiServices;

// Prints the report of each selected row of the list as its own one-page job, after the question
// "選択物件n件を印刷しますか。" (caption "物件情報印刷", No the default). Each row passes through
// rec and its scratch photo file on its way to the page; afterwards both are exactly as before
// (the whole record, and the scratch file's bytes), so the property being edited is not replaced
// by the last one printed. A row that cannot be read or printed stops the batch with a message
// naming it; the rest stay unprinted. While it runs, window is disabled and the pointer is busy.
// Returns false when the user answered No (nothing done), true when the batch ran: the caller then
// closes the list's recordset and rebuilds the list.
bool PrintSelectedBukken(QWidget* window, UiServices& ui, ReportPrinter& printer, db::Recordset& rs,
                         const std::vector<db::Recordset::Bookmark>& bookmarks, BukkenJoho& rec);

}  // namespace ie
