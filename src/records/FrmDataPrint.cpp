#include "records/FrmData.h"
#include "records/PrintBatch.h"
#include "report/ReportPrinter.h"
#include "state/ModGlobal.h"

namespace ie {

// Prints the selected properties, one page job each, then rebuilds the list with nothing
// selected.
void FrmData::CmdPrint_Click() {
    const std::vector<qint32> ids = selectedIds();
    if (ids.empty()) {
        return;
    }
    ReportPrinter& printer = printer_ ? *printer_ : DefaultReportPrinter();
    if (!PrintSelectedBukken(this, ui_, printer, g_.UsrDbCon, ids, g_.Bukken)) {
        return;
    }
    ShowBukkenList();
    setRowButtonsEnabled(false);
}

}  // namespace ie
