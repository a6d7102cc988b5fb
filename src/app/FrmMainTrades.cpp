#include "app/FrmMain.h"
#include "platform/UiServices.h"
#include "records/FrmSouba.h"
#include "records/FrmTrades.h"
#include "report/ReportPrinter.h"
#include "state/ModGlobal.h"

namespace ie {

void FrmMain::mnuTradeImport_Click() {
    RunTradeImport(g_, ui_, this);
}

void FrmMain::mnuTradeList_Click() {
    FrmTrades view(g_, ui_, this);
    if (view.Form_Load())
        view.exec();
}

// The property on the worksheet against the imported trades.
void FrmMain::mnuSouba_Click() {
    FrmSouba view(g_, ui_, DefaultReportPrinter(), g_.Bukken, this);
    if (view.Form_Load())
        view.exec();
}

}  // namespace ie
