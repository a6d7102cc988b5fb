#include "app/FrmMain.h"

#include "common/AppError.h"
#include "platform/UiServices.h"
#include "records/CalcBreakdown.h"
#include "records/FrmSouba.h"
#include "report/FrmPrint.h"
#include "report/ReportPrinter.h"
#include "state/ModGlobal.h"

#include <optional>

namespace ie {

// The preview of the current property's report, shown modally. The printer service is the
// program's one Qt instance (DefaultReportPrinter). The breakdown page is made from the reference
// data first; when that cannot be read (the open or the read has been reported) the preview offers
// page 1 alone.
void FrmMain::mnuPrint_Click() {
    std::optional<BreakdownContent> breakdown;
    {
        SysDbSession session(g_, ui_, this);
        if (!session.ok()) {
            ui_.showError(this, session.failure());
        } else {
            try {
                breakdown = MakeBreakdown(g_, g_.Bukken);
            } catch (const AppError& e) {
                ui_.message(
                    this,
                    e.withContext(
                         QStringLiteral("計算の内訳を作れないため、1ページ目だけを表示します。"))
                        .messageText(),
                    MsgIcon::Exclamation);
            }
        }
    }
    FrmPrint preview(globals().Bukken, std::move(breakdown), g_.IniFilePath, ui(),
                     DefaultReportPrinter(), this);
    preview.refuseOwnFiles([this](const QString& path) { return OwnFileAt(g_, path); });
    // 相場比較 when the property can be compared with imported trades; without them the report is
    // as it was.
    if (const std::optional<SoubaContent> souba = SoubaReportContent(g_, g_.Bukken, ui_.today()))
        preview.addSoubaPage(*souba);
    preview.exec();
}

}  // namespace ie
