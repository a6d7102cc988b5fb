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

#include <QButtonGroup>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace ie {

namespace {
const QString kTable = QStringLiteral("家屋構造別坪単価");
const QString kCostTable = QStringLiteral("都道府県別工事費用");

// "鉄筋コンクリート造　1,039,008円/坪　耐用年数70年": what the choice applies, before it is chosen.
// A value the row lacks is left out rather than shown as 0. With a house on the worksheet, what the
// structure makes of it follows: "築25年 残価率0.6625 → 12,345,678円".
QString StructureEntryText(const StructureRow& row, const QString& worked) {
    QString text = row.name;
    if (row.tuboTanka)
        text += QStringLiteral("　%1円/坪").arg(FormatWhole(*row.tuboTanka));
    if (row.usefulLife)
        text += QStringLiteral("　耐用年数%1年").arg(*row.usefulLife);
    if (!worked.isEmpty())
        text += QStringLiteral("　") + worked;
    return text;
}

// "出典：…" with the row's note; empty when データ出典 has nothing for the table. The list works
// without it, so a missing or broken データ出典 only leaves the line out.
QString SourceText(ModGlobal& g) {
    std::optional<DataSource> source;
    try {
        const std::vector<DataSource> all = ReadDataSources(g);
        source = SourceOf(all, kTable);
        if (const auto cost = SourceOf(all, kCostTable)) {
            QString text = QStringLiteral("出典：") + (source ? source->source : QString()) +
                           QStringLiteral("\n　　　") + cost->source;
            return text;
        }
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
    setFixedSize(Tw(7200), Tw(6240));
    setModal(true);
    setFont(WindowFont());
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    Label1 = new QLabel(QStringLiteral("家屋の構造を選択してください。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    PlaceTw(Label1, 360, 240, 2400, 180);
    LblGuide = new QLabel(
        QStringLiteral(
            "・構造は登記簿（全部事項証明書）か重要事項説明書に書かれています。\n"
            "・軽量鉄骨造はふつうのプレハブ住宅で、骨組みの鋼材の厚さが3mm以下です。\n"
            "・重量鉄骨造は鋼材の厚さが4mmを超えるものです。\n"
            "・「鉄骨造」とだけあって厚さがわからないときは、仲介会社に確かめてください。"),
        this);
    LblGuide->setObjectName(QStringLiteral("LblGuide"));
    {
        QFont small = LblGuide->font();
        small.setPointSizeF(8);
        LblGuide->setFont(small);
    }
    LblGuide->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceTw(LblGuide, 360, 480, 6480, 900);
    LstKaokuKozo = new QListWidget(this);
    LstKaokuKozo->setObjectName(QStringLiteral("LstKaokuKozo"));
    LstKaokuKozo->setSelectionMode(QAbstractItemView::SingleSelection);
    LstKaokuKozo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PlaceTw(LstKaokuKozo, 360, 1440, 6480, 1980);
    OptNational = new QRadioButton(this);
    OptNational->setObjectName(QStringLiteral("OptNational"));
    PlaceTw(OptNational, 360, 3480, 6480, 255);
    OptPrefecture = new QRadioButton(this);
    OptPrefecture->setObjectName(QStringLiteral("OptPrefecture"));
    PlaceTw(OptPrefecture, 360, 3780, 4440, 255);
    CboPrefecture = new QComboBox(this);
    CboPrefecture->setObjectName(QStringLiteral("CboPrefecture"));
    CboPrefecture->setToolTip(QStringLiteral("家屋のある都道府県を選択してください。"));
    PlaceTw(CboPrefecture, 4920, 3750, 1920, 315);
    auto* sources = new QButtonGroup(this);
    sources->addButton(OptNational);
    sources->addButton(OptPrefecture);
    OptNational->setChecked(true);
    LblSource = new QLabel(this);
    LblSource->setObjectName(QStringLiteral("LblSource"));
    LblSource->setWordWrap(true);
    LblSource->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlaceTw(LblSource, 360, 4200, 6480, 1200);
    CmdOK = new QPushButton(QStringLiteral("戻る"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setToolTip(QStringLiteral("メイン画面に戻ります。"));
    PlaceTw(CmdOK, 5865, 5520, 975, 495);

    setTabOrder(CmdOK, LstKaokuKozo);
    setTabOrder(LstKaokuKozo, OptNational);
    setTabOrder(OptNational, OptPrefecture);
    setTabOrder(OptPrefecture, CboPrefecture);
    connect(CmdOK, &QPushButton::clicked, this, &FrmKaokuKozo::CmdOK_Click);
    connect(OptNational, &QRadioButton::toggled, this, [this] {
        if (!filling_)
            applyChoice();
    });
    connect(CboPrefecture, &QComboBox::currentIndexChanged, this, [this] {
        if (filling_)
            return;
        g_.Bukken.ShozaiKen = CboPrefecture->currentText();
        showSources();
        applyChoice();
    });
    CmdOK->setFocus(Qt::OtherFocusReason);
}

FrmKaokuKozo::~FrmKaokuKozo() {
    closeConnection();
}

bool FrmKaokuKozo::load() {
    failed_ = false;
    priceAtLoad_ = g_.Bukken.KaokuTuboTanka;
    structureAtLoad_ = g_.Bukken.KaokuKozoCD;
    sourceAtLoad_ = g_.Bukken.KaokuTankaShutten;
    prefectureAtLoad_ = g_.Bukken.ShozaiKen;
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
    // The prefectures with a cost row; a missing or damaged table leaves the national price alone
    // (said once, here).
    QStringList prefectures;
    try {
        prefectures = ReadCostPrefectures(g_);
    } catch (const AppError& e) {
        ui_.message(this, ReferenceReadFailedText(e, kCostTable), MsgIcon::Exclamation);
    }
    filling_ = true;
    CboPrefecture->clear();
    CboPrefecture->addItems(prefectures);
    CboPrefecture->setCurrentIndex(CboPrefecture->findText(g_.Bukken.ShozaiKen));
    CboPrefecture->setEnabled(!prefectures.isEmpty());
    OptPrefecture->setChecked(g_.Bukken.KaokuTankaShutten.startsWith(QStringLiteral("都道府県")));
    OptNational->setChecked(!OptPrefecture->isChecked());
    filling_ = false;

    // The list signals only after it is filled, so filling it looks nothing up.
    disconnect(LstKaokuKozo, nullptr, this, nullptr);
    LstKaokuKozo->clear();
    for (const StructureRow& row : table.rows) {
        // What the structure makes of the worksheet's house, at the national price.
        QString worked;
        if (house_.tubo && row.tuboTanka && house_.built.isValid() && house_.valued.isValid()) {
            BukkenJoho copy = g_.Bukken;
            copy.KaokuDate = house_.built;
            copy.HyokaDate = house_.valued;
            copy.KaokuKozoCD = row.code;
            try {
                const auto rate = [this](qint32 c, qint32 age) -> std::optional<double> {
                    return HouseRemainingRate(g_, c, age);
                };
                const HouseInputTexts texts{QString::number(*row.tuboTanka, 'g', 17),
                                            QString::number(*house_.tubo, 'g', 17)};
                if (CalcHousePrice(copy, texts, rate, house_.count).done()) {
                    worked = QStringLiteral("築%1年 残価率%2 → %3円")
                                 .arg(copy.KeikaNensu)
                                 .arg(QString::number(copy.KeinenHoseiRitu, 'f', 4))
                                 .arg(FormatWhole(copy.KaokuKakaku));
                }
            } catch (const AppError&) {
                // The figure is a help only; the choice itself reports a broken table.
            }
        }
        // Each entry carries its own structure code, whatever its place in the list.
        auto* entry = new QListWidgetItem(StructureEntryText(row, worked), LstKaokuKozo);
        entry->setData(Qt::UserRole, row.code);
    }
    LblSource->setText(SourceText(g_));
    ShowCutItemsInTooltips(LstKaokuKozo);
    LstKaokuKozo->clearSelection();
    showSources();
    connect(LstKaokuKozo, &QListWidget::itemSelectionChanged, this,
            &FrmKaokuKozo::LstKaokuKozo_Click);
    CmdOK->setFocus(Qt::OtherFocusReason);
    return true;
}

qint32 FrmKaokuKozo::selectedCode() const {
    const auto selected = LstKaokuKozo->selectedItems();
    if (selected.isEmpty())
        return g_.Bukken.KaokuKozoCD;
    return static_cast<qint32>(selected.first()->data(Qt::UserRole).toLongLong());
}

std::optional<qint64> FrmKaokuKozo::prefecturePrice(qint32 code) {
    if (!session_ || CboPrefecture->currentIndex() < 0)
        return std::nullopt;
    try {
        return ModGetPrefectureTuboTanka(g_, CboPrefecture->currentText(), code);
    } catch (const AppError&) {
        return std::nullopt;  // reported when the list was filled, or by the choice
    }
}

void FrmKaokuKozo::showSources() {
    const qint32 code = selectedCode();
    QString national = NationalCostSource();
    if (session_ && code > 0) {
        try {
            national +=
                QStringLiteral("　%1円/坪").arg(FormatWhole(ModGetKaokuTuboTanka(g_, code)));
        } catch (const AppError&) {
        }
    }
    OptNational->setText(national);
    const QString prefecture = CboPrefecture->currentIndex() >= 0
                                   ? CboPrefecture->currentText()
                                   : QStringLiteral("（都道府県を選択）");
    QString local = PrefectureCostSource(prefecture);
    if (code > 0) {
        if (const auto price = prefecturePrice(code))
            local += QStringLiteral("　%1円/坪").arg(FormatWhole(double(*price)));
    }
    OptPrefecture->setText(local);
}

void FrmKaokuKozo::applyChoice() {
    if (!session_ || LstKaokuKozo->selectedItems().isEmpty())
        return;
    LstKaokuKozo_Click();
}

void FrmKaokuKozo::LstKaokuKozo_Click() {
    const auto selected = LstKaokuKozo->selectedItems();
    if (selected.isEmpty() || !session_)
        return;
    const auto code = static_cast<qint32>(selected.first()->data(Qt::UserRole).toLongLong());
    showSources();
    try {
        std::optional<qint64> local;
        if (OptPrefecture->isChecked()) {
            local = prefecturePrice(code);
            if (!local) {
                // No row for the prefecture (or none chosen): the national price, said so.
                ui_.message(this,
                            QStringLiteral("この都道府県の工事費用がないため、全国の坪単価を"
                                           "使います。"),
                            MsgIcon::Information);
                filling_ = true;
                OptNational->setChecked(true);
                filling_ = false;
            }
        }
        if (local) {
            g_.Bukken.KaokuTuboTanka = double(*local);
            g_.Bukken.KaokuTankaShutten = PrefectureCostSource(CboPrefecture->currentText());
        } else {
            g_.Bukken.KaokuTuboTanka = ModGetKaokuTuboTanka(g_, code);
            g_.Bukken.KaokuTankaShutten = NationalCostSource();
        }
        g_.Bukken.KaokuKozoCD = code;
    } catch (const AppError& e) {
        closeConnection();
        g_.Bukken.KaokuTuboTanka = priceAtLoad_;
        g_.Bukken.KaokuKozoCD = structureAtLoad_;
        g_.Bukken.KaokuTankaShutten = sourceAtLoad_;
        g_.Bukken.ShozaiKen = prefectureAtLoad_;
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
