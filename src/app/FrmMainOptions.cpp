// The options and help-menu dialogs of the main window.
#include "app/FrmEnv.h"
#include "app/FrmMain.h"
#include "app/frmAbout.h"

namespace ie {

void FrmMain::mnuEnv_Click() {
    FrmEnv dialog(g_, ui_, this);
    dialog.exec();
}

void FrmMain::mnuVersion_Click() {
    frmAbout dialog(ui_, iconPicture(), this);
    dialog.exec();
}

}  // namespace ie
