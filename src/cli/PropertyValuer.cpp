#include "cli/PropertyValuer.h"

#include "common/AppError.h"
#include "common/Formats.h"
#include "common/NumberRule.h"
#include "common/SalesRatio.h"
#include "state/BukkenJoho.h"
#include "valuation/DateGuards.h"
#include "valuation/HousePrice.h"
#include "valuation/LandPrice.h"
#include "valuation/LotCorrection.h"
#include "valuation/OfficialLotRecord.h"
#include "valuation/OfficialTables.h"
#include "valuation/RateLookup.h"
#include "valuation/ReferenceReadError.h"
#include "valuation/RosenkaUnit.h"

#include <cmath>

namespace ie::cli {

namespace {

// Thrown inside value() for a row that cannot be valued; caught there.
struct Refusal {
    QString text;
};

[[noreturn]] void Refuse(const QString& text) {
    throw Refusal{text};
}

QString Key(const char* name) {
    return QString::fromLatin1(name) + QStringLiteral(": ");
}

double Number(const std::optional<QString>& text, const char* key) {
    const std::optional<double> v = ParseNumber(*text);
    if (!v)
        Refuse(Key(key) + QStringLiteral("「%1」は数値ではありません。").arg(*text));
    return *v;
}

// An amount or area that only makes sense above zero.
double Positive(const std::optional<QString>& text, const char* key) {
    const double v = Number(text, key);
    if (!(v > 0))
        Refuse(Key(key) + QStringLiteral("「%1」は0より大きい数ではありません。").arg(*text));
    return v;
}

bool IsDigits(QStringView s) {
    for (const QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// YYYY-MM-DD, nothing else.
QDate IsoDate(const QString& text, const char* key) {
    const QString t = text.trimmed();
    if (t.size() == 10 && t[4] == u'-' && t[7] == u'-' && IsDigits(QStringView(t).left(4)) &&
        IsDigits(QStringView(t).mid(5, 2)) && IsDigits(QStringView(t).mid(8, 2))) {
        const QDate d = QDate::fromString(t, Qt::ISODate);
        if (d.isValid())
            return d;
    }
    Refuse(Key(key) + QStringLiteral("「%1」は日付（YYYY-MM-DD）ではありません。").arg(text));
}

void Guard(const DateCheck& check, const char* key) {
    if (!check.message.isEmpty())
        Refuse(Key(key) + check.message);
}

bool AnyOfficialKey(const ValueRequest& in) {
    for (const ValueKey& k : ValueKeys()) {
        if (k.official && in.*k.field)
            return true;
    }
    return false;
}

// The official way's fields as the lot-factor dialog reads its boxes, refused with its messages.
double Amount(const std::optional<QString>& text, const char* key, const QString& field,
              bool share = false) {
    if (!text)
        return 0;
    const FieldReading r = share ? ReadShareField(*text, field) : ReadAmountField(*text, field);
    if (!r.error.isEmpty())
        Refuse(Key(key) + r.error);
    return r.value;
}

Currency Price(const std::optional<QString>& text, const char* key, const QString& field) {
    return Currency::fromRaw(static_cast<qint64>(std::floor(Amount(text, key, field))) *
                             Currency::kScale);
}

// One of a few words, as the dialog's drop-down lists offer them; its index.
qint32 Choice(const std::optional<QString>& text, const char* key,
              std::initializer_list<QStringView> words) {
    if (!text)
        return 0;
    const QString t = text->trimmed();
    qint32 i = 0;
    for (const QStringView w : words) {
        if (t == w)
            return i;
        ++i;
    }
    QStringList all;
    for (const QStringView w : words)
        all << w.toString();
    Refuse(Key(key) + QStringLiteral("「%1」は %2 のどれかで指定してください。")
                          .arg(*text, all.join(QStringLiteral("、"))));
}

// Yes/no: true/false in JSON, 1/0 in CSV.
qint32 YesNo(const std::optional<QString>& text, const char* key) {
    if (!text)
        return 0;
    const QString t = text->trimmed();
    if (t == u"1" || t == u"true")
        return 1;
    if (t == u"0" || t == u"false")
        return 0;
    Refuse(Key(key) +
           QStringLiteral("「%1」は true/false（CSVでは 1/0）で指定してください。").arg(*text));
}

// The key an engine refusal is about, from the field it names.
QString KeyOfRefusal(const QString& text) {
    static const std::pair<const char16_t*, const char*> fields[] = {
        {u"想定整形地", "assumed_area"},
        {u"間口", "frontage"},
        {u"奥行", "depth"},
        {u"固定資産税評価額", "fixed_asset_value"},
        {u"倍率", "multiplier"},
        {u"道路に面していない", "no_road"},
        {u"地積", "land_area"},
        {u"路線価", "rosenka"},
    };
    for (const auto& [field, key] : fields) {
        if (text.contains(QStringView(field)))
            return Key(key);
    }
    return QString();
}

}  // namespace

const official::Tables& PropertyValuer::officialTables() {
    if (!officialTables_) {
        QString table;
        try {
            officialTables_ = ReadOfficialTables(g_, &table);
        } catch (const AppError& e) {
            Refuse(ReferenceReadFailedText(e, table));
        }
    }
    return *officialTables_;
}

QDate PropertyValuer::DefaultRoadPriceYear(const QDate& today) {
    return QDate(today.addDays(-180).year(), 1, 1);
}

PropertyValuer::PropertyValuer(ModGlobal& g, const QDate& today)
    : g_(g), today_(today), defaultRoadYear_(DefaultRoadPriceYear(today)) {}

const PropertyValuer::Rate& PropertyValuer::rateFor(qint32 structure, qint32 age) {
    const auto key = std::make_pair(structure, age);
    auto it = rates_.find(key);
    if (it == rates_.end()) {
        const HouseRate r = LookUpHouseRate(g_, structure, age);
        it = rates_.emplace(key, Rate{r.rate, r.woodNotice}).first;
    }
    return it->second;
}

const QString& PropertyValuer::tsuboPriceText(qint32 structure) {
    auto it = tsuboPrices_.find(structure);
    if (it == tsuboPrices_.end()) {
        // As the structure dialog sets the worksheet's field: the reference price, shown whole.
        it =
            tsuboPrices_.emplace(structure, FormatWhole(ModGetKaokuTuboTanka(g_, structure))).first;
    }
    return it->second;
}

official::Result PropertyValuer::valueOfficially(const ValueRequest& in, BukkenJoho& rec,
                                                 const QString& rosenkaText) {
    rec.LotMethod = kLotMethodOfficial;
    rec.District = Choice(in.district, "district", {u"普通住宅", u"普通商業・併用住宅"});
    rec.Frontage = Amount(in.frontage, "frontage", QStringLiteral("間口"));
    rec.Depth = Amount(in.depth, "depth", QStringLiteral("奥行"));
    rec.AssumedArea = Amount(in.assumedArea, "assumed_area", QStringLiteral("想定整形地の地積"));
    rec.Side1Price = Price(in.side1Rosenka, "side1_rosenka", QStringLiteral("側方路線1の路線価"));
    rec.Side1Depth = Amount(in.side1Depth, "side1_depth", QStringLiteral("側方路線1の奥行"));
    rec.Side1Kind = Choice(in.side1Kind, "side1_kind", {u"角地", u"準角地"});
    rec.Side1Contact =
        Amount(in.side1Contact, "side1_contact", QStringLiteral("側方路線1の接する長さ"));
    rec.Side2Price = Price(in.side2Rosenka, "side2_rosenka", QStringLiteral("側方路線2の路線価"));
    rec.Side2Depth = Amount(in.side2Depth, "side2_depth", QStringLiteral("側方路線2の奥行"));
    rec.Side2Kind = Choice(in.side2Kind, "side2_kind", {u"角地", u"準角地"});
    rec.Side2Contact =
        Amount(in.side2Contact, "side2_contact", QStringLiteral("側方路線2の接する長さ"));
    rec.RearPrice = Price(in.rearRosenka, "rear_rosenka", QStringLiteral("裏面路線の路線価"));
    rec.RearDepth = Amount(in.rearDepth, "rear_depth", QStringLiteral("裏面路線の奥行"));
    rec.RearContact =
        Amount(in.rearContact, "rear_contact", QStringLiteral("裏面路線の接する長さ"));
    rec.Metro = YesNo(in.metro, "metro");
    rec.ScaleExcluded = YesNo(in.largeLotExcluded, "large_lot_excluded");
    rec.CliffShare = Amount(in.cliffShare, "cliff_share", QStringLiteral("がけ地の割合"), true);
    rec.CliffFacing = Choice(in.cliffFacing, "cliff_facing", {u"南", u"東", u"西", u"北"});
    rec.DangerShare = Amount(in.warningZoneShare, "warning_zone_share",
                             QStringLiteral("特別警戒区域の割合"), true);
    rec.SetbackArea = Amount(in.setbackArea, "setback_area", QStringLiteral("セットバック"));
    rec.MudoroRank = YesNo(in.noRoad, "no_road");
    rec.KoatuRank = YesNo(in.highVoltage, "high_voltage");
    rec.MinamiRank = YesNo(in.southRoad, "south_road");
    if (in.otherPercent) {
        const SonotaAdjustment other = SonotaFromText(*in.otherPercent);
        if (other.emptyText || other.outOfRange)
            Refuse(Key("other_percent") +
                   QStringLiteral("「%1」は -100～100 の数で指定してください。")
                       .arg(*in.otherPercent));
        rec.SonotaRank = other.rank;
        rec.SonotaHosei = other.hosei;
    }
    rec.MultiplierArea = in.fixedAssetValue || in.multiplier ? 1 : 0;
    if (rec.MultiplierArea != 0) {
        if (!in.fixedAssetValue)
            Refuse(QStringLiteral("fixed_asset_value: 固定資産税評価額がありません。"));
        if (!in.multiplier)
            Refuse(QStringLiteral("multiplier: 倍率がありません。"));
    }
    rec.AssessedValue =
        Price(in.fixedAssetValue, "fixed_asset_value", QStringLiteral("固定資産税評価額"));
    rec.MultiplierRate = Amount(in.multiplier, "multiplier", QStringLiteral("倍率"));

    // The dialog's own check before it works the figures.
    if (rec.MultiplierArea == 0 && rec.MudoroRank == 0) {
        const bool noFrontage = ToHundredths(rec.Frontage) <= 0;
        const bool noDepth = ToHundredths(rec.Depth) <= 0;
        if (noFrontage || noDepth) {
            QStringList missing;
            if (noFrontage)
                missing << QStringLiteral("「間口」");
            if (noDepth)
                missing << QStringLiteral("「奥行」");
            Refuse(Key(noFrontage ? "frontage" : "depth") +
                   QStringLiteral("財産評価基本通達で計算するには%1を指定してください"
                                  "（0より大きい数値）。")
                       .arg(missing.join(QStringLiteral("と"))));
        }
    }
    const official::Result r =
        WorkOfficialLot(officialTables(), rec, rosenkaText, in.landArea.value_or(QString()));
    if (!r.refusal.isEmpty())
        Refuse(KeyOfRefusal(r.refusal) + r.refusal);
    return r;
}

ValueOutcome PropertyValuer::value(const ValueRequest& in, BukkenJoho* record) {
    ValueResult out;
    out.id = in.id;
    try {
        const bool officialWay = AnyOfficialKey(in);
        const bool land = in.rosenka || in.landArea || in.changeRate || in.lotFactor || officialWay;
        const bool house =
            in.structure || in.tsuboPrice || in.floorAreaTsubo || in.floorAreaM2 || in.built;
        if (!land && !house) {
            Refuse(
                QStringLiteral("評価する土地（rosenka, land_area）も家屋（floor_area_tsubo "
                               "または floor_area_m2, built）もありません。"));
        }

        // The record as the worksheet holds it before a calculation.
        BukkenJoho rec;
        rec.KakutiHoseiRitu = 1.0;
        rec.KeijoHosei = 1.0;
        rec.RosenkaNendo = defaultRoadYear_;
        rec.HyokaDate = today_;

        if (in.roadPriceYear) {
            const QString t = in.roadPriceYear->trimmed();
            std::optional<QDate> year;
            if (t.size() == 4 && IsDigits(t))
                year = QDate(t.toInt(), 1, 1);
            Guard(CheckRosenkaNendo(year, rec.RosenkaNendo, today_), "road_price_year");
            rec.RosenkaNendo = *year;
        }
        if (house) {
            if (!in.built)
                Refuse(QStringLiteral("built: 家屋の建築年月日がありません。"));
            const QDate built = IsoDate(*in.built, "built");
            Guard(CheckKaokuDate(built, rec.KaokuDate, today_), "built");
            rec.KaokuDate = built;
        }
        if (in.valuationDate) {
            const QDate d = IsoDate(*in.valuationDate, "valuation_date");
            Guard(CheckHyokaDate(d, rec.HyokaDate, rec.RosenkaNendo, rec.KaokuDate),
                  "valuation_date");
            rec.HyokaDate = d;
        } else {
            Guard(CheckHyokaDate(rec.HyokaDate, rec.HyokaDate, rec.RosenkaNendo, rec.KaokuDate),
                  "valuation_date");
        }

        if (land) {
            const bool multiplierPath = in.fixedAssetValue || in.multiplier;
            if (multiplierPath && in.rosenka)
                Refuse(
                    QStringLiteral("rosenka: 倍率地域（fixed_asset_value, "
                                   "multiplier）では路線価を指定しません。"));
            if (!in.rosenka && !multiplierPath)
                Refuse(QStringLiteral("rosenka: 路線価がありません。"));
            if (!in.landArea)
                Refuse(QStringLiteral("land_area: 土地の面積がありません。"));
            const double rosenka = in.rosenka ? Positive(in.rosenka, "rosenka") : 0;
            Positive(in.landArea, "land_area");
            QString rate = QStringLiteral("0");
            if (in.changeRate) {
                Number(in.changeRate, "change_rate");
                const ChangeRateCheck check = CheckChangeRate(*in.changeRate);
                if (!check.message.isEmpty())
                    Refuse(Key("change_rate") + check.message);
                rate = check.text;
            }
            if (in.lotFactor) {
                const double factor = Number(in.lotFactor, "lot_factor");
                if (!(factor > 0))
                    Refuse(Key("lot_factor") +
                           QStringLiteral("画地補正率は0より大きい数で指定してください。"));
                rec.KakutiHoseiRitu = factor;
            }
            QString rosenkaText = in.rosenka.value_or(QString());
            if (in.rosenka && RosenkaInThousands(*in.rosenka, std::nullopt))
                out.warnings << RosenkaUnitNoteText(FormatWhole(rosenka));
            if (officialWay) {
                if (in.lotFactor)
                    out.warnings << QStringLiteral(
                        "lot_factor は使わず、財産評価基本通達で計算した画地補正率を使いました。");
                const official::Result r = valueOfficially(in, rec, rosenkaText);
                rec.KakutiHoseiRitu = r.lotFactor;
                if (rec.MultiplierArea != 0) {
                    // As the dialog writes it into the worksheet's 路線価.
                    rosenkaText = FormatWhole(static_cast<double>(r.roadPrice));
                    rec.Rosenka = Currency::fromRaw(r.roadPrice * Currency::kScale);
                }
                out.official = true;
                out.steps = r.lines;
                out.steps.insert(out.steps.end(), r.kept.begin(), r.kept.end());
                for (const QString& f : r.factors)
                    out.factors << f;
                out.warnings << r.warnings << r.notes;
            }
            const CalcOutcome calc = CalcLandPrice(rec, {rosenkaText, *in.landArea, rate});
            if (!calc.done())
                Refuse(calc.message);
            out.lotFactor = rec.KakutiHoseiRitu;
            out.land = rec.TotiKakaku;
        }

        if (house) {
            if (in.floorAreaTsubo && in.floorAreaM2)
                Refuse(
                    QStringLiteral("floor_area_tsubo と floor_area_m2 はどちらか一方だけを指定"
                                   "してください。"));
            if (!in.floorAreaTsubo && !in.floorAreaM2)
                Refuse(
                    QStringLiteral("floor_area_tsubo: 延床面積（floor_area_tsubo または "
                                   "floor_area_m2）がありません。"));
            if (!in.structure && !in.tsuboPrice)
                Refuse(
                    QStringLiteral("tsubo_price: 坪単価（tsubo_price または structure）が"
                                   "ありません。"));
            QString area;
            if (in.floorAreaTsubo) {
                Positive(in.floorAreaTsubo, "floor_area_tsubo");
                area = *in.floorAreaTsubo;
            } else {
                Positive(in.floorAreaM2, "floor_area_m2");
                // The worksheet's field takes square metres with their unit.
                area = in.floorAreaM2->trimmed() + QStringLiteral("㎡");
            }
            if (in.structure) {
                const QString t = in.structure->trimmed();
                const int code = t.toInt();
                if (t.size() != 1 || !IsDigits(t) || code < 1 || code > 7)
                    Refuse(Key("structure") +
                           QStringLiteral("「%1」は構造コード（1～7）ではありません。")
                               .arg(*in.structure));
                rec.KaokuKozoCD = code;
            }
            // The reference price as the structure dialog gives it: the national table's, or the
            // prefecture's building cost.
            const QString source = in.costSource ? in.costSource->trimmed() : QString();
            if (!source.isEmpty() && source != QStringLiteral("national") &&
                source != QStringLiteral("prefecture"))
                Refuse(Key("cost_source") +
                       QStringLiteral("「%1」は national か prefecture で指定してください。")
                           .arg(source));
            if (source == QStringLiteral("prefecture") && !in.tsuboPrice &&
                (!in.prefecture || in.prefecture->trimmed().isEmpty()))
                Refuse(Key("prefecture") + QStringLiteral("都道府県名がありません。"));
            QString tsubo;
            if (in.tsuboPrice) {
                Positive(in.tsuboPrice, "tsubo_price");
                tsubo = *in.tsuboPrice;
            } else if (source == QStringLiteral("prefecture")) {
                const QString name = in.prefecture->trimmed();
                std::optional<qint64> price;
                try {
                    price = ModGetPrefectureTuboTanka(g_, name, rec.KaokuKozoCD);
                } catch (const AppError& e) {
                    Refuse(ReferenceReadFailedText(e, QStringLiteral("都道府県別工事費用")));
                }
                if (!price)
                    Refuse(Key("prefecture") +
                           QStringLiteral("「%1」の工事費用は参考データベースにありません。")
                               .arg(name));
                tsubo = QString::number(*price);
            } else {
                try {
                    tsubo = tsuboPriceText(rec.KaokuKozoCD);
                } catch (const AppError& e) {
                    Refuse(ReferenceReadFailedText(e, QStringLiteral("家屋構造別坪単価")));
                }
            }
            const QString countText = in.ageCount ? in.ageCount->trimmed() : QString();
            if (!countText.isEmpty() && countText != QStringLiteral("calendar") &&
                countText != QStringLiteral("nta"))
                Refuse(
                    Key("age_count") +
                    QStringLiteral("「%1」は calendar か nta で指定してください。").arg(countText));
            const AgeCount count = countText == QStringLiteral("nta") ? AgeCount::NtaHalfYear
                                                                      : AgeCount::CalendarYears;
            QString woodNotice;
            const auto lookup = [&](qint32 structure, qint32 age) -> std::optional<double> {
                const Rate& r = rateFor(structure, age);
                woodNotice = r.woodNotice;
                return r.rate;
            };
            const CalcOutcome calc = CalcHousePrice(rec, {tsubo, area}, lookup, count);
            if (!calc.done())
                Refuse(calc.message);
            if (!woodNotice.isEmpty())
                out.warnings << woodNotice;
            out.warnings << HouseNotes(true, rec.KaokuKozoCD, rec.KeikaNensu, rec.KaokuTuboTanka,
                                       rec.KaokuTateTubo, rec.KaokuDate);
            out.house = rec.KaokuKakaku;
        }

        if (in.askingLand)
            Positive(in.askingLand, "asking_land");
        if (in.askingHouse)
            Positive(in.askingHouse, "asking_house");
        if (in.askingTotal) {
            const double asking = Positive(in.askingTotal, "asking_total");
            const std::optional<Currency> exact = Currency::tryFromDouble(asking);
            if (!exact)
                Refuse(Key("asking_total") + QStringLiteral("金額が大きすぎます。"));
            out.salesRatio = SalesRatio(exact->toDouble(), rec.GokeiKakaku.toDouble());
        }
        out.total = rec.GokeiKakaku;
        if (record)
            *record = rec;
    } catch (const Refusal& r) {
        QString text = r.text;
        // The message boxes' line breaks, on one line.
        text.replace(u'\r', u' ');
        return {std::nullopt, text};
    }
    return {std::move(out), QString()};
}

}  // namespace ie::cli
