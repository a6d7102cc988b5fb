// The main window's three reference buttons: each opens its dialog modally and, once it has
// closed, shows in its own field what the dialog left in the property record.
#include "app/FrmMain.h"

#include "common/AppError.h"
#include "common/AreaRule.h"
#include "common/Formats.h"
#include "platform/UiServices.h"
#include "state/ModGlobal.h"
#include "valuation/FrmJiten.h"
#include "valuation/FrmKakuti.h"
#include "valuation/FrmKaokuKozo.h"
#include "valuation/OfficialLotRecord.h"
#include "valuation/ReferenceReadError.h"

#include <QLineEdit>

namespace ie {

void FrmMain::CmdFeaMod_Click() {
    FrmKakuti dlg(g_, ui_, this);
    dlg.setWorksheet(TxtRosenka->text(), TxtTotiMenseki->text());
    if (!dlg.load())
        return;  // the reference database could not be read: nothing changes
    dlg.exec();
    if (dlg.failed())
        return;
    if (const std::optional<qint64> rosenka = dlg.rosenkaToShow()) {
        TxtRosenka->setText(FormatWhole(static_cast<double>(*rosenka)));
        rosenkaKept_ = static_cast<double>(*rosenka);
    }
    if (g_.Bukken.KakutiHoseiRitu != 0) {
        TxtKakuti->setText(FormatFixed2(g_.Bukken.KakutiHoseiRitu * 100));
    }
    ShowLandWarning();
}

void FrmMain::RefreshOfficialFactor() {
    BukkenJoho& b = g_.Bukken;
    if (b.LotMethod != kLotMethodOfficial)
        return;
    SysDbSession session(g_, ui_, this);
    if (!session.ok()) {
        ui_.showError(this, session.failure());
        return;
    }
    std::optional<qint64> rosenka;
    QString table;
    try {
        // A refusal (no area yet) leaves the factor as it was until it can be worked.
        if (!RefreshOfficialLot(g_, b, TxtRosenka->text(), TxtTotiMenseki->text(), &rosenka, &table)
                 .refusal.isEmpty())
            return;
    } catch (const AppError& e) {
        session.close();
        ui_.message(this, ReferenceReadFailedText(e, table), MsgIcon::Critical);
        return;
    }
    if (rosenka) {
        TxtRosenka->setText(FormatWhole(static_cast<double>(*rosenka)));
        rosenkaKept_ = static_cast<double>(*rosenka);
    }
    TxtKakuti->setText(FormatFixed2(b.KakutiHoseiRitu * 100));
    ShowLandWarning();
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
