// Not written yet: replaced by its owner.
#include "app/FrmMain.h"

namespace ie {

void FrmMain::CmdMemo_Click() {}
void FrmMain::mnuExport_Click() {}

}  // namespace ie
