#include "valuation/FrmKakuti.h"

#include "common/AppError.h"
#include "common/AreaRule.h"
#include "common/Formats.h"
#include "common/NumberRule.h"
#include "platform/FieldGuard.h"
#include "platform/IniFile.h"
#include "platform/QtUiServices.h"
#include "platform/Twips.h"
#include "platform/UiServices.h"
#include "state/BukkenJoho.h"
#include "state/ModGlobal.h"
#include "valuation/ListItemTips.h"
#include "valuation/LotCorrection.h"
#include "valuation/OfficialLotRecord.h"
#include "valuation/OfficialTables.h"
#include "valuation/RateLookup.h"
#include "valuation/ReferenceReadError.h"
#include "valuation/ReferenceTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include <cmath>
#include <iterator>
#include <optional>
#include <vector>

namespace ie {

namespace {

// A stored amount as the field shows it: nothing for 0, no grouping.
QString AmountText(double value) {
    return value > 0 ? PlainNumber(value) : QString();
}

QString PriceText(const Currency& price) {
    return price.raw() > 0 ? price.toPlainText() : QString();
}

// The way chosen last, for a new property: "1" the official way.
const QString kLotMethodOption = QStringLiteral("LOT_METHOD");

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int l, int t, int w,
                  int h) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    PlaceTw(label, l, t, w, h);
    return label;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& text, const QString& tip,
                     int l, int t, int w, int h) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(tip);
    PlaceTw(box, l, t, w, h);
    return box;
}

QListWidget* MakeList(QWidget* parent, const char* name, const QString& tip, int l, int t, int w,
                      int h) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setToolTip(tip);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PlaceTw(list, l, t, w, h);
    // A rank list always has a choice: a Ctrl+click must not leave it with none (rank -1 would
    // fall back to the table's last, harshest factor).
    QObject::connect(list, &QListWidget::itemSelectionChanged, list, [list] {
        if (list->selectedItems().isEmpty() && list->currentItem()) {
            list->currentItem()->setSelected(true);
        }
    });
    return list;
}

int SelectedRow(const QListWidget* list) {
    const auto items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.first());
}

// The group frames: rectangles in twips, each with a gap in its top edge under its title.
struct Group {
    int left, top, right, bottom;
};
constexpr Group kGroups[] = {
    {120, 240, 10200, 1680},
    {120, 1920, 10200, 2640},
    {120, 3000, 10200, 4320},
};

// A check box's factor follows its text, whatever the font makes of the text's width.
QLabel* MakeFactorLabel(QWidget* parent, const char* name, const QCheckBox* box) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(box->x() + box->sizeHint().width() + Tw(90), box->y(), Tw(660),
                       box->height());
    return label;
}

}  // namespace

FrmKakuti::FrmKakuti(ModGlobal& g, UiServices& ui, QWidget* parent)
    : QDialog(parent), g_(g), ui_(ui) {
    setObjectName(QStringLiteral("FrmKakuti"));
    setWindowTitle(QStringLiteral("敷地の状況"));
    setFixedSize(Tw(15600), Tw(10380));
    setModal(true);
    setFont(WindowFont());
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    // The two ways, one page each; the quick way's controls keep their places on their page.
    TabWay = new QTabBar(this);
    TabWay->setObjectName(QStringLiteral("TabWay"));
    TabWay->addTab(QStringLiteral("かんたん入力"));
    TabWay->addTab(QStringLiteral("財産評価基本通達で計算"));
    TabWay->setToolTip(
        QStringLiteral("かんたん入力は選択肢から、財産評価基本通達で計算は敷地の寸法と道路から補正"
                       "率を求めます。"));
    TabWay->setGeometry(Tw(120), Tw(60), Tw(9000), TabWay->sizeHint().height());
    StackWay = new QStackedWidget(this);
    StackWay->setObjectName(QStringLiteral("StackWay"));
    StackWay->setFocusPolicy(Qt::NoFocus);
    StackWay->setGeometry(0, TabWay->geometry().bottom() + 1, Tw(15600), Tw(9300));
    PageQuick = new QWidget(StackWay);
    PageQuick->setObjectName(QStringLiteral("PageQuick"));
    PageOfficial = new QWidget(StackWay);
    PageOfficial->setObjectName(QStringLiteral("PageOfficial"));
    StackWay->addWidget(PageQuick);
    StackWay->addWidget(PageOfficial);
    PageQuick->installEventFilter(this);

    Label1 =
        MakeLabel(PageQuick, "Label1", QStringLiteral("敷地と道路の関係"), 480, 120, 1395, 180);
    ChkSoku1 = MakeCheck(PageQuick, "ChkSoku1", QStringLiteral("側面が道路に面している"),
                         QStringLiteral("敷地の側面が道路に面しているときにチェックしてください。"),
                         240, 480, 2175, 375);
    ChkSoku2 = MakeCheck(PageQuick, "ChkSoku2", QStringLiteral("側面が道路に面している"),
                         QStringLiteral("敷地の側面が道路に面しているときにチェックしてください。"),
                         3600, 480, 2175, 375);
    ChkUra = MakeCheck(PageQuick, "ChkUra", QStringLiteral("裏側も道路に面している"),
                       QStringLiteral("敷地の裏側が道路に面している時にチェックしてください。"),
                       7140, 480, 2295, 375);
    ChkMudoro = MakeCheck(PageQuick, "ChkMudoro", QStringLiteral("道路に面していない"),
                          QStringLiteral("敷地が道路に面していない時にしぇっくしてください。"), 240,
                          1080, 1935, 480);
    ChkMaguti = MakeCheck(
        this, "ChkMaguti", QStringLiteral("道路に面している長さが4m未満"),
        QStringLiteral("敷地の道路に面している長さ（＝間口）が4m未満の場合に選択します。"), 3600,
        1080, 2775, 480);
    ChkMinami = MakeCheck(PageQuick, "ChkMinami", QStringLiteral("道路が敷地の南側にある"),
                          QString(), 7140, 1080, 2295, 480);
    Label2 = MakeLabel(PageQuick, "Label2", QStringLiteral("敷地の形"), 480, 1800, 720, 180);
    Label6 = MakeLabel(PageQuick, "Label6", QStringLiteral("奥行きが長い"), 240, 2160, 1035, 180);
    LstOkuyuki = MakeList(PageQuick, "LstOkuyuki", QStringLiteral("敷地が細長い場合に選択します。"),
                          1560, 2040, 2100, 420);
    Label7 = MakeLabel(PageQuick, "Label7", QStringLiteral("四角形でない"), 4320, 2160, 1035, 180);
    LstFuseikei =
        MakeList(PageQuick, "LstFuseikei", QStringLiteral("敷地が四角形でない場合に選択します。"),
                 6000, 2040, 2700, 420);
    Label3 = MakeLabel(PageQuick, "Label3", QStringLiteral("そのほか"), 480, 2880, 705, 180);
    Label4 = MakeLabel(PageQuick, "Label4", QStringLiteral("崖地の割合"), 240, 3240, 900, 180);
    LstGake = MakeList(PageQuick, "LstGake",
                       QStringLiteral("敷地内に崖地がある場合に割合を選択してください。"), 1680,
                       3120, 1500, 420);
    // The unit now follows the title: the list's entries end with their factors.
    Label5 = MakeLabel(PageQuick, "Label5", QStringLiteral("％"), 1140, 3240, 180, 180);
    ChkKoatu = MakeCheck(PageQuick, "ChkKoatu", QStringLiteral("高圧線の下"),
                         QStringLiteral("敷地が高圧線の下にある場合にチェックくしてください。"),
                         4680, 3120, 2175, 495);
    Label9 = MakeLabel(PageQuick, "Label9", QStringLiteral("その他"), 240, 3960, 525, 180);
    TxtSonota = new QLineEdit(PageQuick);
    TxtSonota->setObjectName(QStringLiteral("TxtSonota"));
    TxtSonota->setToolTip(QStringLiteral(
        "その他の状況でどうしても評価を修正したい場合に-99～100の範囲の数値を入力してください。"));
    TxtSonota->setAlignment(Qt::AlignCenter);
    TxtSonota->setMaxLength(3);
    PlaceTw(TxtSonota, 1680, 3840, 735, 375);
    Label8 = MakeLabel(PageQuick, "Label8", QStringLiteral("％"), 2520, 3960, 180, 180);
    CmdOk = new QPushButton(QStringLiteral("戻る"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdOk->setToolTip(QStringLiteral("メイン画面に戻ります。"));
    PlaceTw(CmdOk, 14160, 9780, 1215, 495);

    LblSoku1Hosei = MakeFactorLabel(PageQuick, "LblSoku1Hosei", ChkSoku1);
    LblSoku2Hosei = MakeFactorLabel(PageQuick, "LblSoku2Hosei", ChkSoku2);
    LblUraHosei = MakeFactorLabel(PageQuick, "LblUraHosei", ChkUra);
    LblMudoroHosei = MakeFactorLabel(PageQuick, "LblMudoroHosei", ChkMudoro);
    LblMagutiHosei = MakeFactorLabel(PageQuick, "LblMagutiHosei", ChkMaguti);
    LblMinamiHosei = MakeFactorLabel(PageQuick, "LblMinamiHosei", ChkMinami);
    LblKoatuHosei = MakeFactorLabel(PageQuick, "LblKoatuHosei", ChkKoatu);
    LblSonotaHosei = MakeLabel(PageQuick, "LblSonotaHosei", QString(), 2820, 3840, 5000, 375);
    LblGokei = MakeLabel(PageQuick, "LblGokei", QString(), 240, 4440, 8640, 300);
    LblSource = MakeLabel(PageQuick, "LblSource", QString(), 240, 4800, 8640, 900);
    LblSource->setWordWrap(true);
    LblSource->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Tab order 0 to 11.
    QWidget* order[] = {CmdOk,    ChkMudoro, ChkSoku1,   ChkUra,      ChkMaguti, LstGake,
                        ChkKoatu, ChkSoku2,  LstOkuyuki, LstFuseikei, TxtSonota, ChkMinami};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    buildOfficialPage();
    setTabOrder(ChkMinami, TabWay);
    connect(TabWay, &QTabBar::currentChanged, this, &FrmKakuti::switchWay);

    FieldGuard::attach(TxtSonota, [this] { TxtSonota_Validate(); });
    EnterMovesFocus(TxtSonota);
    connect(CmdOk, &QPushButton::clicked, this, &FrmKakuti::CmdOk_Click);
    for (QCheckBox* box : {ChkSoku1, ChkSoku2, ChkUra, ChkMudoro, ChkMaguti, ChkMinami, ChkKoatu})
        connect(box, &QCheckBox::toggled, this, &FrmKakuti::showCombined);
    for (QListWidget* list : {LstOkuyuki, LstFuseikei, LstGake})
        connect(list, &QListWidget::itemSelectionChanged, this, &FrmKakuti::showCombined);
    connect(TxtSonota, &QLineEdit::textChanged, this, [this] {
        LblSonotaHosei->setText(SonotaEffectText(TxtSonota->text()));
        showCombined();
    });

    CmdOk->setFocus(Qt::OtherFocusReason);
}

FrmKakuti::~FrmKakuti() {
    closeConnection();
}

bool FrmKakuti::load() {
    failed_ = false;
    loading_ = true;
    struct LoadingEnds {
        FrmKakuti* self;
        ~LoadingEnds() { self->loading_ = false; }
    } loadingEnds{this};
    session_ = std::make_unique<SysDbSession>(g_, ui_, this);
    if (!session_->ok()) {
        ui_.showError(this, session_->failure());
        session_.reset();
        return false;
    }

    struct Fill {
        QListWidget* list;
        const QLabel* title;  // names the list in messages
        const QString& table;
        const QString column;
        qint32 rank;
    };
    const Fill fills[] = {
        {LstGake, Label4, kGakeTable, QStringLiteral("数値下限"), g_.Bukken.GakeRank},
        {LstOkuyuki, Label6, kOkuyukiTable, QStringLiteral("説明"), g_.Bukken.OkuyukiRank},
        {LstFuseikei, Label7, kFuseikeiTable, QStringLiteral("説明"), g_.Bukken.FuseikeiRank},
    };
    QStringList lost;
    for (const Fill& f : fills) {
        QStringList items;
        try {
            items = ReadListItems(g_, f.table, f.column);
        } catch (const AppError& e) {
            closeConnection();
            ui_.message(this, ReferenceReadFailedText(e, f.table), MsgIcon::Critical);
            return false;
        }
        if (items.isEmpty()) {
            closeConnection();
            ui_.message(this, ReferenceTableEmptyText(f.table), MsgIcon::Critical);
            return false;
        }
        f.list->clear();
        for (int row = 0; row < items.size(); ++row) {
            // Each entry shows the factor that choosing it stores: the lookup "戻る" makes for
            // the rank it stands for. A factor that cannot be read shows none; "戻る" then gives
            // the read's message.
            QString text = items[row];
            try {
                text = FactorEntryText(text, ModGetHosei(g_, row, f.table));
            } catch (const AppError&) {
            }
            f.list->addItem(text);
        }
        ShowCutItemsInTooltips(f.list);
        // A saved choice the reference table no longer has: show the first item rather than
        // nothing, which would silently take the table's last factor.
        int row = f.rank;
        if (row < 0 || row >= f.list->count()) {
            row = 0;
            lost << QStringLiteral("「%1」").arg(f.title->text());
        }
        f.list->setCurrentRow(row);
    }

    // The official way's tables: without them that way cannot be chosen.
    tables_.reset();
    tablesError_.clear();
    QString officialTable;
    try {
        tables_ = ReadOfficialTables(g_, &officialTable);
    } catch (const AppError& e) {
        tablesError_ = ReferenceReadFailedText(e, officialTable);
    }

    const BukkenJoho& b = g_.Bukken;
    if (!worksheetGiven_) {
        rosenkaText_ = b.Rosenka.isZero() ? QString() : b.Rosenka.toPlainText();
        areaText_ = b.TotiMenseki > 0 ? QString::number(b.TotiMenseki, 'g', 17) : QString();
    }
    int way = b.LotMethod == kLotMethodOfficial ? 1 : 0;
    if (b.NewBukken && way == 0 && !g_.IniFilePath.isEmpty() &&
        ModReadOption(g_.IniFilePath, kLotMethodOption) == QStringLiteral("1"))
        way = 1;
    if (!tables_) {
        if (b.LotMethod == kLotMethodOfficial) {
            // The stored factor stays as it is.
            closeConnection();
            ui_.message(this, tablesError_, MsgIcon::Critical);
            return false;
        }
        way = 0;
    }
    TabWay->setTabEnabled(1, tables_.has_value());
    CboDistrict->setCurrentIndex(b.District == 1 ? 1 : 0);
    if (tables_) {
        CboDistrict->setItemText(0, tables_->districtName[0]);
        CboDistrict->setItemText(1, tables_->districtName[1]);
    }
    TxtFrontage->setText(AmountText(b.Frontage));
    TxtDepth->setText(AmountText(b.Depth));
    TxtAssumedArea->setText(AmountText(b.AssumedArea));
    TxtSide1Price->setText(PriceText(b.Side1Price));
    TxtSide1Depth->setText(AmountText(b.Side1Depth));
    CboSide1Kind->setCurrentIndex(b.Side1Kind == 1 ? 1 : 0);
    TxtSide1Contact->setText(AmountText(b.Side1Contact));
    TxtSide2Price->setText(PriceText(b.Side2Price));
    TxtSide2Depth->setText(AmountText(b.Side2Depth));
    CboSide2Kind->setCurrentIndex(b.Side2Kind == 1 ? 1 : 0);
    TxtSide2Contact->setText(AmountText(b.Side2Contact));
    TxtRearPrice->setText(PriceText(b.RearPrice));
    TxtRearDepth->setText(AmountText(b.RearDepth));
    TxtRearContact->setText(AmountText(b.RearContact));
    ChkMetro->setChecked(b.Metro != 0);
    ChkScaleExcluded->setChecked(b.ScaleExcluded != 0);
    TxtCliffShare->setText(AmountText(b.CliffShare));
    CboCliffFacing->setCurrentIndex(std::clamp(b.CliffFacing, 0, 3));
    TxtDangerShare->setText(AmountText(b.DangerShare));
    TxtSetback->setText(AmountText(b.SetbackArea));
    ChkOffMudoro->setChecked(b.MudoroRank != 0);
    ChkOffKoatu->setChecked(b.KoatuRank != 0);
    ChkOffMinami->setChecked(b.MinamiRank != 0);
    TxtOffSonota->setText(b.SonotaRank != 0 ? QString::number(b.SonotaRank) : QString());
    ChkMultiplier->setChecked(b.MultiplierArea != 0);
    TxtAssessed->setText(PriceText(b.AssessedValue));
    TxtMultiplier->setText(AmountText(b.MultiplierRate));
    TabWay->setCurrentIndex(way);
    StackWay->setCurrentIndex(way);

    ChkKoatu->setChecked(b.KoatuRank != 0);
    ChkSoku1->setChecked(b.Sokumen1Rank != 0);
    ChkSoku2->setChecked(b.Sokumen2Rank != 0);
    ChkUra->setChecked(b.UramenRank != 0);
    ChkMinami->setChecked(b.MinamiRank != 0);
    ChkMudoro->setChecked(b.MudoroRank != 0);
    ChkMaguti->setChecked(b.MaguchiRank != 0);
    TxtSonota->setText(b.SonotaRank != 0 ? QString::number(b.SonotaRank) : QString());

    showFactors();
    loading_ = false;
    showCombined();
    showOfficial();

    if (!lost.isEmpty()) {
        ui_.message(this,
                    QStringLiteral("保存されていた%1の選択肢は、参照データにもうありません。\r"
                                   "先頭の項目を選びましたので、選び直してください。")
                        .arg(lost.join(QStringLiteral("、"))),
                    MsgIcon::Exclamation);
    }
    CmdOk->setFocus(Qt::OtherFocusReason);
    return true;
}

void FrmKakuti::CmdOk_Click() {
    if (TabWay->currentIndex() == 1) {
        officialOk();
        return;
    }
    if (RoadChoiceConflicts(ChkSoku1->isChecked(), ChkSoku2->isChecked(), ChkUra->isChecked(),
                            ChkMaguti->isChecked(), ChkMinami->isChecked(),
                            ChkMudoro->isChecked())) {
        ui_.message(this,
                    QStringLiteral("「道路に面していない」と「道路に面している」を同時に選ぶことは"
                                   "できません。"),
                    MsgIcon::Exclamation);
        ChkMudoro->setChecked(false);
        return;
    }
    if (!session_)
        return;  // not loaded: nothing to look up with

    // Worked on a copy, so that a failed read leaves the record as it was.
    BukkenJoho rec = chosenRanks();
    QString table;
    bool emptyText = false;
    try {
        emptyText = ApplyLotChoices(g_, rec, TxtSonota->text(), &table);
    } catch (const AppError& e) {
        closeConnection();
        ui_.message(this, ReferenceReadFailedText(e, table), MsgIcon::Critical);
        failed_ = true;
        reject();
        return;
    }
    if (emptyText)
        TxtSonota->clear();
    rec.LotMethod = kLotMethodQuick;
    g_.Bukken = rec;
    if (!g_.IniFilePath.isEmpty())
        ModWriteOption(g_.IniFilePath, kLotMethodOption, QStringLiteral("0"));

    closeConnection();
    accept();
}

BukkenJoho FrmKakuti::chosenRanks() const {
    BukkenJoho rec = g_.Bukken;
    rec.GakeRank = SelectedRow(LstGake);
    rec.KoatuRank = ChkKoatu->isChecked() ? 1 : 0;
    rec.MudoroRank = ChkMudoro->isChecked() ? 1 : 0;
    rec.Sokumen1Rank = ChkSoku1->isChecked() ? 1 : 0;
    rec.Sokumen2Rank = ChkSoku2->isChecked() ? 1 : 0;
    rec.UramenRank = ChkUra->isChecked() ? 1 : 0;
    rec.MinamiRank = ChkMinami->isChecked() ? 1 : 0;
    rec.MaguchiRank = ChkMaguti->isChecked() ? 1 : 0;
    rec.FuseikeiRank = SelectedRow(LstFuseikei);
    rec.OkuyukiRank = SelectedRow(LstOkuyuki);
    return rec;
}

void FrmKakuti::showFactors() {
    std::vector<DataSource> sources;
    try {
        sources = ReadDataSources(g_);
    } catch (const AppError&) {
        // An older reference database has no データ出典: the dialog works without sources.
    }
    struct Box {
        QLabel* label;
        const QString& table;
    };
    const Box boxes[] = {
        {LblSoku1Hosei, kSokumen1Table}, {LblSoku2Hosei, kSokumen2Table},
        {LblUraHosei, kUramenTable},     {LblMudoroHosei, kMudoroTable},
        {LblMagutiHosei, kMaguchiTable}, {LblMinamiHosei, kMinamiTable},
        {LblKoatuHosei, kKoatuTable},
    };
    for (const Box& b : boxes) {
        // What a ticked box stores (rank 1). A table that cannot be read shows nothing here;
        // "戻る" gives its message.
        QString text;
        try {
            text = FactorText(ModGetHosei(g_, 1, b.table));
        } catch (const AppError&) {
        }
        b.label->setText(text);
        const std::optional<DataSource> source = SourceOf(sources, b.table);
        b.label->setToolTip(source ? SourceDetail(*source) : QString());
    }
    LblSonotaHosei->setText(SonotaEffectText(TxtSonota->text()));
    LblSource->setText(SourceLine(
        sources, {kSokumen1Table, kSokumen2Table, kUramenTable, kMaguchiTable, kMudoroTable,
                  kKoatuTable, kOkuyukiTable, kFuseikeiTable, kGakeTable, kMinamiTable}));
}

void FrmKakuti::showCombined() {
    if (loading_ || !session_)
        return;
    const QString title = QStringLiteral("合わせた補正率　");
    if (RoadChoiceConflicts(ChkSoku1->isChecked(), ChkSoku2->isChecked(), ChkUra->isChecked(),
                            ChkMaguti->isChecked(), ChkMinami->isChecked(),
                            ChkMudoro->isChecked())) {
        LblGokei->setText(title +
                          QStringLiteral("―（「道路に面していない」と道路に面する項目は同時に"
                                         "選べません）"));
        return;
    }
    BukkenJoho rec = chosenRanks();
    try {
        ApplyLotChoices(g_, rec, TxtSonota->text());
    } catch (const AppError&) {
        LblGokei->setText(title + QStringLiteral("―（参照データを読めないため計算できません）"));
        return;
    }
    LblGokei->setText(title + CombinedFactorText(rec.KakutiHoseiRitu) +
                      QStringLiteral("（［戻る］で③の欄に入ります）"));
}

void FrmKakuti::TxtSonota_Validate() {
    if (!IsNumeric(TxtSonota->text()))
        TxtSonota->clear();
}

void FrmKakuti::done(int result) {
    closeConnection();
    QDialog::done(result);
}

void FrmKakuti::closeConnection() {
    session_.reset();
}

bool FrmKakuti::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PageQuick && event->type() == QEvent::Paint) {
        paintQuickFrames();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void FrmKakuti::paintQuickFrames() {
    QPainter p(PageQuick);
    p.setPen(palette().color(QPalette::WindowText));
    const QLabel* titles[] = {Label1, Label2, Label3};
    for (size_t i = 0; i < std::size(kGroups); ++i) {
        const Group& gr = kGroups[i];
        const int l = Tw(gr.left), t = Tw(gr.top), r = Tw(gr.right), b = Tw(gr.bottom);
        // The title stands in the gap; it is a little wider than its text.
        const int gapFrom = titles[i]->x() - 2;
        const int gapTo = titles[i]->x() + titles[i]->sizeHint().width() + 2;
        p.drawLine(l, t, gapFrom, t);
        p.drawLine(gapTo, t, r, t);
        p.drawLine(r, t, r, b);
        p.drawLine(r, b, l, b);
        p.drawLine(l, b, l, t);
    }
}

}  // namespace ie

// ---- the official way

namespace ie {

namespace {

QLineEdit* MakeAmount(QWidget* parent, const char* name, const QString& tip) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setToolTip(tip);
    field->setAlignment(Qt::AlignRight);
    field->setMaxLength(16);
    EnterMovesFocus(field);
    return field;
}

QComboBox* MakeChoice(QWidget* parent, const char* name, const QStringList& items) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->addItems(items);
    return box;
}

QLabel* Caption(QWidget* parent, const QString& text) {
    return new QLabel(text, parent);
}

}  // namespace

void FrmKakuti::setWorksheet(const QString& rosenkaText, const QString& areaText) {
    rosenkaText_ = rosenkaText;
    areaText_ = areaText;
    worksheetGiven_ = true;
}

void FrmKakuti::buildOfficialPage() {
    QWidget* p = PageOfficial;
    const QStringList kinds{QStringLiteral("角地"), QStringLiteral("準角地")};
    CboDistrict =
        MakeChoice(p, "CboDistrict",
                   {QStringLiteral("普通住宅地区"), QStringLiteral("普通商業・併用住宅地区")});
    CboDistrict->setToolTip(
        QStringLiteral("路線価図で路線価を囲む記号の地区です（無印は普通住宅地区、"
                       "楕円などは普通商業・併用住宅地区）。"));
    LblOffRosenka = new QLabel(p);
    LblOffRosenka->setObjectName(QStringLiteral("LblOffRosenka"));
    LblOffRosenka->setWordWrap(true);
    const QString lengthTip = QStringLiteral("メートル単位で、小数点以下2桁まで入力します。");
    TxtFrontage = MakeAmount(p, "TxtFrontage",
                             QStringLiteral("正面の道路に接する長さ（間口）です。販売図面や測量図で"
                                            "確かめます。") +
                                 lengthTip);
    TxtDepth = MakeAmount(p, "TxtDepth",
                          QStringLiteral("正面の道路から奥までの距離です。不整形地では想定整形地の"
                                         "奥行を入力します。") +
                              lengthTip);
    const QString priceTip =
        QStringLiteral("その道路の路線価（円/㎡）です。空欄または0はなしです。");
    const QString depthTip = QStringLiteral(
        "その道路から測った敷地の奥行です。空欄なら側方路線は間口、裏面路線は奥行を"
        "使います。");
    const QString contactTip = QStringLiteral(
        "道路が辺の一部だけに接するときの接する長さです。空欄なら辺全体に接します。");
    TxtSide1Price = MakeAmount(p, "TxtSide1Price", priceTip);
    TxtSide1Depth = MakeAmount(p, "TxtSide1Depth", depthTip);
    CboSide1Kind = MakeChoice(p, "CboSide1Kind", kinds);
    CboSide1Kind->setToolTip(QStringLiteral("準角地は一つの道路の曲がり角の内側にある敷地です。"));
    TxtSide1Contact = MakeAmount(p, "TxtSide1Contact", contactTip);
    TxtSide2Price = MakeAmount(p, "TxtSide2Price", priceTip);
    TxtSide2Depth = MakeAmount(p, "TxtSide2Depth", depthTip);
    CboSide2Kind = MakeChoice(p, "CboSide2Kind", kinds);
    CboSide2Kind->setToolTip(CboSide1Kind->toolTip());
    TxtSide2Contact = MakeAmount(p, "TxtSide2Contact", contactTip);
    TxtRearPrice = MakeAmount(p, "TxtRearPrice", priceTip);
    TxtRearDepth = MakeAmount(p, "TxtRearDepth", depthTip);
    TxtRearContact = MakeAmount(p, "TxtRearContact", contactTip);
    TxtAssumedArea = MakeAmount(
        p, "TxtAssumedArea",
        QStringLiteral("不整形地のとき、敷地全体を囲む正面道路に面した長方形（想定整形地）の面積"
                       "（㎡）です。整形地なら空欄にします。"));
    ChkMetro = new QCheckBox(QStringLiteral("三大都市圏にある"), p);
    ChkMetro->setObjectName(QStringLiteral("ChkMetro"));
    ChkMetro->setToolTip(
        QStringLiteral("首都圏・近畿圏・中部圏の既成市街地、近郊整備地帯などに"
                       "あるときにチェックします。"));
    ChkScaleExcluded = new QCheckBox(
        QStringLiteral("規模格差補正の対象外（市街化調整区域、工業専用地域、容積率400%以上"
                       "（東京23区は300%以上））"),
        p);
    ChkScaleExcluded->setObjectName(QStringLiteral("ChkScaleExcluded"));
    TxtCliffShare =
        MakeAmount(p, "TxtCliffShare", QStringLiteral("敷地のうちがけ地の割合（%）です。"));
    CboCliffFacing = MakeChoice(
        p, "CboCliffFacing",
        {QStringLiteral("南"), QStringLiteral("東"), QStringLiteral("西"), QStringLiteral("北")});
    CboCliffFacing->setToolTip(QStringLiteral("がけ地の斜面が向いている方位です。"));
    TxtDangerShare = MakeAmount(p, "TxtDangerShare",
                                QStringLiteral("敷地のうち土砂災害特別警戒区域の割合（%）です。"));
    TxtSetback =
        MakeAmount(p, "TxtSetback",
                   QStringLiteral("道路の幅を広げるために道路として提供する面積（㎡）です。"));
    ChkOffMudoro = new QCheckBox(QStringLiteral("道路に面していない"), p);
    ChkOffMudoro->setObjectName(QStringLiteral("ChkOffMudoro"));
    ChkOffKoatu = new QCheckBox(QStringLiteral("高圧線の下"), p);
    ChkOffKoatu->setObjectName(QStringLiteral("ChkOffKoatu"));
    ChkOffMinami = new QCheckBox(QStringLiteral("道路が敷地の南側にある"), p);
    ChkOffMinami->setObjectName(QStringLiteral("ChkOffMinami"));
    TxtOffSonota = MakeAmount(p, "TxtOffSonota", TxtSonota->toolTip());
    TxtOffSonota->setMaxLength(4);
    ChkMultiplier = new QCheckBox(QStringLiteral("倍率地域（路線価がない）"), p);
    ChkMultiplier->setObjectName(QStringLiteral("ChkMultiplier"));
    ChkMultiplier->setToolTip(QStringLiteral(
        "路線価のない地域では、固定資産税評価額に評価倍率表の倍率を掛けて求めます。"));
    TxtAssessed =
        MakeAmount(p, "TxtAssessed",
                   QStringLiteral("土地の固定資産税評価額（円）です。固定資産税の課税明細書"
                                  "や評価証明書に載っています。"));
    TxtMultiplier = MakeAmount(
        p, "TxtMultiplier", QStringLiteral("国税庁の評価倍率表にある宅地の倍率（例 1.1）です。"));
    TxtOfficialSteps = new QPlainTextEdit(p);
    TxtOfficialSteps->setObjectName(QStringLiteral("TxtOfficialSteps"));
    TxtOfficialSteps->setReadOnly(true);
    TxtOfficialSteps->setFocusPolicy(Qt::ClickFocus);
    TxtOfficialSteps->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    LblOfficialWarning = new QLabel(p);
    LblOfficialWarning->setObjectName(QStringLiteral("LblOfficialWarning"));
    LblOfficialWarning->setWordWrap(true);
    LblOfficialWarning->setStyleSheet(QStringLiteral("color: #c00000;"));
    LblOfficialGokei = new QLabel(p);
    LblOfficialGokei->setObjectName(QStringLiteral("LblOfficialGokei"));
    LblOfficialGokei->setWordWrap(true);

    auto* grid = new QGridLayout;
    int row = 0;
    const auto add = [&](int column, QWidget* w, int span = 1) {
        grid->addWidget(w, row, column, 1, span);
    };
    add(0, Caption(p, QStringLiteral("地区区分")));
    add(1, CboDistrict, 3);
    ++row;
    add(0, LblOffRosenka, 8);
    ++row;
    add(0, Caption(p, QStringLiteral("間口（m）")));
    add(1, TxtFrontage);
    add(2, Caption(p, QStringLiteral("奥行（m）")));
    add(3, TxtDepth);
    add(4, Caption(p, QStringLiteral("想定整形地の地積（㎡）")), 2);
    add(6, TxtAssumedArea);
    ++row;
    add(1, Caption(p, QStringLiteral("路線価（円）")));
    add(3, Caption(p, QStringLiteral("奥行（m）")));
    add(5, Caption(p, QStringLiteral("角地・準角地")));
    add(6, Caption(p, QStringLiteral("接する長さ（m）")));
    ++row;
    const auto roadRow = [&](const QString& title, QLineEdit* price, QLineEdit* depth,
                             QComboBox* kind, QLineEdit* contact) {
        add(0, Caption(p, title));
        add(1, price, 2);
        add(3, depth, 2);
        if (kind)
            add(5, kind);
        add(6, contact);
        ++row;
    };
    roadRow(QStringLiteral("側方路線1"), TxtSide1Price, TxtSide1Depth, CboSide1Kind,
            TxtSide1Contact);
    roadRow(QStringLiteral("側方路線2"), TxtSide2Price, TxtSide2Depth, CboSide2Kind,
            TxtSide2Contact);
    roadRow(QStringLiteral("裏面路線"), TxtRearPrice, TxtRearDepth, nullptr, TxtRearContact);
    add(0, ChkMetro, 2);
    add(2, ChkScaleExcluded, 6);
    ++row;
    add(0, Caption(p, QStringLiteral("がけ地（%）")));
    add(1, TxtCliffShare);
    add(2, Caption(p, QStringLiteral("斜面の向き")));
    add(3, CboCliffFacing);
    add(4, Caption(p, QStringLiteral("特別警戒区域（%）")), 2);
    add(6, TxtDangerShare);
    ++row;
    add(0, Caption(p, QStringLiteral("セットバック（㎡）")));
    add(1, TxtSetback);
    ++row;
    add(0, ChkOffMudoro, 2);
    add(2, ChkOffKoatu, 2);
    add(4, ChkOffMinami, 2);
    ++row;
    add(0, Caption(p, QStringLiteral("その他（%）")));
    add(1, TxtOffSonota);
    ++row;
    add(0, ChkMultiplier, 3);
    ++row;
    add(0, Caption(p, QStringLiteral("固定資産税評価額（円）")), 2);
    add(2, TxtAssessed, 2);
    add(4, Caption(p, QStringLiteral("倍率")));
    add(5, TxtMultiplier);
    ++row;
    grid->setRowStretch(row, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(Caption(p, QStringLiteral("計算の内訳（1㎡当たり、円未満切捨て）")));
    right->addWidget(TxtOfficialSteps, 1);
    right->addWidget(LblOfficialWarning);
    right->addWidget(LblOfficialGokei);
    auto* both = new QHBoxLayout(p);
    both->addLayout(grid, 11);
    both->addLayout(right, 9);

    QWidget* order[] = {CboDistrict,      TxtFrontage,   TxtDepth,       TxtAssumedArea,
                        TxtSide1Price,    TxtSide1Depth, CboSide1Kind,   TxtSide1Contact,
                        TxtSide2Price,    TxtSide2Depth, CboSide2Kind,   TxtSide2Contact,
                        TxtRearPrice,     TxtRearDepth,  TxtRearContact, ChkMetro,
                        ChkScaleExcluded, TxtCliffShare, CboCliffFacing, TxtDangerShare,
                        TxtSetback,       ChkOffMudoro,  ChkOffKoatu,    ChkOffMinami,
                        TxtOffSonota,     ChkMultiplier, TxtAssessed,    TxtMultiplier};
    setTabOrder(TabWay, order[0]);
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    for (QLineEdit* f : PageOfficial->findChildren<QLineEdit*>())
        connect(f, &QLineEdit::textChanged, this, &FrmKakuti::showOfficial);
    for (QComboBox* c : PageOfficial->findChildren<QComboBox*>())
        connect(c, &QComboBox::currentIndexChanged, this, &FrmKakuti::showOfficial);
    for (QCheckBox* c : PageOfficial->findChildren<QCheckBox*>())
        connect(c, &QCheckBox::toggled, this, &FrmKakuti::showOfficial);
}

BukkenJoho FrmKakuti::officialInputs(QString* error) const {
    BukkenJoho rec = g_.Bukken;
    QString first;
    const auto amount = [&first](QLineEdit* field, const QString& name, bool share = false) {
        const FieldReading r =
            share ? ReadShareField(field->text(), name) : ReadAmountField(field->text(), name);
        if (!r.error.isEmpty() && first.isEmpty())
            first = r.error;
        return r.value;
    };
    const auto price = [&](QLineEdit* field, const QString& name) {
        return Currency::fromRaw(static_cast<qint64>(std::floor(amount(field, name))) *
                                 Currency::kScale);
    };
    rec.LotMethod = kLotMethodOfficial;
    rec.District = CboDistrict->currentIndex() == 1 ? 1 : 0;
    rec.Frontage = amount(TxtFrontage, QStringLiteral("間口"));
    rec.Depth = amount(TxtDepth, QStringLiteral("奥行"));
    rec.AssumedArea = amount(TxtAssumedArea, QStringLiteral("想定整形地の地積"));
    rec.Side1Price = price(TxtSide1Price, QStringLiteral("側方路線1の路線価"));
    rec.Side1Depth = amount(TxtSide1Depth, QStringLiteral("側方路線1の奥行"));
    rec.Side1Kind = CboSide1Kind->currentIndex() == 1 ? 1 : 0;
    rec.Side1Contact = amount(TxtSide1Contact, QStringLiteral("側方路線1の接する長さ"));
    rec.Side2Price = price(TxtSide2Price, QStringLiteral("側方路線2の路線価"));
    rec.Side2Depth = amount(TxtSide2Depth, QStringLiteral("側方路線2の奥行"));
    rec.Side2Kind = CboSide2Kind->currentIndex() == 1 ? 1 : 0;
    rec.Side2Contact = amount(TxtSide2Contact, QStringLiteral("側方路線2の接する長さ"));
    rec.RearPrice = price(TxtRearPrice, QStringLiteral("裏面路線の路線価"));
    rec.RearDepth = amount(TxtRearDepth, QStringLiteral("裏面路線の奥行"));
    rec.RearContact = amount(TxtRearContact, QStringLiteral("裏面路線の接する長さ"));
    rec.Metro = ChkMetro->isChecked() ? 1 : 0;
    rec.ScaleExcluded = ChkScaleExcluded->isChecked() ? 1 : 0;
    rec.CliffShare = amount(TxtCliffShare, QStringLiteral("がけ地の割合"), true);
    rec.CliffFacing = std::max(0, CboCliffFacing->currentIndex());
    rec.DangerShare = amount(TxtDangerShare, QStringLiteral("特別警戒区域の割合"), true);
    rec.SetbackArea = amount(TxtSetback, QStringLiteral("セットバック"));
    rec.MudoroRank = ChkOffMudoro->isChecked() ? 1 : 0;
    rec.KoatuRank = ChkOffKoatu->isChecked() ? 1 : 0;
    rec.MinamiRank = ChkOffMinami->isChecked() ? 1 : 0;
    const SonotaAdjustment other = SonotaFromText(TxtOffSonota->text());
    rec.SonotaRank = other.rank;
    rec.SonotaHosei = other.hosei;
    rec.MultiplierArea = ChkMultiplier->isChecked() ? 1 : 0;
    rec.AssessedValue = price(TxtAssessed, QStringLiteral("固定資産税評価額"));
    rec.MultiplierRate = amount(TxtMultiplier, QStringLiteral("倍率"));
    if (error)
        *error = first;
    return rec;
}

void FrmKakuti::showOfficial() {
    if (loading_ || !PageOfficial)
        return;
    const bool multiplier = ChkMultiplier->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{TxtFrontage,
                                                      TxtDepth,
                                                      TxtAssumedArea,
                                                      TxtSide1Price,
                                                      TxtSide1Depth,
                                                      static_cast<QWidget*>(CboSide1Kind),
                                                      TxtSide1Contact,
                                                      TxtSide2Price,
                                                      TxtSide2Depth,
                                                      static_cast<QWidget*>(CboSide2Kind),
                                                      TxtSide2Contact,
                                                      TxtRearPrice,
                                                      TxtRearDepth,
                                                      TxtRearContact,
                                                      static_cast<QWidget*>(ChkMetro),
                                                      static_cast<QWidget*>(ChkScaleExcluded),
                                                      TxtCliffShare,
                                                      static_cast<QWidget*>(CboCliffFacing),
                                                      TxtDangerShare,
                                                      TxtSetback,
                                                      static_cast<QWidget*>(CboDistrict)})
        w->setEnabled(!multiplier);
    TxtAssessed->setEnabled(multiplier);
    TxtMultiplier->setEnabled(multiplier);

    const std::optional<double> area = ParseSiteArea(areaText_);
    QString basis =
        QStringLiteral("地積（②敷地面積）：%1")
            .arg(area ? FormatArea(*area) + QStringLiteral("㎡") : QStringLiteral("未入力"));
    if (!multiplier) {
        const std::optional<double> road = ParseNumber(rosenkaText_);
        basis += QStringLiteral("　正面路線価（①路線価）：%1")
                     .arg(road ? FormatWhole(*road) + QStringLiteral("円/㎡")
                               : QStringLiteral("未入力"));
    }
    LblOffRosenka->setText(basis);

    QString error;
    const BukkenJoho rec = officialInputs(&error);
    QStringList text;
    QStringList warnings;
    QString gokei = QStringLiteral("合わせた補正率　―");
    if (!tables_) {
        text << tablesError_;
    } else if (!error.isEmpty()) {
        text << error;
    } else {
        const official::Result r = WorkOfficialLot(*tables_, rec, rosenkaText_, areaText_);
        warnings = r.warnings;
        if (!r.refusal.isEmpty()) {
            text << r.refusal;
            if (warnings.isEmpty())
                warnings = official::AccessWarnings(OfficialInputsOf(rec, 0, area.value_or(0)));
        } else {
            text << QStringLiteral("【補正率】");
            for (const QString& f : r.factors)
                text << f;
            text << QString() << QStringLiteral("【評価明細書の順の計算】");
            for (const official::Line& l : r.lines) {
                text << (l.formula.isEmpty()
                             ? QStringLiteral("%1　%2円").arg(l.label, FormatWhole(double(l.yen)))
                             : QStringLiteral("%1　%2 = %3円")
                                   .arg(l.label, l.formula, FormatWhole(double(l.yen))));
            }
            if (!r.kept.empty()) {
                text << QString() << QStringLiteral("【このソフト独自の補正】");
                for (const official::Line& l : r.kept)
                    text << QStringLiteral("%1　%2 = %3円")
                                .arg(l.label, l.formula, FormatWhole(double(l.yen)));
            }
            for (const QString& n : r.notes)
                text << QString() << QStringLiteral("※") + n;
            if (multiplier) {
                text << QString()
                     << QStringLiteral(
                            "※倍率地域のため、①路線価に1㎡当たり %1円 を書き込みます"
                            "（敷地面積が変わると書き直します）。")
                            .arg(FormatWhole(double(r.roadPrice)));
            }
            gokei = QStringLiteral(
                        "合わせた補正率　%1（評価額 %2円 ÷（路線価 × 地積））"
                        "［戻る］で③の欄に入ります")
                        .arg(CombinedFactorText(r.lotFactor), FormatWhole(double(r.value)));
        }
    }
    TxtOfficialSteps->setPlainText(text.join(QLatin1Char('\n')));
    LblOfficialWarning->setText(warnings.join(QLatin1Char('\n')));
    LblOfficialGokei->setText(gokei);
}

void FrmKakuti::copySharedChoices(bool toOfficial) {
    if (toOfficial) {
        ChkOffMudoro->setChecked(ChkMudoro->isChecked());
        ChkOffKoatu->setChecked(ChkKoatu->isChecked());
        ChkOffMinami->setChecked(ChkMinami->isChecked());
        TxtOffSonota->setText(TxtSonota->text());
    } else {
        ChkMudoro->setChecked(ChkOffMudoro->isChecked());
        ChkKoatu->setChecked(ChkOffKoatu->isChecked());
        ChkMinami->setChecked(ChkOffMinami->isChecked());
        TxtSonota->setText(TxtOffSonota->text().left(TxtSonota->maxLength()));
    }
}

void FrmKakuti::switchWay(int index) {
    if (StackWay->currentIndex() == index)
        return;
    copySharedChoices(index == 1);
    StackWay->setCurrentIndex(index);
    if (index == 1)
        showOfficial();
    else
        showCombined();
}

void FrmKakuti::officialOk() {
    QString error;
    BukkenJoho rec = officialInputs(&error);
    if (!error.isEmpty()) {
        ui_.message(this, error, MsgIcon::Exclamation);
        return;
    }
    if (!tables_) {
        ui_.message(this, tablesError_, MsgIcon::Critical);
        return;
    }
    if (rec.MultiplierArea == 0 && rec.MudoroRank == 0) {
        QStringList missing;
        if (ToHundredths(rec.Frontage) <= 0)
            missing << QStringLiteral("「間口」");
        if (ToHundredths(rec.Depth) <= 0)
            missing << QStringLiteral("「奥行」");
        if (!missing.isEmpty()) {
            ui_.message(this,
                        QStringLiteral("財産評価基本通達で計算するには%1を入力してください"
                                       "（0より大きい数値）。かんたん入力に切り替えることも"
                                       "できます。")
                            .arg(missing.join(QStringLiteral("と"))),
                        MsgIcon::Exclamation);
            return;
        }
    }
    const official::Result r = WorkOfficialLot(*tables_, rec, rosenkaText_, areaText_);
    if (!r.refusal.isEmpty()) {
        ui_.message(this, r.refusal, MsgIcon::Exclamation);
        return;
    }
    rec.KakutiHoseiRitu = r.lotFactor;
    if (rec.MultiplierArea != 0) {
        rec.Rosenka = Currency::fromRaw(r.roadPrice * Currency::kScale);
        rosenkaToShow_ = r.roadPrice;
    }
    g_.Bukken = rec;
    if (!g_.IniFilePath.isEmpty())
        ModWriteOption(g_.IniFilePath, kLotMethodOption, QStringLiteral("1"));
    closeConnection();
    accept();
}

}  // namespace ie
