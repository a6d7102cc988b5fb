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

#include <QGuiApplication>

#include <optional>

namespace ie {

namespace {

class BusyGuard {
public:
    explicit BusyGuard(QWidget* window) : window_(window) {
        if (window_)
            window_->setEnabled(false);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyGuard() {
        QGuiApplication::restoreOverrideCursor();
        if (window_)
            window_->setEnabled(true);
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    QWidget* window_;
};

QString FailureText(const AppError& e, qsizetype left) {
    QString text = e.context() + QStringLiteral("を印刷できませんでした。");
    if (!e.description().isEmpty())
        text += QLatin1Char('\r') + e.description();
    if (left > 0)
        text += QStringLiteral("\r残りの%1件は印刷していません。").arg(left);
    return text;
}

}  // namespace

bool PrintSelectedBukken(QWidget* window, UiServices& ui, ReportPrinter& printer,
                         db::Connection& con, const std::vector<qint32>& ids,
                         const BukkenJoho& current, const BreakdownMaker& makeBreakdown,
                         const StructureNamer& names) {
    const qsizetype n = static_cast<qsizetype>(ids.size());
    const QString question =
        QStringLiteral("選択物件") + QString::number(n) + QStringLiteral("件を印刷しますか。");
    if (ui.question(window, question, QStringLiteral("物件情報印刷"), Answer::No) == Answer::No) {
        return false;
    }

    // Each row's photo travels as bytes, never through the edited property's scratch file.
    BukkenJoho base = current;
    base.PicTempFile.clear();
    PropertyStore store(con);
    std::optional<QString> failure;
    {
        BusyGuard busy(window);
        for (qsizetype i = 0; i < n; ++i) {
            try {
                const PrintOutcome outcome =
                    PrintStoredRow(printer, store, ids[static_cast<std::size_t>(i)], base,
                                   ui.today(), makeBreakdown, names);
                if (outcome == PrintOutcome::NoPrinter)
                    ui.message(window, NoPrinterText(), MsgIcon::Exclamation);
            } catch (const AppError& e) {
                failure = FailureText(e, n - i - 1);
                break;
            }
        }
    }
    if (failure)
        ui.message(window, *failure, MsgIcon::Critical);
    return true;
}

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
            ui_.showError(this, reference->failure());
            return;
        }
        breakdown = [this](const BukkenJoho& rec) { return MakeBreakdown(g_, rec); };
    }
    if (!PrintSelectedBukken(this, ui_, printer, g_.UsrDbCon, ids, g_.Bukken, breakdown,
                             StructureNamesFrom(g_))) {
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
