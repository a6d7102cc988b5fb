// Not written yet: replaced by its owner.
#include "app/FrmMain.h"

namespace ie {

void FrmMain::CmdSave_Click() {}
void FrmMain::mnuSearch_Click() {}

}  // namespace ie
