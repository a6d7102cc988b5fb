#include "valuation/FrmKakuti.h"

#include "common/AppError.h"
#include "common/NumberRule.h"
#include "platform/FieldGuard.h"
#include "platform/QtUiServices.h"
#include "platform/Twips.h"
#include "platform/UiServices.h"
#include "state/BukkenJoho.h"
#include "state/ModGlobal.h"
#include "valuation/ListItemTips.h"
#include "valuation/LotCorrection.h"
#include "valuation/RateLookup.h"
#include "valuation/ReferenceReadError.h"
#include "valuation/ReferenceTexts.h"

#include <QCheckBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

#include <iterator>
#include <optional>
#include <vector>

namespace ie {

namespace {

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
    setFixedSize(Tw(10395), Tw(5820));
    setModal(true);
    setFont(WindowFont());
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    Label1 = MakeLabel(this, "Label1", QStringLiteral("敷地と道路の関係"), 480, 120, 1395, 180);
    ChkSoku1 = MakeCheck(this, "ChkSoku1", QStringLiteral("側面が道路に面している"),
                         QStringLiteral("敷地の側面が道路に面しているときにチェックしてください。"),
                         240, 480, 2175, 375);
    ChkSoku2 = MakeCheck(this, "ChkSoku2", QStringLiteral("側面が道路に面している"),
                         QStringLiteral("敷地の側面が道路に面しているときにチェックしてください。"),
                         3600, 480, 2175, 375);
    ChkUra = MakeCheck(this, "ChkUra", QStringLiteral("裏側も道路に面している"),
                       QStringLiteral("敷地の裏側が道路に面している時にチェックしてください。"),
                       7140, 480, 2295, 375);
    ChkMudoro = MakeCheck(this, "ChkMudoro", QStringLiteral("道路に面していない"),
                          QStringLiteral("敷地が道路に面していない時にしぇっくしてください。"), 240,
                          1080, 1935, 480);
    ChkMaguti = MakeCheck(
        this, "ChkMaguti", QStringLiteral("道路に面している長さが4m未満"),
        QStringLiteral("敷地の道路に面している長さ（＝間口）が4m未満の場合に選択します。"), 3600,
        1080, 2775, 480);
    ChkMinami = MakeCheck(this, "ChkMinami", QStringLiteral("道路が敷地の南側にある"), QString(),
                          7140, 1080, 2295, 480);
    Label2 = MakeLabel(this, "Label2", QStringLiteral("敷地の形"), 480, 1800, 720, 180);
    Label6 = MakeLabel(this, "Label6", QStringLiteral("奥行きが長い"), 240, 2160, 1035, 180);
    LstOkuyuki = MakeList(this, "LstOkuyuki", QStringLiteral("敷地が細長い場合に選択します。"),
                          1560, 2040, 2100, 420);
    Label7 = MakeLabel(this, "Label7", QStringLiteral("四角形でない"), 4320, 2160, 1035, 180);
    LstFuseikei =
        MakeList(this, "LstFuseikei", QStringLiteral("敷地が四角形でない場合に選択します。"), 6000,
                 2040, 2700, 420);
    Label3 = MakeLabel(this, "Label3", QStringLiteral("そのほか"), 480, 2880, 705, 180);
    Label4 = MakeLabel(this, "Label4", QStringLiteral("崖地の割合"), 240, 3240, 900, 180);
    LstGake = MakeList(this, "LstGake",
                       QStringLiteral("敷地内に崖地がある場合に割合を選択してください。"), 1680,
                       3120, 1500, 420);
    // The unit now follows the title: the list's entries end with their factors.
    Label5 = MakeLabel(this, "Label5", QStringLiteral("％"), 1140, 3240, 180, 180);
    ChkKoatu = MakeCheck(this, "ChkKoatu", QStringLiteral("高圧線の下"),
                         QStringLiteral("敷地が高圧線の下にある場合にチェックくしてください。"),
                         4680, 3120, 2175, 495);
    Label9 = MakeLabel(this, "Label9", QStringLiteral("その他"), 240, 3960, 525, 180);
    TxtSonota = new QLineEdit(this);
    TxtSonota->setObjectName(QStringLiteral("TxtSonota"));
    TxtSonota->setToolTip(QStringLiteral(
        "その他の状況でどうしても評価を修正したい場合に-99～100の範囲の数値を入力してください。"));
    TxtSonota->setAlignment(Qt::AlignCenter);
    TxtSonota->setMaxLength(3);
    PlaceTw(TxtSonota, 1680, 3840, 735, 375);
    Label8 = MakeLabel(this, "Label8", QStringLiteral("％"), 2520, 3960, 180, 180);
    CmdOk = new QPushButton(QStringLiteral("戻る"), this);
    CmdOk->setObjectName(QStringLiteral("CmdOk"));
    CmdOk->setToolTip(QStringLiteral("メイン画面に戻ります。"));
    PlaceTw(CmdOk, 9000, 4440, 1215, 495);

    LblSoku1Hosei = MakeFactorLabel(this, "LblSoku1Hosei", ChkSoku1);
    LblSoku2Hosei = MakeFactorLabel(this, "LblSoku2Hosei", ChkSoku2);
    LblUraHosei = MakeFactorLabel(this, "LblUraHosei", ChkUra);
    LblMudoroHosei = MakeFactorLabel(this, "LblMudoroHosei", ChkMudoro);
    LblMagutiHosei = MakeFactorLabel(this, "LblMagutiHosei", ChkMaguti);
    LblMinamiHosei = MakeFactorLabel(this, "LblMinamiHosei", ChkMinami);
    LblKoatuHosei = MakeFactorLabel(this, "LblKoatuHosei", ChkKoatu);
    LblSonotaHosei = MakeLabel(this, "LblSonotaHosei", QString(), 2820, 3840, 5000, 375);
    LblGokei = MakeLabel(this, "LblGokei", QString(), 240, 4440, 8640, 300);
    LblSource = MakeLabel(this, "LblSource", QString(), 240, 4800, 8640, 900);
    LblSource->setWordWrap(true);
    LblSource->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Tab order 0 to 11.
    QWidget* order[] = {CmdOk,    ChkMudoro, ChkSoku1,   ChkUra,      ChkMaguti, LstGake,
                        ChkKoatu, ChkSoku2,  LstOkuyuki, LstFuseikei, TxtSonota, ChkMinami};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

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

    const BukkenJoho& b = g_.Bukken;
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
    g_.Bukken = rec;

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

void FrmKakuti::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter p(this);
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
