#include "app/FrmMain.h"

#include "app/CsvExportCommand.h"
#include "records/FrmMemo.h"
#include "state/ModGlobal.h"

#include <tuple>

namespace ie {

namespace {

// What the memo dialog may change: the texts and prices through 戻る, the photo at once.
auto MemoState(const BukkenJoho& b) {
    return std::make_tuple(b.Jusho, b.Kaisha, b.Tanto, b.Denwa, b.Biko, b.TotiHanbaiKakaku.raw(),
                           b.KaokuHanbaiKakaku.raw(), b.GokeiHanbaiKakaku.raw(), b.PicUmu,
                           b.PicFile);
}

}  // namespace

void FrmMain::CmdMemo_Click() {
    // The dialog writes the record itself; the window only notes whether it changed.
    const auto before = MemoState(g_.Bukken);
    {
        FrmMemo memo(g_, ui_, this);
        memo.exec();
    }
    if (MemoState(g_.Bukken) != before)
        unsaved_ = true;
}

void FrmMain::mnuExport_Click() {
    RunCsvExport(g_, ui_, this);
}

}  // namespace ie
