#include "valuation/OfficialLotRecord.h"

#include "common/AreaRule.h"
#include "common/NumberRule.h"
#include "state/BukkenJoho.h"
#include "state/ModGlobal.h"
#include "valuation/OfficialTables.h"

#include <cmath>

namespace ie {

namespace {

std::optional<official::Road> RoadOf(const Currency& price, double depth, qint32 kind,
                                     double contact) {
    const qint64 yen = price.raw() / Currency::kScale;
    if (yen <= 0)
        return std::nullopt;
    return official::Road{
        yen, ToHundredths(depth), ToHundredths(contact),
        kind == 1 ? official::CornerKind::SemiCorner : official::CornerKind::Corner};
}

}  // namespace

qint64 ToHundredths(double value) {
    if (!std::isfinite(value) || value <= 0 || value > 1e13)
        return 0;
    return std::llround(RoundArea(value) * 100);
}

official::Inputs OfficialInputsOf(const BukkenJoho& rec, double rosenka, double area) {
    official::Inputs in;
    in.district =
        rec.District == 1 ? official::District::Commercial : official::District::Residential;
    in.price = std::isfinite(rosenka) && rosenka > 0 && rosenka < 1e15
                   ? static_cast<qint64>(std::floor(rosenka))
                   : 0;
    in.area = ToHundredths(area);
    in.frontage = ToHundredths(rec.Frontage);
    in.depth = ToHundredths(rec.Depth);
    in.side[0] = RoadOf(rec.Side1Price, rec.Side1Depth, rec.Side1Kind, rec.Side1Contact);
    in.side[1] = RoadOf(rec.Side2Price, rec.Side2Depth, rec.Side2Kind, rec.Side2Contact);
    in.rear = RoadOf(rec.RearPrice, rec.RearDepth, 0, rec.RearContact);
    in.assumedArea = ToHundredths(rec.AssumedArea);
    in.metro = rec.Metro != 0;
    in.scaleExcluded = rec.ScaleExcluded != 0;
    in.cliffShare = ToHundredths(rec.CliffShare);
    in.cliffFacing = static_cast<official::Facing>(std::clamp(rec.CliffFacing, 0, 3));
    in.dangerShare = ToHundredths(rec.DangerShare);
    in.setback = ToHundredths(rec.SetbackArea);
    in.noRoad = rec.MudoroRank != 0;
    in.highVoltage = rec.KoatuRank != 0;
    in.southRoad = rec.MinamiRank != 0;
    in.otherPercent = std::clamp(rec.SonotaRank, -100, 100);
    in.multiplier = rec.MultiplierArea != 0;
    in.assessed = rec.AssessedValue.raw() / Currency::kScale;
    in.multiplierRate = ToHundredths(rec.MultiplierRate);
    return in;
}

official::Result WorkOfficialLot(const official::Tables& tables, const BukkenJoho& rec,
                                 const QString& rosenkaText, const QString& areaText) {
    const std::optional<double> area = ParseSiteArea(areaText);
    if (!area || *area <= 0) {
        official::Result r;
        r.refusal = QStringLiteral("[土地の面積]　欄に数値を入力してください。");
        return r;
    }
    const std::optional<double> rosenka = ParseNumber(rosenkaText);
    if (rec.MultiplierArea == 0 && (!rosenka || *rosenka <= 0)) {
        official::Result r;
        r.refusal = QStringLiteral("[路線価]　欄に数値を入力してください｡");
        return r;
    }
    const double price = rosenka.value_or(0);
    return official::Calculate(OfficialInputsOf(rec, price, *area), tables, price);
}

official::Result RefreshOfficialLot(ModGlobal& g, BukkenJoho& rec, const QString& rosenkaText,
                                    const QString& areaText, std::optional<qint64>* rosenka,
                                    QString* table) {
    const official::Tables tables = ReadOfficialTables(g, table);
    official::Result r = WorkOfficialLot(tables, rec, rosenkaText, areaText);
    if (r.refusal.isEmpty()) {
        rec.KakutiHoseiRitu = r.lotFactor;
        if (rosenka && rec.MultiplierArea != 0)
            *rosenka = r.roadPrice;
    }
    return r;
}

FieldReading ReadAmountField(const QString& text, const QString& field) {
    FieldReading out;
    if (text.trimmed().isEmpty())
        return out;
    const std::optional<double> v = ParseNumber(text);
    if (!v || !std::isfinite(*v)) {
        out.error = QStringLiteral("「%1」に数値を入力してください。").arg(field);
        return out;
    }
    if (*v < 0) {
        out.error = QStringLiteral("「%1」に負の数は入力できません。").arg(field);
        return out;
    }
    if (*v > 1e12) {
        out.error = QStringLiteral("「%1」の数値が大きすぎます。").arg(field);
        return out;
    }
    out.value = RoundArea(*v);
    return out;
}

FieldReading ReadShareField(const QString& text, const QString& field) {
    FieldReading out = ReadAmountField(text, field);
    if (out.error.isEmpty() && out.value > 100) {
        out.error = QStringLiteral("「%1」は0～100%の範囲で入力してください。").arg(field);
        out.value = 0;
    }
    return out;
}

}  // namespace ie
