#include "valuation/FrmJiten.h"

#include "common/AppError.h"
#include "platform/QtUiServices.h"
#include "platform/Twips.h"
#include "platform/UiServices.h"
#include "state/ModGlobal.h"
#include "valuation/ListItemTips.h"
#include "valuation/RateLookup.h"
#include "valuation/ReferenceReadError.h"
#include "valuation/ReferenceTexts.h"

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
    setFixedSize(Tw(4575), Tw(3390));
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
    // Wide enough for the longest name with its rate ("神奈川県　+3.2%").
    PlaceTw(LstPref, 2280, 120, 2100, 2400);
    CmdOK = new QPushButton(QStringLiteral("戻る"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setToolTip(QStringLiteral("メイン画面に戻ります。"));
    PlaceTw(CmdOK, 3405, 2640, 975, 495);
    LblSource = new QLabel(this);
    LblSource->setObjectName(QStringLiteral("LblSource"));
    LblSource->setWordWrap(true);
    LblSource->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceTw(LblSource, 360, 1500, 1800, 1635);

    setTabOrder(CmdOK, LstPref);
    connect(CmdOK, &QPushButton::clicked, this, &FrmJiten::CmdOK_Click);
    CmdOK->setFocus(Qt::OtherFocusReason);
}

bool FrmJiten::load() {
    failed_ = false;
    std::vector<ReferenceItem> items;
    std::vector<std::optional<double>> rates;
    std::optional<DataSource> source;
    {
        SysDbSession session(g_, ui_, this);
        if (!session.ok()) {
            ui_.showError(this, session.failure());
            return false;
        }
        try {
            items = ReadReferenceItems(g_, kTable, QStringLiteral("都道府県名"));
        } catch (const AppError& e) {
            session.close();
            ui_.message(this, ReferenceReadFailedText(e, kTable), MsgIcon::Critical);
            return false;
        }
        for (const ReferenceItem& item : items) {
            // Read as "戻る" reads it, so the shown rate is the applied one. A rate that cannot be
            // read shows none here; choosing it gives the read's message on "戻る".
            try {
                rates.push_back(ModGetJitenRitu(g_, item.key));
            } catch (const AppError&) {
                rates.push_back(std::nullopt);
            }
        }
        try {
            source = SourceOf(ReadDataSources(g_), kTable);
        } catch (const AppError&) {
            // An older reference database has no データ出典: the dialog works without a source.
        }
    }
    if (items.empty()) {
        ui_.message(this, ReferenceTableEmptyText(kTable), MsgIcon::Critical);
        return false;
    }
    LstPref->clear();
    for (size_t i = 0; i < items.size(); ++i) {
        const ReferenceItem& item = items[i];
        const QString text = rates[i] ? PrefectureEntryText(item.text, *rates[i]) : item.text;
        // Each entry carries its own prefecture ID, whatever its place in the list.
        auto* entry = new QListWidgetItem(text, LstPref);
        entry->setData(Qt::UserRole, item.key);
    }
    LblSource->setText(source ? QStringLiteral("出典：") + source->source : QString());
    LblSource->setToolTip(source ? SourceDetail(*source) : QString());
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
        if (!session.ok()) {
            ui_.showError(this, session.failure());
            return;  // the user may try again or close
        }
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
