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
    // 更新回数 as loaded: how many saves the row had seen. A save writes one more, and an update
    // of a row whose count has moved on since means another copy of the program saved it.
    qint64 KoshinKaisu = 0;

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

// Resets the property to an empty one. Keeps the dates, RosenkaNendo, the looked-up rates,
// KeijoHosei, PicTempFile (and the file's content) and the state fields.
void ModClearGlobal(BukkenJoho& rec);

// Number of rows of 物件情報. The connection must be open.
// Throws db::DbError when the table cannot be read.
qint32 ModUsrRecCount(db::Connection& usrDbCon);

}  // namespace ie
