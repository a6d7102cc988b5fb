#include "valuation/FrmKaokuKozo.h"

#include "common/AppError.h"
#include "common/Formats.h"
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

// "鉄筋コンクリート造　1,039,008円/坪　耐用年数70年": what the choice applies, before it is chosen.
// A value the row lacks is left out rather than shown as 0.
QString StructureEntryText(const StructureRow& row) {
    QString text = row.name;
    if (row.tuboTanka)
        text += QStringLiteral("　%1円/坪").arg(FormatWhole(*row.tuboTanka));
    if (row.usefulLife)
        text += QStringLiteral("　耐用年数%1年").arg(*row.usefulLife);
    return text;
}

// "出典：…" with the row's note; empty when データ出典 has nothing for the table. The list works
// without it, so a missing or broken データ出典 only leaves the line out.
QString SourceText(ModGlobal& g) {
    std::optional<DataSource> source;
    try {
        source = SourceOf(ReadDataSources(g), kTable);
    } catch (const AppError&) {
        return QString();
    }
    if (!source)
        return QString();
    QString text = QStringLiteral("出典：") + source->source;
    if (!source->note.isEmpty())
        text += QLatin1Char('\n') + source->note;
    return text;
}

}  // namespace

FrmKaokuKozo::FrmKaokuKozo(ModGlobal& g, UiServices& ui, QWidget* parent)
    : QDialog(parent), g_(g), ui_(ui) {
    setObjectName(QStringLiteral("FrmKaokuKozo"));
    setWindowTitle(QStringLiteral("家屋坪単価参考値取得"));
    // Wide enough for the longest structure with its price and life on one line.
    setFixedSize(Tw(7200), Tw(4980));
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
    PlaceTw(LstKaokuKozo, 360, 600, 6480, 1980);
    LblSource = new QLabel(this);
    LblSource->setObjectName(QStringLiteral("LblSource"));
    LblSource->setWordWrap(true);
    LblSource->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceTw(LblSource, 360, 2700, 6480, 1440);
    CmdOK = new QPushButton(QStringLiteral("戻る"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setToolTip(QStringLiteral("メイン画面に戻ります。"));
    PlaceTw(CmdOK, 5865, 4260, 975, 495);

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
    structureAtLoad_ = g_.Bukken.KaokuKozoCD;
    session_ = std::make_unique<SysDbSession>(g_, ui_, this);
    if (!session_->ok()) {
        ui_.showError(this, session_->failure());
        session_.reset();
        return false;
    }
    StructureTable table;
    try {
        table = ReadStructureTable(g_);
    } catch (const AppError& e) {
        closeConnection();
        ui_.message(this, ReferenceReadFailedText(e, kTable), MsgIcon::Critical);
        return false;
    }
    // The list signals only after it is filled, so filling it looks nothing up.
    disconnect(LstKaokuKozo, nullptr, this, nullptr);
    LstKaokuKozo->clear();
    for (const StructureRow& row : table.rows) {
        // Each entry carries its own structure code, whatever its place in the list.
        auto* entry = new QListWidgetItem(StructureEntryText(row), LstKaokuKozo);
        entry->setData(Qt::UserRole, row.code);
    }
    LblSource->setText(SourceText(g_));
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
        g_.Bukken.KaokuKozoCD = code;
    } catch (const AppError& e) {
        closeConnection();
        g_.Bukken.KaokuTuboTanka = priceAtLoad_;
        g_.Bukken.KaokuKozoCD = structureAtLoad_;
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
