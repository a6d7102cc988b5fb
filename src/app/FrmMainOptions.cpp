// Not written yet: replaced by its owner.
#include "app/FrmMain.h"

namespace ie {

void FrmMain::mnuEnv_Click() {}
void FrmMain::mnuVersion_Click() {}

}  // namespace ie
