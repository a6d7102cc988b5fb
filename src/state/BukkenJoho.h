#pragma once

#include "common/Currency.h"

#include <QDate>
#include <QString>

namespace ie {

namespace db {
class Connection;
}

// The current property: the one record every window reads and writes. Zero-initialised at start.
struct BukkenJoho {
    // Stored fields (one per column of 物件情報).
    Currency Rosenka;
    double TotiMenseki = 0;
    qint32 Sokumen1Rank = 0;
    qint32 Sokumen2Rank = 0;
    qint32 UramenRank = 0;
    qint32 MinamiRank = 0;
    qint32 MaguchiRank = 0;
    qint32 OkuyukiRank = 0;
    qint32 FuseikeiRank = 0;
    qint32 GakeRank = 0;
    qint32 KoatuRank = 0;
    qint32 MudoroRank = 0;
    qint32 SonotaRank = 0;
    double ChikaHendoRitu = 0;
    double KakutiHoseiRitu = 0;
    Currency TotiKakaku;
    double KaokuTuboTanka = 0;
    double KaokuTateTubo = 0;
    QDate KaokuDate;
    Currency KaokuKakaku;
    QDate HyokaDate;
    QString Jusho;
    QString Kaisha;
    QString Tanto;
    QString Denwa;
    QString Biko;
    Currency TotiHanbaiKakaku;
    Currency KaokuHanbaiKakaku;
    Currency GokeiHanbaiKakaku;
    bool PicUmu = false;
    qint32 KaokuKozoCD = 0;  // 家屋構造CD; 0 when no structure was chosen
    // The lot factor's way and the official way's inputs (lengths in m, areas in ㎡, shares in
    // percent, two decimals; 0 is "none"). Rows saved before these columns load as the quick way.
    qint32 LotMethod = 0;  // 0 かんたん入力, 1 財産評価基本通達
    qint32 District = 0;   // 0 普通住宅地区, 1 普通商業・併用住宅地区
    double Frontage = 0;
    double Depth = 0;
    Currency Side1Price;
    double Side1Depth = 0;
    qint32 Side1Kind = 0;  // 0 角地, 1 準角地
    double Side1Contact = 0;
    Currency Side2Price;
    double Side2Depth = 0;
    qint32 Side2Kind = 0;
    double Side2Contact = 0;
    Currency RearPrice;
    double RearDepth = 0;
    double RearContact = 0;
    double AssumedArea = 0;  // 想定整形地の地積
    qint32 Metro = 0;        // 三大都市圏
    qint32 ScaleExcluded = 0;
    double CliffShare = 0;
    qint32 CliffFacing = 0;  // 0 南, 1 東, 2 西, 3 北
    double DangerShare = 0;
    double SetbackArea = 0;
    qint32 MultiplierArea = 0;  // 倍率地域
    Currency AssessedValue;     // 固定資産税評価額
    double MultiplierRate = 0;  // 倍率
    // 更新回数 as loaded: how many saves the row had seen. A save writes one more, and an update
    // of a row whose count has moved on since means another copy of the program saved it.
    qint64 KoshinKaisu = 0;
    // 所在地 as the trades name it, for the comparison with them: the prefecture's name, the
    // city by its 市区町村コード (0: none chosen) and name, the district, the nearest station and
    // the minutes' walk to it.
    QString ShozaiKen;
    qint32 ShozaiCityCode = 0;
    QString ShozaiCity;
    QString ShozaiChiku;
    QString ShozaiEki;
    qint32 ShozaiToho = 0;
    // Where the price per tsubo came from: "全国（建築価額表 2023年）", "都道府県（工事費用表
    // 2023年分 東京都）" or "手入力"; empty for a property saved before the source was kept.
    QString KaokuTankaShutten;
    // How the house's age was counted (AgeCount: 0 the calendar years, 1 the NTA's half-year rule).
    qint32 KeikaNensuKazoekata = 0;

    // Working fields.
    Currency GokeiKakaku;
    QDate RosenkaNendo;  // also stored (路線価年度)
    qint32 KeikaNensu = 0;
    double KeinenHoseiRitu = 0;
    double MudoroHosei = 0;
    double MaguchiHosei = 0;
    double KoatuHosei = 0;
    double GakeHosei = 0;
    double Sokumen1Hosei = 0;
    double Sokumen2Hosei = 0;
    double UramenHosei = 0;
    double OkuyukiHosei = 0;
    double FuseikeiHosei = 0;
    double MinamiHosei = 0;
    double SonotaHosei = 0;
    double KeijoHosei = 0;
    // The worksheet's result shown has inputs changed since it was calculated; the report notes
    // it. Never stored.
    // The structure's name as the worksheet shows it, for the report; never stored.
    QString KaokuKozoMei;
    bool TotiKakakuStale = false;
    bool KaokuKakakuStale = false;
    QString PicTempFile;
    QString PicFile;
    QString CsvFile;

    // State fields.
    bool NewBukken = false;
    qint32 BukkenID = 0;
    bool BukkenRead = false;
    qint32 UsrRecCount = 0;
};

// 所在地 as one text: 都道府県, 市区町村 and 地区名 run together ("東京都世田谷区桜丘"); empty
// when none is given.
QString LocationText(const BukkenJoho& rec);

// The name a save chooser proposes for a file about the property: kind, the address (住所, else
// 所在地) or the property's ID, and the day, apart by "_" ("物件帳票_東京都調布市…_20261207.pdf"),
// the address made safe and cut short for a file name; the kind and the day alone when the
// property has neither.
QString PropertyFileName(const QString& kind, const BukkenJoho& rec, const QDate& day,
                         const QString& suffix);

// Resets the property to an empty one. Keeps the dates, RosenkaNendo, the looked-up rates,
// KeijoHosei, PicTempFile (and the file's content) and the state fields.
void ModClearGlobal(BukkenJoho& rec);

// Number of rows of 物件情報. The connection must be open.
// Throws db::DbError when the table cannot be read.
qint32 ModUsrRecCount(db::Connection& usrDbCon);

}  // namespace ie
