#include "valuation/LotCorrection.h"

#include "common/NumberRule.h"
#include "common/Rounding.h"
#include "state/BukkenJoho.h"
#include "state/ModGlobal.h"
#include "valuation/RateLookup.h"

#include <cmath>

namespace ie {

bool RoadChoiceConflicts(bool soku1, bool soku2, bool ura, bool maguti, bool minami, bool mudoro) {
    return mudoro && (soku1 || soku2 || ura || maguti || minami);
}

void LookUpLotFactors(ModGlobal& g, BukkenJoho& rec, QString* table) {
    struct Step {
        const QString& table;
        qint32 rank;
        double* hosei;
    };
    const Step steps[] = {
        {kGakeTable, rec.GakeRank, &rec.GakeHosei},
        {kKoatuTable, rec.KoatuRank, &rec.KoatuHosei},
        {kMudoroTable, rec.MudoroRank, &rec.MudoroHosei},
        {kSokumen1Table, rec.Sokumen1Rank, &rec.Sokumen1Hosei},
        {kSokumen2Table, rec.Sokumen2Rank, &rec.Sokumen2Hosei},
        {kUramenTable, rec.UramenRank, &rec.UramenHosei},
        {kMinamiTable, rec.MinamiRank, &rec.MinamiHosei},
        {kMaguchiTable, rec.MaguchiRank, &rec.MaguchiHosei},
        {kFuseikeiTable, rec.FuseikeiRank, &rec.FuseikeiHosei},
        {kOkuyukiTable, rec.OkuyukiRank, &rec.OkuyukiHosei},
    };
    for (const Step& s : steps) {
        if (table)
            *table = s.table;
        *s.hosei = ModGetHosei(g, s.rank, s.table);
    }
    if (table)
        table->clear();
}

SonotaAdjustment SonotaFromText(const QString& text) {
    SonotaAdjustment a;
    const std::optional<double> number = ParseNumber(text);
    if (!number) {
        a.emptyText = true;
        return a;
    }
    // Rounded before the range check, so 100.4 still counts as 100. A number far outside the
    // range (1e9) is simply no adjustment, as any other out-of-range number.
    const double rounded = RoundHalfEven(*number);
    if (rounded < -100 || rounded > 100) {
        a.outOfRange = true;
        return a;
    }
    a.rank = static_cast<qint32>(rounded);
    a.hosei = (static_cast<double>(a.rank) + 100.0) / 100.0;
    return a;
}

double KeijoFactor(double okuyuki, double maguchi, double fuseikei) {
    const double p = okuyuki * maguchi;
    return p > fuseikei ? fuseikei : p;
}

void CombineLotFactors(BukkenJoho& rec) {
    rec.KeijoHosei = KeijoFactor(rec.OkuyukiHosei, rec.MaguchiHosei, rec.FuseikeiHosei);
    double k = rec.KoatuHosei;
    k *= rec.GakeHosei;
    k *= rec.Sokumen1Hosei;
    k *= rec.Sokumen2Hosei;
    k *= rec.UramenHosei;
    k *= rec.MudoroHosei;
    k *= rec.MinamiHosei;
    k *= rec.SonotaHosei;
    k *= rec.KeijoHosei;
    rec.KakutiHoseiRitu = k;
}

bool FinishLotCorrection(BukkenJoho& rec, const QString& sonotaText) {
    const SonotaAdjustment a = SonotaFromText(sonotaText);
    rec.SonotaRank = a.rank;
    rec.SonotaHosei = a.hosei;
    CombineLotFactors(rec);
    return a.emptyText;
}

bool ApplyLotChoices(ModGlobal& g, BukkenJoho& rec, const QString& sonotaText, QString* table) {
    LookUpLotFactors(g, rec, table);
    return FinishLotCorrection(rec, sonotaText);
}

}  // namespace ie
