#include "app/FrmMain.h"

#include "records/CsvExport.h"
#include "records/FrmMemo.h"
#include "state/ModGlobal.h"

namespace ie {

void FrmMain::CmdMemo_Click() {
    // The dialog writes the record itself; nothing is read back here.
    FrmMemo memo(g_, ui_, this);
    memo.exec();
}

void FrmMain::mnuExport_Click() {
    RunCsvExport(g_, ui_, this);
}

}  // namespace ie
