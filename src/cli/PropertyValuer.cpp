#include "cli/PropertyValuer.h"

#include "common/AppError.h"
#include "common/Formats.h"
#include "common/NumberRule.h"
#include "common/SalesRatio.h"
#include "state/BukkenJoho.h"
#include "valuation/DateGuards.h"
#include "valuation/HousePrice.h"
#include "valuation/LandPrice.h"
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

}  // namespace

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

ValueOutcome PropertyValuer::value(const ValueRequest& in) {
    ValueResult out;
    out.id = in.id;
    try {
        const bool land = in.rosenka || in.landArea || in.changeRate || in.lotFactor;
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
            if (!in.rosenka)
                Refuse(QStringLiteral("rosenka: 路線価がありません。"));
            if (!in.landArea)
                Refuse(QStringLiteral("land_area: 土地の面積がありません。"));
            const double rosenka = Positive(in.rosenka, "rosenka");
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
            if (RosenkaInThousands(*in.rosenka, std::nullopt))
                out.warnings << RosenkaUnitNoteText(FormatWhole(rosenka));
            const CalcOutcome calc = CalcLandPrice(rec, {*in.rosenka, *in.landArea, rate});
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
            QString tsubo;
            if (in.tsuboPrice) {
                Positive(in.tsuboPrice, "tsubo_price");
                tsubo = *in.tsuboPrice;
            } else {
                try {
                    tsubo = tsuboPriceText(rec.KaokuKozoCD);
                } catch (const AppError& e) {
                    Refuse(ReferenceReadFailedText(e, QStringLiteral("家屋構造別坪単価")));
                }
            }
            QString woodNotice;
            const auto lookup = [&](qint32 structure, qint32 age) -> std::optional<double> {
                const Rate& r = rateFor(structure, age);
                woodNotice = r.woodNotice;
                return r.rate;
            };
            const CalcOutcome calc = CalcHousePrice(rec, {tsubo, area}, lookup);
            if (!calc.done())
                Refuse(calc.message);
            if (!woodNotice.isEmpty())
                out.warnings << woodNotice;
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
    } catch (const Refusal& r) {
        QString text = r.text;
        // The message boxes' line breaks, on one line.
        text.replace(u'\r', u' ');
        return {std::nullopt, text};
    }
    return {std::move(out), QString()};
}

}  // namespace ie::cli
