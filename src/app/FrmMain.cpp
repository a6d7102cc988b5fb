#include "app/FrmMain.h"

#include "app/FrmStart.h"
#include "app/HelpWindow.h"
#include "platform/DateInput.h"
#include "platform/FieldGuard.h"
#include "platform/InstanceServer.h"
#include "platform/QtUiServices.h"
#include "platform/RegularFile.h"
#include "platform/ScratchFile.h"
#include "platform/SingleInstance.h"
#include "platform/Twips.h"
#include "platform/UiServices.h"
#include "state/ModGlobal.h"
#include "state/Session.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFrame>
#include <QHash>
#include <QIcon>
#include <QIconEngine>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QResizeEvent>

#include <future>
#include <optional>
#include <utility>

namespace ie {

namespace {

const QString kScratchPrefix = QStringLiteral("~my");

constexpr int kClientWidth = 5895;
constexpr int kClientHeight = 8400;
// Vertical positions of the six separator lines, in twips.
constexpr int kLineTops[6] = {2820, 3480, 5700, 6380, 7140, 7600};

QString StaleResultText() {
    return QStringLiteral("（再計算が必要）");
}

// A label gets the room up to the next control of its row, so that nothing has to measure its
// text before the window is first drawn.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  int width) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    PlaceTw(l, left, top - 30, width, 240);
    return l;
}

QLineEdit* MakeField(QWidget* parent, const char* name, int left, int top, int width,
                     const QString& tooltip, bool readOnly) {
    auto* t = new QLineEdit(parent);
    t->setObjectName(QLatin1String(name));
    PlaceTw(t, left, top, width, 375);
    t->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Number fields take digits typed directly, never through the Japanese input method.
    t->setAttribute(Qt::WA_InputMethodEnabled, false);
    t->setInputMethodHints(Qt::ImhPreferNumbers | Qt::ImhNoPredictiveText);
    t->setReadOnly(readOnly);
    t->setToolTip(tooltip);
    return t;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int left,
                        int top, int width, int height, const QString& tooltip) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    PlaceTw(b, left, top, width, height);
    b->setToolTip(tooltip);
    b->setAutoDefault(false);
    return b;
}

// The help section of each window that F1 opens the help at.
QString HelpSection(const QString& window) {
    static const QHash<QString, QString> sections = {
        {QStringLiteral("FrmMemo"), QStringLiteral("memo")},
        {QStringLiteral("FrmData"), QStringLiteral("list")},
        {QStringLiteral("FrmHikaku"), QStringLiteral("compare")},
        {QStringLiteral("FrmPrint"), QStringLiteral("print")},
        {QStringLiteral("FrmKakuti"), QStringLiteral("kakuti")},
        {QStringLiteral("FrmJiten"), QStringLiteral("jiten")},
        {QStringLiteral("FrmKaokuKozo"), QStringLiteral("house-tanka")},
        {QStringLiteral("FrmEnv"), QStringLiteral("env")},
    };
    return sections.value(window, QStringLiteral("top"));
}

DateInput* MakeDate(QWidget* parent, const char* name, DateInput::Format format, int left, int top,
                    int width, int height, const QString& tooltip) {
    auto* d = new DateInput(format, parent);
    d->setObjectName(QLatin1String(name));
    PlaceTw(d, left, top, width, height);
    d->setToolTip(tooltip);
    return d;
}

// An icon of PNG files, one a size, read only once a size is drawn: QIcon::addFile decodes every
// file as it is added, a wait at start-up for an icon that only the window manager ever draws.
class PngSizesIconEngine : public QIconEngine {
public:
    // pattern holds %1 twice, for the width and the height.
    PngSizesIconEngine(QString pattern, QList<int> sizes)
        : pattern_(std::move(pattern)), sizes_(std::move(sizes)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        loaded().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return loaded().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return loaded().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return loaded().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> out;
        for (int size : sizes_)
            out << QSize(size, size);
        return out;
    }
    bool isNull() override { return sizes_.isEmpty(); }
    QString key() const override { return QStringLiteral("PngSizesIconEngine"); }
    QIconEngine* clone() const override { return new PngSizesIconEngine(pattern_, sizes_); }

private:
    const QIcon& loaded() {
        if (!icon_) {
            icon_.emplace();
            for (int size : sizes_)
                icon_->addFile(pattern_.arg(size), QSize(size, size));
        }
        return *icon_;
    }

    QString pattern_;
    QList<int> sizes_;
    std::optional<QIcon> icon_;
};

}  // namespace

FrmMain::FrmMain(ModGlobal& g, UiServices& ui, Options options, QWidget* parent)
    : QMainWindow(parent), g_(g), ui_(ui), options_(options) {
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(AppTitle());
    setWindowIcon(AppIcon());
    setFont(WindowFont());  // menus included
    buildLayout();
    buildMenus();
    setupWorksheet();
    // F1 in the dialogs this window opens: their own modal loops block the menu's shortcut.
    qApp->installEventFilter(this);
}

FrmMain::~FrmMain() = default;

void FrmMain::buildLayout() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    setCentralWidget(client_);
    QWidget* w = client_;

    // Separator lines first, so that they lie under the controls.
    for (int i = 0; i < 6; ++i) {
        auto* line = new QFrame(w);
        line->setObjectName(QStringLiteral("Line%1").arg(i + 1));
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setGeometry(0, Tw(kLineTops[i]), Tw(kClientWidth), 2);
        Line[i] = line;
    }

    const QString yen = QStringLiteral("円");
    Label7 = MakeLabel(w, "Label7", QStringLiteral("敷地の価格を決める項目は①②③④です。"), 240, 200,
                       5400);

    LblStreetPrise = MakeLabel(w, "LblStreetPrise", QStringLiteral("①路線価"), 600, 600, 1680);
    TxtRosenka = MakeField(
        w, "TxtRosenka", 2280, 480, 1455,
        QStringLiteral(
            "国税路線価を円/㎡で入力します（路線価図の「250」は250,000）。路線価の調べ方は"
            "ヘルプで詳しく解説しています。"),
        false);
    LblStreetPrizeUnit = MakeLabel(w, "LblStreetPrizeUnit", yen, 3840, 600, 360);
    Label15 = MakeLabel(w, "Label15", QStringLiteral("平成"), 4200, 600, 480);
    imDateRosen = MakeDate(w, "imDateRosen", DateInput::Format::EraYear, 4680, 480, 375, 375,
                           QStringLiteral("国税路線価の年度を選択してください。"));
    Label16 = MakeLabel(w, "Label16", QStringLiteral("年度"), 5160, 600, 735);

    LblLandArea = MakeLabel(w, "LblLandArea", QStringLiteral("②敷地面積"), 600, 1080, 1680);
    TxtTotiMenseki =
        MakeField(w, "TxtTotiMenseki", 2280, 960, 1455,
                  QStringLiteral("敷地の面積を㎡単位で、小数点以下2桁まで入力します。"), false);
    LblLandAreaUnit = MakeLabel(w, "LblLandAreaUnit", QStringLiteral("㎡"), 3840, 1080, 360);

    LblFeaMod = MakeLabel(w, "LblFeaMod", QStringLiteral("③敷地の状況"), 600, 1560, 2280);
    TxtKakuti = MakeField(
        w, "TxtKakuti", 2880, 1440, 855,
        QStringLiteral(
            "敷地の状況による価格への影響を％で表示します。[詳細設定]で詳しく設定できます。"),
        true);
    Label14 = MakeLabel(w, "Label14", QStringLiteral("％"), 3840, 1560, 360);
    CmdFeaMod = MakeButton(w, "CmdFeaMod", QStringLiteral("詳細設定"), 4200, 1440, 1335, 375,
                           QStringLiteral("敷地の形などによる価格へ影響を選択します。"));

    LblTimeMod = MakeLabel(w, "LblTimeMod", QStringLiteral("④１年間の地価変動率"), 600, 2040, 2280);
    TxtJiten = MakeField(
        w, "TxtJiten", 2880, 1920, 855,
        QStringLiteral("１年間の土地価格の変動率を入力します。[参考値取得]を使うこともできます。"),
        false);
    Label13 = MakeLabel(w, "Label13", QStringLiteral("％"), 3840, 2040, 360);
    CmdTimeMod = MakeButton(w, "CmdTimeMod", QStringLiteral("←参考値取得"), 4200, 1920, 1335, 375,
                            QStringLiteral("都道府県別の地価変動率を取得することができます。"));

    CmdCalcLandPrise = MakeButton(w, "CmdCalcLandPrise", QStringLiteral("敷地価格計算"), 2400, 2280,
                                  1335, 375, QStringLiteral("敷地の価格を計算します。"));

    LblLandResult = MakeLabel(w, "LblLandResult", QStringLiteral("敷地の価格"), 720, 3000, 1560);
    TxtTotiKakaku = MakeField(w, "TxtTotiKakaku", 2280, 2880, 1455,
                              QStringLiteral("敷地の計算価格を表示します。"), false);
    Label5 = MakeLabel(w, "Label5", yen, 3840, 3000, 360);
    // Under the land result: a plot that may not be rebuilt on (no road, or under 2 m of it).
    LblLandWarning = MakeLabel(w, "LblLandWarning", QString(), 240, 3270, 5400);
    LblLandWarning->resize(LblLandWarning->width(), Tw(360));
    LblLandWarning->setWordWrap(true);
    LblLandWarning->setStyleSheet(QStringLiteral("color: #c00000;"));
    {
        QFont small = LblLandWarning->font();
        small.setPointSizeF(8);
        LblLandWarning->setFont(small);
    }
    LblLandStale = MakeLabel(w, "LblLandStale", StaleResultText(), 4200, 3000, 1680);
    LblLandStale->hide();

    Label1 = MakeLabel(w, "Label1", QStringLiteral("家屋の価格を決める項目は①②③です。"), 240, 3630,
                       5400);
    Label3 = MakeLabel(w, "Label3", QStringLiteral("①坪単価"), 600, 4080, 2040);
    TxtKaokuTuboTanka =
        MakeField(w, "TxtKaokuTuboTanka", 2640, 3960, 1095,
                  QStringLiteral("建築したときの坪単価を入力してください。"), false);
    Label11 = MakeLabel(w, "Label11", yen, 3840, 4080, 360);
    CmdKaokuKozo =
        MakeButton(w, "CmdKaokuKozo", QStringLiteral("←参考値取得"), 4200, 3960, 1335, 375,
                   QStringLiteral("家屋の構造別坪単価の参考値を取得することができます。"));
    // The structure the house is depreciated by, under ①坪単価 in a smaller type.
    LblKaokuKozo = MakeLabel(w, "LblKaokuKozo", QString(), 480, 4320, 2160);
    LblKaokuKozo->resize(LblKaokuKozo->width(), Tw(195));
    {
        QFont small = LblKaokuKozo->font();
        small.setPointSizeF(8);
        LblKaokuKozo->setFont(small);
    }

    // A row a little lower than the others, so that the structure above keeps clear of it.
    Label8 = MakeLabel(w, "Label8", QStringLiteral("②延床面積"), 600, 4560, 2040);
    TxtKaokuTateTubo = MakeField(w, "TxtKaokuTateTubo", 2640, 4500, 1095,
                                 QStringLiteral("家屋の延床面積を坪単位で入力してください。"
                                                "「100㎡」のように㎡で入力すると坪に換算します。"),
                                 false);
    Label9 = MakeLabel(w, "Label9", QStringLiteral("坪"), 3840, 4560, 360);

    LblKentikuNen = MakeLabel(w, "LblKentikuNen", QStringLiteral("③建築日"), 600, 4920, 1800);
    imDateKaoku = MakeDate(
        w, "imDateKaoku", DateInput::Format::Date, 2400, 4920, 1335, 255,
        QStringLiteral("家屋が建てられた年・月を入力してください。日付は適当でいいです。"));
    CmdKaokuKeisan = MakeButton(w, "CmdKaokuKeisan", QStringLiteral("家屋価格計算"), 2400, 5160,
                                1335, 375, QStringLiteral("家屋の価格を計算します。"));

    Label12 = MakeLabel(w, "Label12", QStringLiteral("家屋の価格"), 600, 5880, 1680);
    TxtKaokuKakaku = MakeField(w, "TxtKaokuKakaku", 2280, 5760, 1455,
                               QStringLiteral("家屋の計算価格を表示します。"), true);
    Label10 = MakeLabel(w, "Label10", yen, 3840, 5880, 360);
    // What the house result cannot tell by itself (the tax rule's remaining rate, an old earthquake
    // standard), under it in a smaller type; the whole sentences are in its tooltip.
    LblKaokuNotes = MakeLabel(w, "LblKaokuNotes", QString(), 480, 6210, 5300);
    LblKaokuNotes->resize(LblKaokuNotes->width(), Tw(195));
    {
        QFont small = LblKaokuNotes->font();
        small.setPointSizeF(8);
        LblKaokuNotes->setFont(small);
        LblKaokuNotes->setStyleSheet(QStringLiteral("color: #a05000;"));
    }
    LblHouseStale = MakeLabel(w, "LblHouseStale", StaleResultText(), 4200, 5880, 1680);
    LblHouseStale->hide();

    Label4 = MakeLabel(w, "Label4", QStringLiteral("敷地・家屋共通の項目です。"), 240, 6500, 5400);
    LblJiten = MakeLabel(w, "LblJiten", QStringLiteral("価格を調べる日"), 600, 6840, 1800);
    imDateHyoka =
        MakeDate(w, "imDateHyoka", DateInput::Format::Date, 2400, 6840, 1335, 255,
                 QStringLiteral("価格を試算する日付です。通常は変更する必要はありません。"));

    Label2 = MakeLabel(w, "Label2", QStringLiteral("合計価格"), 600, 7320, 1680);
    TxtGokeiKakaku = MakeField(w, "TxtGokeiKakaku", 2280, 7200, 1455,
                               QStringLiteral("敷地・家屋の合計価格を表示します。"), true);
    Label6 = MakeLabel(w, "Label6", yen, 3840, 7320, 360);
    CmdMemo = MakeButton(
        w, "CmdMemo", QStringLiteral("メモ情報設定"), 4320, 7200, 1215, 375,
        QStringLiteral("価格には影響しませんが、物件所在地等のメモ情報を入力することができます。"));

    CmdClear = MakeButton(w, "CmdClear", QStringLiteral("クリア"), 240, 7680, 1455, 495,
                          QStringLiteral("物件メモ情報も含め、入力値をクリアします。"));
    CmdSave = MakeButton(w, "CmdSave", QStringLiteral("物件情報保存"), 2280, 7680, 1335, 495,
                         QStringLiteral("物件情報をファイルに保存します。"));
    CmdEnd = MakeButton(w, "CmdEnd", QStringLiteral("終了"), 4200, 7680, 1455, 495,
                        QStringLiteral("プログラムを終了します。"));

    ImgIcon = new QLabel(w);
    ImgIcon->setObjectName(QStringLiteral("ImgIcon"));
    PlaceTw(ImgIcon, 4440, 4680, 480, 480);
    ImgIcon->setPixmap(iconPicture());
    ImgIcon->setScaledContents(true);

    // Holds the background tile; the tile is painted over the whole window, the holder itself is
    // not shown.
    ImgBack = new QLabel(w);
    ImgBack->setObjectName(QStringLiteral("ImgBack"));
    PlaceTw(ImgBack, 4680, 5280, 855, 855);
    ImgBack->setPixmap(QPixmap(QStringLiteral(":/back.png")));
    ImgBack->hide();

    for (QLineEdit* t : {TxtRosenka, TxtTotiMenseki, TxtKaokuTuboTanka, TxtKaokuTateTubo}) {
        t->setMaxLength(t == TxtTotiMenseki || t == TxtKaokuTateTubo ? 7 : 12);
    }
    TxtJiten->setMaxLength(3);

    // Focus order of Tab and of Enter in the text fields.
    const QList<QWidget*> order = {
        TxtRosenka,       TxtTotiMenseki, TxtJiten,       CmdCalcLandPrise, TxtKaokuTuboTanka,
        TxtKaokuTateTubo, imDateKaoku,    CmdKaokuKeisan, CmdFeaMod,        CmdTimeMod,
        CmdKaokuKozo,     imDateHyoka,    CmdClear,       CmdSave,          CmdMemo,
        CmdEnd,           TxtTotiKakaku,  TxtKaokuKakaku, TxtGokeiKakaku,   TxtKakuti,
        imDateRosen};
    for (int i = 0; i + 1 < order.size(); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }

    connect(CmdCalcLandPrise, &QPushButton::clicked, this, &FrmMain::CmdCalcLandPrise_Click);
    connect(CmdKaokuKeisan, &QPushButton::clicked, this, &FrmMain::CmdKaokuKeisan_Click);
    connect(CmdClear, &QPushButton::clicked, this, &FrmMain::CmdClear_Click);
    connect(CmdFeaMod, &QPushButton::clicked, this, &FrmMain::CmdFeaMod_Click);
    connect(CmdTimeMod, &QPushButton::clicked, this, &FrmMain::CmdTimeMod_Click);
    connect(CmdKaokuKozo, &QPushButton::clicked, this, &FrmMain::CmdKaokuKozo_Click);
    connect(CmdSave, &QPushButton::clicked, this, &FrmMain::CmdSave_Click);
    connect(CmdMemo, &QPushButton::clicked, this, &FrmMain::CmdMemo_Click);
    connect(CmdEnd, &QPushButton::clicked, this, &FrmMain::CmdEnd_Click);
    // The menu's save follows the button, so that Ctrl+S is off while the button is.
    CmdSave->installEventFilter(this);

    client_->setMinimumSize(Tw(kClientWidth), Tw(kClientHeight));
}

void FrmMain::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    auto addMenu = [&](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto addItem = [&](QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& shortcut = {}) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(shortcut);
        return a;
    };
    auto addSeparator = [&](QMenu* menu, const char* name) {
        QAction* a = menu->addSeparator();
        a->setObjectName(QLatin1String(name));
        return a;
    };

    mnuFile = addMenu("mnuFile", QStringLiteral("ファイル(&F)"));
    mnuSave = addItem(mnuFile, "mnuSave", QStringLiteral("物件情報保存(&S)"),
                      QKeySequence(QStringLiteral("Ctrl+S")));
    mnuSave->setEnabled(false);
    mnuPrint = addItem(mnuFile, "mnuPrint", QStringLiteral("印刷(&P)"),
                       QKeySequence(QStringLiteral("Ctrl+P")));
    mnuExport = addItem(mnuFile, "mnuExport", QStringLiteral("エクスポート(&E)"),
                        QKeySequence(QStringLiteral("Ctrl+E")));
    mnuSep1 = addSeparator(mnuFile, "mnuSep1");
    mnuEnd = addItem(mnuFile, "mnuEnd", QStringLiteral("終了(&X)"),
                     QKeySequence(QStringLiteral("Ctrl+Q")));
    mnuEdit = addMenu("mnuEdit", QStringLiteral("編集(&E)"));
    mnuSearch = addItem(mnuEdit, "mnuSearch", QStringLiteral("物件一覧(&S)"),
                        QKeySequence(QStringLiteral("Ctrl+L")));
    mnuHikaku = addItem(mnuEdit, "mnuHikaku", QStringLiteral("物件比較(&C)"));
    mnuTrade = addMenu("mnuTrade", QStringLiteral("取引事例(&T)"));
    mnuTradeImport = addItem(mnuTrade, "mnuTradeImport", QStringLiteral("取引事例の取込(&I)…"));
    mnuTradeList = addItem(mnuTrade, "mnuTradeList", QStringLiteral("取り込んだ取引事例(&L)…"));
    mnuShozai = addItem(mnuTrade, "mnuShozai", QStringLiteral("所在地(&P)…"));
    mnuSouba = addItem(mnuTrade, "mnuSouba", QStringLiteral("相場比較(&M)…"));
    mnuOption = addMenu("mnuOption", QStringLiteral("オプション(&O)"));
    mnuEnv = addItem(mnuOption, "mnuEnv", QStringLiteral("環境設定(&E)"));
    mnuHelp = addMenu("mnuHelp", QStringLiteral("ヘルプ(&H)"));
    mnuIndex = addItem(mnuHelp, "mnuIndex", QStringLiteral("ヘルプ(&C)"), QKeySequence(Qt::Key_F1));
    mnuSep2 = addSeparator(mnuHelp, "mnuSep2");
    mnuVersion = addItem(mnuHelp, "mnuVersion", QStringLiteral("バージョン情報(&A)"));

    connect(mnuSave, &QAction::triggered, this, &FrmMain::mnuSave_Click);
    connect(mnuPrint, &QAction::triggered, this, &FrmMain::mnuPrint_Click);
    connect(mnuExport, &QAction::triggered, this, &FrmMain::mnuExport_Click);
    connect(mnuEnd, &QAction::triggered, this, &FrmMain::mnuEnd_Click);
    connect(mnuSearch, &QAction::triggered, this, &FrmMain::mnuSearch_Click);
    connect(mnuHikaku, &QAction::triggered, this, &FrmMain::mnuHikaku_Click);
    connect(mnuTradeImport, &QAction::triggered, this, &FrmMain::mnuTradeImport_Click);
    connect(mnuTradeList, &QAction::triggered, this, &FrmMain::mnuTradeList_Click);
    connect(mnuShozai, &QAction::triggered, this, &FrmMain::mnuShozai_Click);
    connect(mnuSouba, &QAction::triggered, this, &FrmMain::mnuSouba_Click);
    connect(mnuEnv, &QAction::triggered, this, &FrmMain::mnuEnv_Click);
    connect(mnuIndex, &QAction::triggered, this, &FrmMain::mnuIndex_Click);
    connect(mnuVersion, &QAction::triggered, this, &FrmMain::mnuVersion_Click);
    resize(Tw(kClientWidth), Tw(kClientHeight) + bar->sizeHint().height());
}

QPixmap FrmMain::iconPicture() const {
    return QPixmap(QStringLiteral(":/icons/64x64/" IE_APP_ID ".png"));
}

QIcon FrmMain::AppIcon() {
    // The sizes rendered from the one drawing, as the desktop entry's icon.
    return QIcon(new PngSizesIconEngine(QStringLiteral(":/icons/%1x%1/" IE_APP_ID ".png"),
                                        {32, 48, 64, 128, 256}));
}

void FrmMain::paintBackground() {
    // The tile repeats from the top-left corner across the whole client area.
    QPalette pal = client_->palette();
    pal.setBrush(QPalette::Window, QBrush(ImgBack->pixmap()));
    client_->setPalette(pal);
    client_->setAutoFillBackground(true);
}

// What beginStartUp hands to startUp.
struct FrmMain::EarlyStart {
    QString runtime;
    std::unique_ptr<SingleInstance> instance;
    std::unique_ptr<InstanceServer> server;
    // StartSession on another thread, and what it had to say, shown once the window is there.
    std::future<void> session;
    QStringList notices;
};

bool FrmMain::takeRunLock(UiServices& ui, QWidget* parent, const Options& options,
                          EarlyStart& out) {
    // 1. One copy at a time per user; the lock and the scratch file live in the user's own
    // run-time folder, where no other user can take or read them.
    out.runtime = ui.tempFolder();
    if (out.runtime.isEmpty()) {
        QString text = QStringLiteral("一時ファイルを置くフォルダを用意できません。");
        const QString why = ui.tempFolderProblem();
        if (!why.isEmpty())
            text += QLatin1Char('\r') + why;
        ui.message(parent, text + QLatin1Char('\r') + QStringLiteral("プログラムを終了します。"),
                   MsgIcon::Critical);
        return false;
    }
    const QString serverName = options.instanceServerName.isEmpty()
                                   ? InstanceServer::pathIn(out.runtime)
                                   : options.instanceServerName;
    out.instance = std::make_unique<SingleInstance>(out.runtime);
    if (!out.instance->tryAcquire()) {
        out.instance.reset();
        // Nothing is wrong: the copy already running is brought forward, and this one says so.
        InstanceServer::askToRaise(serverName);
        ui.message(parent, AppTitle() + QStringLiteral("はすでに起動されています。"),
                   MsgIcon::Information);
        return false;
    }
    out.server = std::make_unique<InstanceServer>(serverName);
    // Without the socket a second start cannot bring this window forward; nothing else depends
    // on it.
    out.server->listen();
    // A run that was killed left its scratch file (perhaps holding a photo) behind.
    RemoveStaleScratchFiles(out.runtime, kScratchPrefix);
    return true;
}

void FrmMain::EarlyStartDeleter::operator()(EarlyStart* early) const {
    delete early;  // waits for the session's thread, should it still run
}

FrmMain::EarlyStartPtr FrmMain::beginStartUp(ModGlobal& g, UiServices& ui, const Options& options) {
    EarlyStartPtr early(new EarlyStart);
    if (!takeRunLock(ui, nullptr, options, *early))
        return nullptr;
    // Nothing else touches g until startUp waits for this; the notices only gather here.
    const QDate today = ui.today();
    early->session = std::async(std::launch::async, [&g, today, notices = &early->notices] {
        StartSession(g, today, [notices](const QString& notice) { notices->append(notice); });
    });
    return early;
}

bool FrmMain::startUp(EarlyStartPtr early) {
    if (!early) {
        early.reset(new EarlyStart);
        if (!takeRunLock(ui_, this, options_, *early))
            return false;
    }
    const QString runtime = early->runtime;
    instance_ = std::move(early->instance);
    instanceServer_ = early->server.release();
    instanceServer_->setParent(this);
    connect(instanceServer_, &InstanceServer::raiseRequested, this, &FrmMain::bringToFront);

    // 2-3. Splash, gone before any file is checked (or, begun early, before anything is said of
    // them).
    if (options_.showSplash) {
        FrmStart splash;
        splash.showNow();
        splash.closeAfterWait();
    }

    // 4-5. Background and title.
    paintBackground();
    setWindowTitle(AppTitle());

    // 6-8. The files, the mode, the databases and their upgrade, the saved-property count; then
    // the worksheet, the menus and the scratch file.
    const auto tell = [this](const QString& notice) {
        ui_.message(this, notice, MsgIcon::Exclamation);
    };
    try {
        if (early->session.valid()) {
            const auto showNotices = [&] {
                for (const QString& notice : std::as_const(early->notices))
                    tell(notice);
            };
            try {
                early->session.get();
            } catch (const StartupError&) {
                showNotices();
                throw;
            }
            showNotices();
        } else {
            StartSession(g_, ui_.today(), tell);
        }
    } catch (const StartupError& e) {
        for (const QString& text : e.messages()) {
            ui_.message(this, text, MsgIcon::Critical);
        }
        return false;
    }
    InitForm();
    setListMenusEnabled(g_.Bukken.UsrRecCount >= 1);
    scratch_ = CreateClaimedTempFile(runtime, kScratchPrefix, g_.Bukken.PicTempFile);
    return true;
}

void FrmMain::InitForm() {
    TxtKakuti->setText(QStringLiteral("100.00"));
    TxtJiten->setText(QStringLiteral("0"));
    for (QLineEdit* t : {TxtRosenka, TxtTotiMenseki, TxtTotiKakaku, TxtKaokuTuboTanka,
                         TxtKaokuTateTubo, TxtKaokuKakaku, TxtGokeiKakaku}) {
        t->clear();
    }
    BukkenJoho& b = g_.Bukken;
    b.KakutiHoseiRitu = 1.0;
    b.KeijoHosei = 1.0;
    b.ChikaHendoRitu = 0;
    resetDates();
    const QDate today = ui_.today();
    b.KaokuDate = today;
    imDateKaoku->setValue(today);
    ShowKaokuKozo();
    ShowLandWarning();
    CmdSave->setEnabled(false);
    b.NewBukken = true;
    CmdSave->setText(QStringLiteral("新規物件保存"));
}

void FrmMain::setListMenusEnabled(bool enabled) {
    mnuSearch->setEnabled(enabled);
    mnuHikaku->setEnabled(enabled);
    mnuExport->setEnabled(enabled);
}

void FrmMain::releaseDatabaseObjects() {
    ModUsrDbClose(g_);
    ModSysDbClose(g_);
}

void FrmMain::CmdEnd_Click() {
    close();
}

void FrmMain::mnuEnd_Click() {
    close();
}

bool FrmMain::settleUnsavedWork() {
    if (!unsaved_)
        return true;
    if (CmdSave->isEnabled()) {
        switch (ui_.questionYesNoCancel(
            this, QStringLiteral("保存されていない変更があります。保存しますか。"), AppTitle())) {
            case Answer::Yes:
                // A save the user cancels in its own questions, or one that fails, keeps
                // everything where it was.
                return saveProperty(false);
            case Answer::No:
                return true;
            case Answer::Cancel:
                return false;
        }
        return false;
    }
    return ui_.question(this, QStringLiteral("保存されていない変更があります。破棄しますか。"),
                        AppTitle(), Answer::No) == Answer::Yes;
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (!settleUnsavedWork()) {
        event->ignore();
        return;
    }
    // Every way out (the 終了 button, the menu, the close box) releases the databases and removes
    // the scratch file, so that no temporary file is left behind.
    releaseDatabaseObjects();
    if (!g_.Bukken.PicTempFile.isEmpty()) {
        QFile::remove(g_.Bukken.PicTempFile);
    }
    scratch_.reset();
    if (help_) {
        help_->close();
    }
    event->accept();
}

void FrmMain::mnuIndex_Click() {
    if (!help_) {
        help_ = new HelpWindow(this);
        help_->setWindowIcon(windowIcon());
    } else {
        help_->home();
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void FrmMain::bringToFront() {
    ++raiseRequests_;
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void FrmMain::showHelpFor(QWidget* dialog) {
    // A help window of the dialog's own: one of the main window would be blocked by the dialog's
    // modality and could not be scrolled until it closes.
    auto* help = new HelpWindow(dialog);
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->setWindowIcon(windowIcon());
    help->showSection(HelpSection(dialog->objectName()));
    help->show();
    help->raise();
    help->activateWindow();
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == CmdSave && event->type() == QEvent::EnabledChange) {
        mnuSave->setEnabled(CmdSave->isEnabled());
    } else if (event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
               static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier &&
               watched->isWidgetType()) {
        // Only the dialogs of this window; the main window's own F1 is the menu's shortcut.
        QWidget* window = static_cast<QWidget*>(watched)->window();
        if (window != this && window->objectName() != QLatin1String("HelpWindow")) {
            for (QWidget* p = window->parentWidget(); p; p = p->parentWidget()) {
                if (p == this) {
                    showHelpFor(window);
                    return true;
                }
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!client_)
        return;
    const int width = client_->width();
    for (QFrame* line : Line) {
        if (line)
            line->setGeometry(line->x(), line->y(), width - line->x(), line->height());
    }
}

}  // namespace ie
