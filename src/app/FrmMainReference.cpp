// The main window's three reference buttons: each opens its dialog modally and, once it has
// closed, shows in its own field what the dialog left in the property record.
#include "app/FrmMain.h"

#include "common/AreaRule.h"
#include "common/Formats.h"
#include "state/ModGlobal.h"
#include "valuation/FrmJiten.h"
#include "valuation/FrmKakuti.h"
#include "valuation/FrmKaokuKozo.h"

#include <QLineEdit>

namespace ie {

void FrmMain::CmdFeaMod_Click() {
    FrmKakuti dlg(g_, ui_, this);
    if (!dlg.load())
        return;  // the reference database could not be read: nothing changes
    dlg.exec();
    if (dlg.failed())
        return;
    if (g_.Bukken.KakutiHoseiRitu != 0) {
        TxtKakuti->setText(FormatFixed2(g_.Bukken.KakutiHoseiRitu * 100));
    }
}

void FrmMain::CmdTimeMod_Click() {
    FrmJiten dlg(g_, ui_, this);
    if (!dlg.load())
        return;
    dlg.exec();
    if (dlg.failed())
        return;
    // Also after the close box: the field always shows the rate the record holds.
    TxtJiten->setText(PlainNumber(g_.Bukken.ChikaHendoRitu * 100));
}

void FrmMain::CmdKaokuKozo_Click() {
    FrmKaokuKozo dlg(g_, ui_, this);
    dlg.setHouse({ParseFloorArea(TxtKaokuTateTubo->text()), g_.Bukken.KaokuDate,
                  g_.Bukken.HyokaDate, ReadAgeCountSetting(g_.IniFilePath)});
    if (!dlg.load())
        return;
    dlg.exec();
    if (dlg.failed())
        return;
    if (g_.Bukken.KaokuTuboTanka != 0) {
        TxtKaokuTuboTanka->setText(FormatWhole(g_.Bukken.KaokuTuboTanka));
    }
    ShowKaokuKozo();
}

}  // namespace ie
