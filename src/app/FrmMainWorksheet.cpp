// Not written yet: replaced by its owner.
#include "app/FrmMain.h"

namespace ie {

void FrmMain::setupWorksheet() {}
void FrmMain::ClearForm() {}
void FrmMain::DispForm() {}
void FrmMain::CmdCalcLandPrise_Click() {}
void FrmMain::CmdKaokuKeisan_Click() {}
void FrmMain::CmdClear_Click() {}

}  // namespace ie
