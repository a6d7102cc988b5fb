#include "common/AppError.h"
#include "platform/IniFile.h"
#include "platform/UiServices.h"
#include "records/CalcBreakdown.h"
#include "records/FrmData.h"
#include "records/FrmHikaku.h"
#include "records/FrmSouba.h"
#include "records/PrintBatch.h"
#include "report/ReportPrinter.h"
#include "state/ModGlobal.h"
#include "state/PropertyStore.h"

#include <optional>

namespace ie {

// Prints the selected properties, one job each, then rebuilds the list with nothing selected.
// The breakdown page follows the choice last made in the preview; the reference data it needs is
// opened first, and a failed open (reported) prints nothing.
void FrmData::CmdPrint_Click() {
    const std::vector<qint32> ids = selectedIds();
    if (ids.empty()) {
        return;
    }
    ReportPrinter& printer = printer_ ? *printer_ : DefaultReportPrinter();
    BreakdownMaker breakdown;
    std::optional<SysDbSession> reference;
    if (ModReadBreakdownChoice(g_.IniFilePath)) {
        reference.emplace(g_, ui_, this);
        if (!reference->ok()) {
            return;
        }
        breakdown = [this](const BukkenJoho& rec) { return MakeBreakdown(g_, rec); };
    }
    if (!PrintSelectedBukken(this, ui_, printer, g_.UsrDbCon, ids, g_.Bukken, breakdown)) {
        return;
    }
    ShowBukkenList();
    setRowButtonsEnabled(false);
}

// Compares the selected properties, or every one when none is selected.
void FrmData::CmdHikaku_Click() {
    std::optional<std::vector<qint32>> ids;
    if (selectedCount_ > 0)
        ids = selectedIds();
    FrmHikaku view(g_, ui_, printer_ ? *printer_ : DefaultReportPrinter(), ids, this);
    if (view.Form_Load())
        view.exec();
}

// The first selected property against the imported trades; the worksheet is left as it is.
void FrmData::CmdSouba_Click() {
    const std::vector<qint32> ids = selectedIds();
    if (ids.empty())
        return;
    std::optional<StoredProperty> stored;
    try {
        stored = PropertyStore(g_.UsrDbCon).load(ids.front(), g_.Bukken, ui_.today());
    } catch (const AppError& e) {
        ui_.message(this,
                    QString::number(e.number()) + QLatin1Char('\r') + e.description() +
                        QLatin1Char('\r') + QStringLiteral("物件情報を読み込めませんでした。"),
                    MsgIcon::Critical);
        return;
    }
    if (!stored)
        return;
    FrmSouba view(g_, ui_, printer_ ? *printer_ : DefaultReportPrinter(), stored->record, this);
    if (view.Form_Load())
        view.exec();
}

}  // namespace ie
