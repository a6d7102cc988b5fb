#include "app/ModGlobal.h"
#include "records/FrmData.h"
#include "report/PrintBatch.h"
#include "report/ReportPrinter.h"

namespace ie {

// Prints the selected properties, one page job each (the batch puts the record and the scratch
// photo back afterwards), then rebuilds the list with nothing selected.
void FrmData::CmdPrint_Click() {
    const std::vector<db::Recordset::Bookmark> rows = selectedBookmarks();
    if (rows.empty()) {
        return;
    }
    ReportPrinter& printer = printer_ ? *printer_ : DefaultReportPrinter();
    if (!PrintSelectedBukken(this, ui_, printer, recordset(), rows, g_.Bukken)) {
        return;
    }
    recordset().close();
    ShowBukkenList();
    setRowButtonsEnabled(false);
}

}  // namespace ie
