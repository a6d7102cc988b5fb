// Not written yet: replaced by its owner.
#include "app/FrmMain.h"

namespace ie {

void FrmMain::CmdFeaMod_Click() {}
void FrmMain::CmdTimeMod_Click() {}
void FrmMain::CmdKaokuKozo_Click() {}

}  // namespace ie
