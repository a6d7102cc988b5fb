#include "app/FrmMain.h"

#include "report/FrmPrint.h"
#include "report/ReportPrinter.h"
#include "state/ModGlobal.h"

namespace ie {

// The preview of the current property's report, shown modally. The printer service is the
// program's one Qt instance (DefaultReportPrinter).
void FrmMain::mnuPrint_Click() {
    FrmPrint preview(globals().Bukken, ui(), DefaultReportPrinter(), this);
    preview.exec();
}

}  // namespace ie
