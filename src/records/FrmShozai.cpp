#include "records/FrmShozai.h"

#include "common/AppError.h"
#include "common/TradeCsv.h"
#include "platform/QtUiServices.h"
#include "platform/UiServices.h"
#include "records/FrmTrades.h"
#include "state/ModGlobal.h"
#include "state/TradeStore.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace ie {

FrmShozai::FrmShozai(ModGlobal& g, UiServices& ui, QWidget* parent)
    : QDialog(parent), g_(g), ui_(ui) {
    setObjectName(QStringLiteral("FrmShozai"));
    setWindowTitle(QStringLiteral("所在地"));
    setFont(WindowFont());
    const auto combo = [this](const char* name, bool editable, const QString& tip) {
        auto* c = new QComboBox(this);
        c->setObjectName(QLatin1String(name));
        c->setEditable(editable);
        c->setToolTip(tip);
        c->setMinimumWidth(240);
        return c;
    };
    CboKen = combo("CboKen", false, QStringLiteral("都道府県を選びます。"));
    CboCity = combo("CboCity", false,
                    QStringLiteral("市区町村を選びます（取り込んだ取引事例の市区町村から）。"));
    CboChiku = combo("CboChiku", true, QStringLiteral("地区名を選ぶか入力します（省略可）。"));
    CboEki = combo("CboEki", true, QStringLiteral("最寄駅を選ぶか入力します（省略可）。"));
    TxtToho = new QSpinBox(this);
    TxtToho->setObjectName(QStringLiteral("TxtToho"));
    TxtToho->setRange(0, 120);
    TxtToho->setSuffix(QStringLiteral(" 分"));
    TxtToho->setSpecialValueText(QStringLiteral("―"));
    TxtToho->setToolTip(QStringLiteral("最寄駅から徒歩で何分かを入力します（省略可）。"));
    CmdOK = new QPushButton(QStringLiteral("OK"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("都道府県"), CboKen);
    form->addRow(QStringLiteral("市区町村"), CboCity);
    form->addRow(QStringLiteral("地区名"), CboChiku);
    form->addRow(QStringLiteral("最寄駅"), CboEki);
    form->addRow(QStringLiteral("徒歩"), TxtToho);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CmdOK);
    buttons->addWidget(CmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(CboKen, &QComboBox::currentIndexChanged, this, &FrmShozai::CboKen_Click);
    connect(CboCity, &QComboBox::currentIndexChanged, this, &FrmShozai::CboCity_Click);
    connect(CmdOK, &QPushButton::clicked, this, &FrmShozai::CmdOK_Click);
    connect(CmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    CmdOK->setDefault(true);
}

bool FrmShozai::Form_Load() {
    QList<int> prefectures;
    if (QFileInfo::exists(g_.TradesDbPath)) {
        try {
            db::Connection con;
            OpenTradesDb(con, g_.TradesDbPath, false);
            prefectures = TradePrefectures(con);
        } catch (const AppError& e) {
            OfferTradesRebuild(g_, ui_, this, e);
            return false;
        }
    }
    haveTrades_ = !prefectures.isEmpty();
    if (!haveTrades_) {
        for (int i = 1; i <= 47; ++i)
            prefectures << i;
    }
    const BukkenJoho& b = g_.Bukken;
    CboKen->blockSignals(true);
    CboKen->addItem(QString(), 0);
    for (int p : prefectures)
        CboKen->addItem(trades::PrefectureNames().value(p - 1), p);
    const int own = trades::PrefectureCode(b.ShozaiKen);
    CboKen->setCurrentIndex(std::max(0, CboKen->findData(own)));
    CboKen->blockSignals(false);
    CboKen_Click(CboKen->currentIndex());
    CboCity->setCurrentIndex(std::max(0, CboCity->findData(b.ShozaiCityCode)));
    CboChiku->setCurrentText(b.ShozaiChiku);
    CboEki->setCurrentText(b.ShozaiEki);
    TxtToho->setValue(b.ShozaiToho);
    return true;
}

void FrmShozai::CboKen_Click(int index) {
    CboCity->blockSignals(true);
    CboCity->clear();
    CboCity->addItem(QString(), 0);
    const int prefecture = CboKen->itemData(index).toInt();
    if (haveTrades_ && prefecture > 0) {
        try {
            db::Connection con;
            OpenTradesDb(con, g_.TradesDbPath, false);
            for (const TradeCity& c : TradeCities(con, prefecture))
                CboCity->addItem(c.name, c.code);
        } catch (const AppError&) {
            // Read at the window's start already; the list stays empty.
        }
    }
    CboCity->blockSignals(false);
    CboCity_Click(CboCity->currentIndex());
}

void FrmShozai::CboCity_Click(int index) {
    const QString district = CboChiku->currentText();
    const QString station = CboEki->currentText();
    CboChiku->clear();
    CboEki->clear();
    const int city = CboCity->itemData(index).toInt();
    if (city > 0) {
        try {
            db::Connection con;
            OpenTradesDb(con, g_.TradesDbPath, false);
            QStringList districts = TradeDistricts(con, city);
            QStringList stations = TradeStations(con, city);
            districts.sort();
            stations.sort();
            CboChiku->addItems(districts);
            CboEki->addItems(stations);
        } catch (const AppError&) {
        }
    }
    CboChiku->setCurrentText(district);
    CboEki->setCurrentText(station);
}

void FrmShozai::CmdOK_Click() {
    BukkenJoho& b = g_.Bukken;
    b.ShozaiKen = CboKen->currentIndex() > 0 ? CboKen->currentText() : QString();
    b.ShozaiCityCode = CboCity->currentData().toInt();
    b.ShozaiCity = b.ShozaiCityCode > 0 ? CboCity->currentText() : QString();
    b.ShozaiChiku = CboChiku->currentText().trimmed();
    b.ShozaiEki = CboEki->currentText().trimmed();
    b.ShozaiToho = TxtToho->value();
    accept();
}

}  // namespace ie
