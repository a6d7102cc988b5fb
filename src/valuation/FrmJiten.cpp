#include "valuation/FrmJiten.h"

#include "common/AppError.h"
#include "platform/QtUiServices.h"
#include "platform/Twips.h"
#include "platform/UiServices.h"
#include "state/ModGlobal.h"
#include "valuation/ListItemTips.h"
#include "valuation/RateLookup.h"
#include "valuation/ReferenceReadError.h"

#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace ie {

namespace {

const QString kTable = QStringLiteral("土地時点修正率");

}  // namespace

FrmJiten::FrmJiten(ModGlobal& g, UiServices& ui, QWidget* parent)
    : QDialog(parent), g_(g), ui_(ui) {
    setObjectName(QStringLiteral("FrmJiten"));
    setWindowTitle(QStringLiteral("地価変動率参考値取得"));
    setFixedSize(Tw(3885), Tw(3390));
    setModal(true);
    setFont(WindowFont());
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    LblPref = new QLabel(QStringLiteral("物件のある都道府県を"), this);
    LblPref->setObjectName(QStringLiteral("LblPref"));
    PlaceTw(LblPref, 360, 720, 1725, 180);
    Label1 = new QLabel(QStringLiteral("選択してしてください。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    PlaceTw(Label1, 360, 1080, 1650, 180);
    LstPref = new QListWidget(this);
    LstPref->setObjectName(QStringLiteral("LstPref"));
    LstPref->setToolTip(QStringLiteral("都道府県別地価変動率（参考値）を所得することができます。"));
    LstPref->setSelectionMode(QAbstractItemView::SingleSelection);
    LstPref->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PlaceTw(LstPref, 2280, 120, 1095, 2400);
    CmdOK = new QPushButton(QStringLiteral("戻る"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setToolTip(QStringLiteral("メイン画面に戻ります。"));
    PlaceTw(CmdOK, 2400, 2640, 975, 495);

    setTabOrder(CmdOK, LstPref);
    connect(CmdOK, &QPushButton::clicked, this, &FrmJiten::CmdOK_Click);
    CmdOK->setFocus(Qt::OtherFocusReason);
}

bool FrmJiten::load() {
    failed_ = false;
    std::vector<ReferenceItem> items;
    {
        SysDbSession session(g_, ui_, this);
        if (!session.ok())
            return false;
        try {
            items = ReadReferenceItems(g_, kTable, QStringLiteral("都道府県名"));
        } catch (const AppError& e) {
            session.close();
            ui_.message(this, ReferenceReadFailedText(e, kTable), MsgIcon::Critical);
            return false;
        }
    }
    if (items.empty()) {
        ui_.message(this, ReferenceTableEmptyText(kTable), MsgIcon::Critical);
        return false;
    }
    LstPref->clear();
    for (const ReferenceItem& item : items) {
        // Each entry carries its own prefecture ID, whatever its place in the list.
        auto* entry = new QListWidgetItem(item.text, LstPref);
        entry->setData(Qt::UserRole, item.key);
    }
    ShowCutItemsInTooltips(LstPref);
    LstPref->setCurrentRow(-1);
    LstPref->clearSelection();
    CmdOK->setFocus(Qt::OtherFocusReason);
    return true;
}

void FrmJiten::CmdOK_Click() {
    const auto selected = LstPref->selectedItems();
    if (selected.isEmpty()) {
        // Nothing chosen: the rate stays as it was, and there is nothing to read.
        accept();
        return;
    }
    const qint64 id = selected.first()->data(Qt::UserRole).toLongLong();
    double rate = 0;
    {
        SysDbSession session(g_, ui_, this);
        if (!session.ok())
            return;  // message shown; the user may try again or close
        try {
            rate = ModGetJitenRitu(g_, id);
        } catch (const AppError& e) {
            session.close();
            ui_.message(this, ReferenceReadFailedText(e, kTable), MsgIcon::Critical);
            failed_ = true;
            reject();
            return;
        }
    }
    g_.Bukken.ChikaHendoRitu = rate;
    accept();
}

}  // namespace ie
