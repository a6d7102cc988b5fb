#include "records/CalcBreakdown.h"

#include "common/AppError.h"
#include "common/AreaRule.h"
#include "common/Formats.h"
#include "common/JapaneseCalendar.h"
#include "state/BukkenJoho.h"
#include "state/ModGlobal.h"
#include "state/RoadAccess.h"
#include "valuation/HousePrice.h"
#include "valuation/LandPrice.h"
#include "valuation/LotCorrection.h"
#include "valuation/OfficialLotRecord.h"
#include "valuation/OfficialTables.h"
#include "valuation/RateLookup.h"

#include <cstdlib>
#include <optional>

namespace ie {

namespace {

constexpr qint64 kDaysPerYear = 365;  // as the land calculation carries the price

using Column = BreakdownSection::Column;

// An amount exactly as it is added: whole yen grouped, then the fraction it carries, trailing
// zeros left out ("44,230,159.43", "9,804,078").
QString ExactAmount(Currency value) {
    const QString plain = value.toPlainText();
    const qsizetype point = plain.indexOf(QLatin1Char('.'));
    const QString fraction = point < 0 ? QString() : plain.mid(point);
    const Currency whole = Currency::fromRaw(value.raw() - value.raw() % Currency::kScale);
    QString text = FormatWhole(whole);
    if (value.raw() < 0 && whole.isZero())
        text.prepend(QLatin1Char('-'));
    return text + fraction;
}

QString Yen(Currency value) {
    return FormatWhole(value) + QStringLiteral(" 円");
}

// An area as "#,##0.##": whole areas read as on page 1, decimals without trailing zeros.
QString Area(double value) {
    QString text = FormatGrouped2(value);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

QString Percent(double rate) {
    return PlainNumber(rate * 100) + QLatin1Char('%');
}

// "1 + 4.6%" or "1 - 0.6%".
QString OnePlus(double rate, const QString& tail = {}) {
    const QString sign = rate < 0 ? QStringLiteral("1 - ") : QStringLiteral("1 + ");
    return sign + Percent(std::abs(rate)) + tail;
}

QString RoadYear(const QDate& nendo) {
    if (!nendo.isValid())
        return QStringLiteral("（未設定）");
    QString text = QString::number(nendo.year()) + QStringLiteral("年度");
    if (const auto era = jcal::EraOfYear(nendo.year())) {
        const QString year = era->year == 1 ? QStringLiteral("元") : QString::number(era->year);
        text += QStringLiteral("（") + era->era + year + QStringLiteral("年度）");
    }
    return text;
}

BreakdownLine Line(const QString& label, const QString& value) {
    return BreakdownLine{label, value};
}

BreakdownLine Note(const QString& text) {
    return BreakdownLine{QString(), text};
}

// The land calculation run again on a copy of rec, once per stage: before carrying, after the
// whole years, and to the valuation date. nullopt where the calculation fails.
struct LandStages {
    std::optional<Currency> base;
    std::optional<Currency> afterYears;
    std::optional<Currency> result;
};

std::optional<Currency> LandAt(const BukkenJoho& rec, const QDate& hyoka) {
    BukkenJoho copy = rec;
    copy.HyokaDate = hyoka;
    // The texts the worksheet shows for these values, as a recalculation reads them.
    const LandInputTexts texts{rec.Rosenka.toPlainText(), QString::number(rec.TotiMenseki, 'g', 17),
                               PlainNumber(rec.ChikaHendoRitu * 100)};
    if (!CalcLandPrice(copy, texts).done())
        return std::nullopt;
    return copy.TotiKakaku;
}

QString ResultText(const std::optional<Currency>& value) {
    return value ? Yen(*value) : QStringLiteral("計算できません（数値が大きすぎます）");
}

// A note when page 1 shows another figure than the one worked out here.
void AddMismatch(std::vector<BreakdownLine>& lines, const QString& what, Currency onPage1,
                 const std::optional<Currency>& worked) {
    if (worked && FormatWhole(*worked) == FormatWhole(onPage1))
        return;
    lines.push_back(Note(QStringLiteral("※1ページの%1（%2）は、この内訳と異なる入力で計算されて"
                                        "います。計算をやり直してください。")
                             .arg(what, Yen(onPage1))));
}

struct LotRow {
    const QString& table;
    QString label;
    double BukkenJoho::*hosei;
};

void AddQuickLot(ModGlobal& g, const BukkenJoho& rec, BreakdownContent& content,
                 QStringList& usedTables) {
    // The lot factors, each looked up by the property's rank.
    BukkenJoho factors = rec;
    LookUpLotFactors(g, factors);
    factors.SonotaHosei = (static_cast<double>(rec.SonotaRank) + 100.0) / 100.0;
    CombineLotFactors(factors);
    const LotRow lotRows[] = {
        {kSokumen1Table, QStringLiteral("側方路線（1本目）"), &BukkenJoho::Sokumen1Hosei},
        {kSokumen2Table, QStringLiteral("側方路線（2本目）"), &BukkenJoho::Sokumen2Hosei},
        {kUramenTable, QStringLiteral("背面路線"), &BukkenJoho::UramenHosei},
        {kMinamiTable, QStringLiteral("南側の道路"), &BukkenJoho::MinamiHosei},
        {kMaguchiTable, QStringLiteral("間口狭小"), &BukkenJoho::MaguchiHosei},
        {kKoatuTable, QStringLiteral("高圧線下"), &BukkenJoho::KoatuHosei},
        {kMudoroTable, QStringLiteral("無道路地"), &BukkenJoho::MudoroHosei},
        {kOkuyukiTable, QStringLiteral("奥行長大"), &BukkenJoho::OkuyukiHosei},
        {kFuseikeiTable, QStringLiteral("不整形地"), &BukkenJoho::FuseikeiHosei},
        {kGakeTable, QStringLiteral("崖地"), &BukkenJoho::GakeHosei},
    };
    BreakdownSection lot{Column::Left, QStringLiteral("画地補正率（1 は補正なし）"), {}};
    for (const LotRow& row : lotRows) {
        const double f = factors.*row.hosei;
        lot.lines.push_back(Line(row.label, PlainNumber(f)));
        if (f != 1.0)
            usedTables << row.table;
    }
    lot.lines.push_back(Line(QStringLiteral("その他（%1%）").arg(rec.SonotaRank),
                             PlainNumber(factors.SonotaHosei)));
    lot.lines.push_back(
        Line(QStringLiteral("形状補正"),
             PlainNumber(factors.KeijoHosei) + QStringLiteral("（奥行×間口と不整形の小さい方）")));
    lot.lines.push_back(
        Line(QStringLiteral("画地補正率"), PlainNumber(rec.KakutiHoseiRitu) + QStringLiteral("（") +
                                               FormatGrouped2(rec.KakutiHoseiRitu * 100) +
                                               QStringLiteral("％、上の率の積）")));
    if (PlainNumber(factors.KakutiHoseiRitu) != PlainNumber(rec.KakutiHoseiRitu)) {
        lot.lines.push_back(Note(QStringLiteral("※今の参考値での積は %1 です。計算には保存した"
                                                "画地補正率を使っています。")
                                     .arg(PlainNumber(factors.KakutiHoseiRitu))));
    }
    content.sections.push_back(lot);
}

QString YenOf(qint64 yen) {
    return Yen(Currency::fromRaw(yen * Currency::kScale));
}

void AddOfficialLot(ModGlobal& g, const BukkenJoho& rec, BreakdownContent& content,
                    QStringList& usedTables) {
    BreakdownSection lot{Column::Bottom,
                         QStringLiteral("画地補正率（財産評価基本通達・評価明細書の順、1㎡当たり"
                                        "円未満切捨て）"),
                         {}};
    const official::Tables tables = ReadOfficialTables(g);
    usedTables << OfficialTableNames();
    const QString rosenka = rec.MultiplierArea != 0 ? QString() : rec.Rosenka.toPlainText();
    const official::Result r =
        WorkOfficialLot(tables, rec, rosenka, QString::number(rec.TotiMenseki, 'g', 17));
    if (!r.refusal.isEmpty()) {
        lot.lines.push_back(Note(QStringLiteral("計算できません：") + r.refusal));
    } else {
        for (const QString& f : r.factors)
            lot.lines.push_back(Note(f));
        for (const official::Line& l : r.lines) {
            lot.lines.push_back(Line(
                l.label, l.formula.isEmpty() ? YenOf(l.yen)
                                             : l.formula + QStringLiteral(" = ") + YenOf(l.yen)));
        }
        for (const official::Line& l : r.kept) {
            lot.lines.push_back(Line(l.label + QStringLiteral("（独自）"),
                                     l.formula + QStringLiteral(" = ") + YenOf(l.yen)));
        }
        for (const QString& n : r.notes)
            lot.lines.push_back(Note(QStringLiteral("※") + n));
        lot.lines.push_back(Line(QStringLiteral("画地補正率"),
                                 QStringLiteral("%1 ÷（路線価 %2 × 地積 %3㎡）= %4")
                                     .arg(YenOf(r.value), Yen(rec.Rosenka), Area(rec.TotiMenseki),
                                          PlainNumber(r.lotFactor))));
        if (FormatFixed2(r.lotFactor * 100) != FormatFixed2(rec.KakutiHoseiRitu * 100)) {
            lot.lines.push_back(
                Note(QStringLiteral("※保存した画地補正率は %1 です。計算には保存した"
                                    "画地補正率を使っています。")
                         .arg(PlainNumber(rec.KakutiHoseiRitu))));
        }
    }
    if (rec.KoatuRank != 0)
        usedTables << kKoatuTable;
    if (rec.MinamiRank != 0)
        usedTables << kMinamiTable;
    if (rec.MudoroRank != 0)
        usedTables << kMudoroTable;
    content.sections.push_back(lot);
}

}  // namespace

BreakdownContent MakeBreakdown(ModGlobal& g, const BukkenJoho& rec) {
    BreakdownContent content;
    if (!rec.Jusho.isEmpty())
        content.subtitle = QStringLiteral("住所：") + rec.Jusho;
    QStringList usedTables;

    // ---- the inputs of the land value
    BreakdownSection basis{Column::Left, QStringLiteral("前提"), {}};
    basis.lines.push_back(Line(QStringLiteral("価格を調べる日"), FormatDate(rec.HyokaDate)));
    basis.lines.push_back(Line(QStringLiteral("路線価年度"), RoadYear(rec.RosenkaNendo)));
    basis.lines.push_back(Line(QStringLiteral("路線価"), Yen(rec.Rosenka) + QStringLiteral("/㎡")));
    basis.lines.push_back(
        Line(QStringLiteral("敷地面積"), Area(rec.TotiMenseki) + QStringLiteral(" ㎡")));
    content.sections.push_back(basis);

    // ---- the lot factor the official way: the statement's lines in its order
    if (rec.LotMethod == kLotMethodOfficial) {
        AddOfficialLot(g, rec, content, usedTables);
    } else {
        AddQuickLot(g, rec, content, usedTables);
    }

    // ---- carrying the price from the road-price year to the valuation date
    const qint64 signedDays = rec.RosenkaNendo.daysTo(rec.HyokaDate);
    const qint64 days = std::llabs(signedDays);
    const qint64 years = days / kDaysPerYear;
    const qint64 rest = days % kDaysPerYear;
    BreakdownSection carry{Column::Left, QStringLiteral("時点修正"), {}};
    carry.lines.push_back(Line(QStringLiteral("地価変動率（1年）"), Percent(rec.ChikaHendoRitu)));
    carry.lines.push_back(Line(QStringLiteral("期間"),
                               QStringLiteral("%1 から %2 まで")
                                   .arg(FormatDate(rec.RosenkaNendo), FormatDate(rec.HyokaDate))));
    carry.lines.push_back(
        Line(QStringLiteral("日数"),
             QStringLiteral("%1日（365日×%2 と %3日）").arg(days).arg(years).arg(rest)));
    content.sections.push_back(carry);
    if (rec.ChikaHendoRitu != 0)
        usedTables << QStringLiteral("土地時点修正率");

    // ---- the land formula
    BreakdownSection land{Column::Right, QStringLiteral("敷地価格の計算"), {}};
    if (rec.Rosenka.isZero() && rec.TotiKakaku.isZero()) {
        land.lines.push_back(Note(QStringLiteral("敷地価格は計算されていません。")));
    } else {
        const std::optional<Currency> base = LandAt(rec, rec.RosenkaNendo);
        const std::optional<Currency> result = LandAt(rec, rec.HyokaDate);
        land.lines.push_back(Note(QStringLiteral("路線価 × 敷地面積 × 画地補正率 ÷ 0.8")));
        land.lines.push_back(Note(QStringLiteral("= %1 × %2 × %3 ÷ 0.8 = %4")
                                      .arg(FormatWhole(rec.Rosenka), Area(rec.TotiMenseki),
                                           PlainNumber(rec.KakutiHoseiRitu), ResultText(base))));
        if (rec.ChikaHendoRitu == 0) {
            land.lines.push_back(
                Note(QStringLiteral("変動率が 0% のため、時点修正はありません。")));
        } else if (days == 0) {
            land.lines.push_back(Note(QStringLiteral("日数が 0 のため、時点修正はありません。")));
        } else {
            if (years > 0) {
                const QDate yearsOn =
                    rec.RosenkaNendo.addDays((signedDays < 0 ? -1 : 1) * years * kDaysPerYear);
                land.lines.push_back(Note(QStringLiteral("× (%1) を365日ごとに%2回 = %3")
                                              .arg(OnePlus(rec.ChikaHendoRitu))
                                              .arg(years)
                                              .arg(ResultText(LandAt(rec, yearsOn)))));
            }
            if (rest > 0) {
                land.lines.push_back(Note(
                    QStringLiteral("× (%1) = %2")
                        .arg(OnePlus(rec.ChikaHendoRitu, QStringLiteral(" × %1/365").arg(rest)),
                             ResultText(result))));
            }
        }
        land.lines.push_back(Line(QStringLiteral("敷地計算価格"), Yen(rec.TotiKakaku)));
        for (const QString& w : RoadAccessWarnings(rec))
            land.lines.push_back(Note(QStringLiteral("※") + w));
        AddMismatch(land.lines, QStringLiteral("敷地計算価格"), rec.TotiKakaku, result);
    }
    content.sections.push_back(land);

    // ---- the house
    BreakdownSection house{Column::Right, QStringLiteral("家屋価格の計算"), {}};
    // The table the house was depreciated by: wood's own, or its structure's yearly loss.
    QString structure;
    QString depreciationTable;
    if (rec.KaokuTuboTanka == 0 && rec.KaokuKakaku.isZero()) {
        house.lines.push_back(Note(QStringLiteral("家屋価格は計算されていません。")));
    } else {
        const AgeCount count =
            rec.KeikaNensuKazoekata == 1 ? AgeCount::NtaHalfYear : AgeCount::CalendarYears;
        const qint32 age = HouseAge(rec.KaokuDate, rec.HyokaDate, count);
        structure = HouseStructureName(g, rec.KaokuKozoCD);
        house.lines.push_back(Line(QStringLiteral("構造"), structure));
        house.lines.push_back(Line(QStringLiteral("坪単価"),
                                   FormatWhole(rec.KaokuTuboTanka) + QStringLiteral(" 円/坪")));
        house.lines.push_back(Line(QStringLiteral("坪単価の出典"), CostSourceCaption(rec)));
        house.lines.push_back(Line(QStringLiteral("延床面積"),
                                   Area(rec.KaokuTateTubo) + QStringLiteral(" 坪（") +
                                       Area(RoundArea(rec.KaokuTateTubo * 400.0 / 121.0)) +
                                       QStringLiteral(" ㎡）")));
        house.lines.push_back(Line(QStringLiteral("建築日"), FormatDate(rec.KaokuDate)));
        // The calendar count goes from year to year; the NTA's from day to day.
        house.lines.push_back(
            Line(QStringLiteral("経過年数"),
                 count == AgeCount::CalendarYears
                     ? QStringLiteral("%1年（%2年から%3年まで）")
                           .arg(age)
                           .arg(rec.KaokuDate.year())
                           .arg(rec.HyokaDate.year())
                     : QStringLiteral("%1年（%2から%3まで）")
                           .arg(age)
                           .arg(FormatDate(rec.KaokuDate), FormatDate(rec.HyokaDate))));
        house.lines.push_back(Line(QStringLiteral("経過年数の数え方"), AgeCountName(count)));
        std::optional<Currency> worked;
        if (age < 0) {
            house.lines.push_back(Note(HouseBuiltAfterValuationText()));
        } else {
            const double rate = HouseRemainingRate(g, rec.KaokuKozoCD, age);
            depreciationTable = structure.contains(QStringLiteral("木造"))
                                    ? QStringLiteral("家屋経年減点補正率")
                                    : QStringLiteral("家屋構造別坪単価");
            usedTables << depreciationTable << QStringLiteral("家屋構造別坪単価");
            BukkenJoho copy = rec;
            const HouseInputTexts texts{QString::number(rec.KaokuTuboTanka, 'g', 17),
                                        QString::number(rec.KaokuTateTubo, 'g', 17)};
            if (CalcHousePrice(
                    copy, texts, [rate](qint32, qint32) { return rate; }, count)
                    .done())
                worked = copy.KaokuKakaku;
            house.lines.push_back(Line(QStringLiteral("残価率"), PlainNumber(rate)));
            house.lines.push_back(Note(QStringLiteral("坪単価 × 延床面積 × 残価率")));
            house.lines.push_back(
                Note(QStringLiteral("= %1 × %2 × %3 = %4")
                         .arg(FormatWhole(rec.KaokuTuboTanka), Area(rec.KaokuTateTubo),
                              PlainNumber(rate), ResultText(worked))));
        }
        house.lines.push_back(Line(QStringLiteral("家屋計算価格"), Yen(rec.KaokuKakaku)));
        AddMismatch(house.lines, QStringLiteral("家屋計算価格"), rec.KaokuKakaku, worked);
        for (const QString& note : HouseNotes(true, rec.KaokuKozoCD, age, rec.KaokuTuboTanka,
                                              rec.KaokuTateTubo, rec.KaokuDate))
            house.lines.push_back(Note(QStringLiteral("※") + note));
    }
    content.sections.push_back(house);

    // ---- the total, as page 1 adds it
    BreakdownSection total{Column::Right, QStringLiteral("合計"), {}};
    total.lines.push_back(Note(QStringLiteral("敷地計算価格 + 家屋計算価格")));
    try {
        // The parts as they are added, the sum rounded once, so that the line adds up as read.
        total.lines.push_back(
            Note(QStringLiteral("= %1 + %2 = %3")
                     .arg(ExactAmount(rec.TotiKakaku), ExactAmount(rec.KaokuKakaku),
                          Yen(rec.TotiKakaku + rec.KaokuKakaku))));
    } catch (const AppError&) {
        total.lines.push_back(Note(QStringLiteral("計算できません（数値が大きすぎます）")));
    }
    content.sections.push_back(total);

    // ---- where the reference figures that changed the value come from
    BreakdownSection sources{Column::Bottom, QStringLiteral("参考値の出典"), {}};
    std::vector<DataSource> rows;
    try {
        rows = ReadDataSources(g);
    } catch (const AppError&) {
        // A reference database of an older build has no such table: the page still serves.
        sources.lines.push_back(Note(QStringLiteral("参照データベースに出典の記録がありません。")));
    }
    for (const DataSource& s : rows) {
        if (!usedTables.contains(s.table))
            continue;
        QString text = s.table + QStringLiteral("：") + s.source;
        if (!s.basis.isEmpty())
            text += QStringLiteral("（") + s.basis + QStringLiteral("）");
        if (s.table == depreciationTable)
            text += QStringLiteral("　この物件の構造：") + structure;
        sources.lines.push_back(Note(text));
    }
    sources.lines.push_back(
        Note(QStringLiteral("地価変動率と坪単価は、参考値を使わずに入力した値のこともあります。")));
    content.sections.push_back(sources);
    return content;
}

}  // namespace ie
