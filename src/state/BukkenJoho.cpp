#include "state/BukkenJoho.h"

#include "state/PropertyStore.h"

namespace ie {

void ModClearGlobal(BukkenJoho& rec) {
    rec.TotiKakaku = Currency();
    rec.TotiMenseki = 0;
    rec.KaokuKakaku = Currency();
    rec.KaokuTuboTanka = 0;
    rec.KaokuTateTubo = 0;
    rec.GokeiKakaku = Currency();
    rec.Rosenka = Currency();
    rec.KakutiHoseiRitu = 1.0;
    rec.ChikaHendoRitu = 0;
    rec.SonotaHosei = 1.0;
    rec.SonotaRank = 0;
    rec.KeikaNensu = 0;
    rec.KeinenHoseiRitu = 0;
    rec.Jusho.clear();
    rec.Kaisha.clear();
    rec.Tanto.clear();
    rec.Denwa.clear();
    rec.TotiHanbaiKakaku = Currency();
    rec.KaokuHanbaiKakaku = Currency();
    rec.GokeiHanbaiKakaku = Currency();
    rec.Biko.clear();
    rec.PicUmu = false;
    rec.PicFile.clear();
    rec.CsvFile.clear();
    rec.MudoroRank = 0;
    rec.MaguchiRank = 0;
    rec.KoatuRank = 0;
    rec.GakeRank = 0;
    rec.Sokumen1Rank = 0;
    rec.Sokumen2Rank = 0;
    rec.UramenRank = 0;
    rec.OkuyukiRank = 0;
    rec.FuseikeiRank = 0;
    rec.MinamiRank = 0;
    rec.KaokuKozoCD = 0;
    rec.KoshinKaisu = 0;
}

qint32 ModUsrRecCount(db::Connection& usrDbCon) {
    return PropertyStore(usrDbCon).count();
}

}  // namespace ie
