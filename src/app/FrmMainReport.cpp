// Not written yet: replaced by its owner.
#include "app/FrmMain.h"

namespace ie {

void FrmMain::mnuPrint_Click() {}

}  // namespace ie
