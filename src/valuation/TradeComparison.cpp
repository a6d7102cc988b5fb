#include "valuation/TradeComparison.h"

#include "common/Formats.h"
#include "common/SalesRatio.h"
#include "state/BukkenJoho.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ie {

namespace {

using trades::BuildYear;
using trades::Kind;
using trades::Measure;

// Whole-number quotient rounded half to even (num >= 0, den > 0).
qint64 DivideHalfEven(qint64 num, qint64 den) {
    const qint64 q = num / den;
    const qint64 r = num % den;
    if (2 * r > den || (2 * r == den && (q % 2) != 0))
        return q + 1;
    return q;
}

// The value at position (n − 1) × quarters / 4 of sorted values, in ten-thousandths of a yen:
// a quarter of a yen is 2,500 of them, so the interpolation is exact.
Currency At(const std::vector<qint64>& sorted, int quarters) {
    const qint64 pos4 = static_cast<qint64>(sorted.size() - 1) * quarters;
    const size_t lo = static_cast<size_t>(pos4 / 4);
    const qint64 frac = pos4 % 4;
    const qint64 low = sorted[lo];
    const qint64 high = frac == 0 ? low : sorted[lo + 1];
    return Currency::fromRaw((4 * low + frac * (high - low)) * (Currency::kScale / 4));
}

bool BuiltWithin(const trades::Trade& t, const ComparisonSubject& s, int years) {
    return t.built.kind == BuildYear::Kind::Year && std::abs(t.built.year - s.builtYear) <= years;
}

bool Takes(const ComparisonTier& tier, const ComparisonSubject& s, const trades::Trade& t) {
    if (t.period < FirstPeriod(tier, s.valuationPeriod) || t.period > s.valuationPeriod)
        return false;
    if (tier.sameDistrict && t.district != s.district)
        return false;
    // A floor or range ("2,000㎡以上") is no area to compare with.
    const Measure& size = s.house ? t.floorArea : t.area;
    if (!size.exact() || !AreaWithin(size.value, s, tier.percent))
        return false;
    return !s.house || BuiltWithin(t, s, tier.years);
}

QString TierText(const ComparisonTier& tier, const ComparisonSubject& s) {
    QString text = tier.sameDistrict ? QStringLiteral("同じ市区町村・地区名（") + s.district +
                                           QStringLiteral("）")
                                     : QStringLiteral("同じ市区町村");
    text += QStringLiteral("、") + trades::PeriodText(FirstPeriod(tier, s.valuationPeriod)) +
            QStringLiteral("～") + trades::PeriodText(s.valuationPeriod) + QStringLiteral("（") +
            QString::number(tier.quarters) + QStringLiteral("四半期）の取引");
    if (s.house) {
        text += QStringLiteral("、建築年±") + QString::number(tier.years) +
                QStringLiteral("年、延床面積±") + QString::number(tier.percent) +
                QStringLiteral("％");
    } else {
        text += QStringLiteral("、土地面積±") + QString::number(tier.percent) + QStringLiteral("％");
    }
    return text;
}

}  // namespace

std::optional<ComparisonSubject> SubjectOf(const BukkenJoho& rec, QString* why) {
    const auto fail = [why](const QString& text) -> std::optional<ComparisonSubject> {
        if (why != nullptr)
            *why = text;
        return std::nullopt;
    };
    if (rec.ShozaiCityCode <= 0)
        return fail(QStringLiteral("所在地の市区町村が選ばれていません。"));
    if (!rec.HyokaDate.isValid())
        return fail(QStringLiteral("評価年月日がありません。"));
    ComparisonSubject s;
    s.cityCode = rec.ShozaiCityCode;
    s.district = rec.ShozaiChiku;
    s.valuationPeriod = trades::PeriodOfDate(rec.HyokaDate.year(), rec.HyokaDate.month());
    s.house = rec.KaokuTuboTanka > 0 && rec.KaokuTateTubo > 0;
    if (s.house) {
        // The floor area is kept in tsubo to two places.
        s.size = std::llround(rec.KaokuTateTubo * 100);
        if (!rec.KaokuDate.isValid())
            return fail(QStringLiteral("家屋の建築年月日がありません。"));
        s.builtYear = rec.KaokuDate.year();
    } else {
        s.size = std::llround(rec.TotiMenseki * 100);
        if (s.size <= 0)
            return fail(QStringLiteral("敷地面積がありません。"));
    }
    s.asking = rec.GokeiHanbaiKakaku;
    s.estimate = rec.GokeiKakaku;
    return s;
}

const std::vector<ComparisonTier>& ComparisonTiers() {
    static const std::vector<ComparisonTier> tiers = {
        {1, true, 8, 10, 30},
        {2, false, 8, 10, 30},
        {3, false, 12, 15, 50},
    };
    return tiers;
}

int FirstPeriod(const ComparisonTier& tier, int valuationPeriod) {
    return valuationPeriod - tier.quarters + 1;
}

bool AreaWithin(qint64 f, const ComparisonSubject& s, int percent) {
    if (s.house) {
        // f/100 ㎡ against (100 ± p)% of s.size/100 tsubo × 400/121 ㎡, both sides × 12,100.
        const qint64 lhs = f * 12100;
        return lhs >= (100 - percent) * 400 * s.size && lhs <= (100 + percent) * 400 * s.size;
    }
    const qint64 lhs = f * 100;
    return lhs >= (100 - percent) * s.size && lhs <= (100 + percent) * s.size;
}

Quartiles QuartilesOf(std::vector<qint64> yen) {
    Quartiles q;
    q.count = static_cast<int>(yen.size());
    if (yen.empty())
        return q;
    std::sort(yen.begin(), yen.end());
    q.q1 = At(yen, 1);
    q.median = At(yen, 2);
    q.q3 = At(yen, 3);
    return q;
}

std::optional<qint64> PricePerSquareMetre(const trades::Trade& t) {
    if (!t.area.exact() || t.area.value <= 0)
        return std::nullopt;
    return DivideHalfEven(t.price * 100, t.area.value);
}

ComparisonResult CompareTrades(const ComparisonSubject& subject,
                               const std::vector<StoredTrade>& trades) {
    ComparisonResult r;
    r.subject = subject;
    const Kind kind = subject.house ? Kind::HouseAndLand : Kind::Land;
    for (const ComparisonTier& tier : ComparisonTiers()) {
        // Without a 地区名 the first tier is the second.
        if (tier.sameDistrict && subject.district.isEmpty())
            continue;
        r = ComparisonResult{};
        r.subject = subject;
        r.tier = tier.number;
        r.tierText = TierText(tier, subject);
        int counted = 0;
        for (const StoredTrade& st : trades) {
            if (st.trade.kind != kind || st.trade.cityCode != subject.cityCode ||
                !Takes(tier, subject, st.trade))
                continue;
            ComparedTrade c;
            c.stored = st;
            c.inStatistics = st.trade.circumstances.isEmpty();
            c.perSquareMetre = PricePerSquareMetre(st.trade);
            if (st.trade.built.kind == BuildYear::Kind::Year)
                c.age = trades::PeriodYear(subject.valuationPeriod) - st.trade.built.year;
            if (c.inStatistics)
                ++counted;
            else
                ++r.leftOut;
            r.trades.push_back(std::move(c));
        }
        r.enough = counted >= kComparisonMinimum;
        if (r.enough)
            break;
    }
    std::vector<qint64> prices;
    std::vector<qint64> perSqm;
    for (const ComparedTrade& c : r.trades) {
        if (!c.inStatistics)
            continue;
        prices.push_back(c.stored.trade.price);
        if (c.perSquareMetre)
            perSqm.push_back(*c.perSquareMetre);
    }
    r.price = QuartilesOf(prices);
    r.perSquareMetre = QuartilesOf(perSqm);
    if (r.price.count > 0) {
        const double median = r.price.median.toDouble();
        r.askingRatio = SalesRatio(subject.asking.toDouble(), median);
        r.estimateRatio = SalesRatio(subject.estimate.toDouble(), median);
    }
    return r;
}

ComparisonResult CompareWithTrades(db::Connection& con, const ComparisonSubject& subject) {
    int widest = 0;
    for (const ComparisonTier& t : ComparisonTiers())
        widest = std::max(widest, t.quarters);
    const Kind kind = subject.house ? Kind::HouseAndLand : Kind::Land;
    const std::vector<StoredTrade> rows = ReadTrades(
        con, subject.cityCode, kind, subject.valuationPeriod - widest + 1, subject.valuationPeriod);
    return CompareTrades(subject, rows);
}

QString ComparisonLimitsText() {
    return QStringLiteral(
        "取引事例からは建物や土地の状態、改装の有無（「改装」は空欄が多い）、取引の特殊な事情"
        "（取引の事情等、事例ごとに表示）は読み取れず、成約価格情報は2021年以降の分しかありません。");
}

QString ComparisonCountText(const ComparisonResult& r) {
    QString text = QString::number(r.price.count) + QStringLiteral("件");
    if (r.leftOut > 0)
        text += QStringLiteral("（取引の事情等がある") + QString::number(r.leftOut) +
                QStringLiteral("件を除く）");
    return text;
}

}  // namespace ie
