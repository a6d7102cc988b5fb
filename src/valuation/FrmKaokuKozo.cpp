#include "valuation/FrmKaokuKozo.h"

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
const QString kTable = QStringLiteral("家屋構造別坪単価");
}

FrmKaokuKozo::FrmKaokuKozo(ModGlobal& g, UiServices& ui, QWidget* parent)
    : QDialog(parent), g_(g), ui_(ui) {
    setObjectName(QStringLiteral("FrmKaokuKozo"));
    setWindowTitle(QStringLiteral("家屋坪単価参考値取得"));
    setFixedSize(Tw(3420), Tw(2580));
    setModal(true);
    setFont(WindowFont());
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    Label1 = new QLabel(QStringLiteral("家屋の構造を選択してください。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    PlaceTw(Label1, 360, 240, 2400, 180);
    LstKaokuKozo = new QListWidget(this);
    LstKaokuKozo->setObjectName(QStringLiteral("LstKaokuKozo"));
    LstKaokuKozo->setSelectionMode(QAbstractItemView::SingleSelection);
    LstKaokuKozo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PlaceTw(LstKaokuKozo, 1200, 720, 1455, 780);
    CmdOK = new QPushButton(QStringLiteral("戻る"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setToolTip(QStringLiteral("メイン画面に戻ります。"));
    PlaceTw(CmdOK, 1680, 1800, 975, 495);

    setTabOrder(CmdOK, LstKaokuKozo);
    connect(CmdOK, &QPushButton::clicked, this, &FrmKaokuKozo::CmdOK_Click);
    CmdOK->setFocus(Qt::OtherFocusReason);
}

FrmKaokuKozo::~FrmKaokuKozo() {
    closeConnection();
}

bool FrmKaokuKozo::load() {
    failed_ = false;
    priceAtLoad_ = g_.Bukken.KaokuTuboTanka;
    session_ = std::make_unique<SysDbSession>(g_, ui_, this);
    if (!session_->ok()) {
        session_.reset();
        return false;
    }
    std::vector<ReferenceItem> items;
    try {
        items = ReadReferenceItems(g_, kTable, QStringLiteral("説明"));
    } catch (const AppError& e) {
        closeConnection();
        ui_.message(this, ReferenceReadFailedText(e, kTable), MsgIcon::Critical);
        return false;
    }
    // The list signals only after it is filled, so filling it looks nothing up.
    disconnect(LstKaokuKozo, nullptr, this, nullptr);
    LstKaokuKozo->clear();
    for (const ReferenceItem& item : items) {
        // Each entry carries its own structure code, whatever its place in the list.
        auto* entry = new QListWidgetItem(item.text, LstKaokuKozo);
        entry->setData(Qt::UserRole, item.key);
    }
    ShowCutItemsInTooltips(LstKaokuKozo);
    LstKaokuKozo->clearSelection();
    connect(LstKaokuKozo, &QListWidget::itemSelectionChanged, this,
            &FrmKaokuKozo::LstKaokuKozo_Click);
    CmdOK->setFocus(Qt::OtherFocusReason);
    return true;
}

void FrmKaokuKozo::LstKaokuKozo_Click() {
    const auto selected = LstKaokuKozo->selectedItems();
    if (selected.isEmpty() || !session_)
        return;
    const auto code = static_cast<qint32>(selected.first()->data(Qt::UserRole).toLongLong());
    try {
        g_.Bukken.KaokuTuboTanka = ModGetKaokuTuboTanka(g_, code);
    } catch (const AppError& e) {
        closeConnection();
        g_.Bukken.KaokuTuboTanka = priceAtLoad_;
        ui_.message(this, ReferenceReadFailedText(e, kTable), MsgIcon::Critical);
        failed_ = true;
        reject();
    }
}

void FrmKaokuKozo::CmdOK_Click() {
    closeConnection();
    accept();
}

void FrmKaokuKozo::done(int result) {
    closeConnection();
    QDialog::done(result);
}

void FrmKaokuKozo::closeConnection() {
    session_.reset();
}

}  // namespace ie
