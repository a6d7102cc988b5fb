#include "cli/TradeCommands.h"

#include "cli/ExitCodes.h"
#include "cli/Output.h"
#include "cli/PropertyValuer.h"
#include "common/Formats.h"
#include "common/NumberRule.h"
#include "records/FrmTrades.h"
#include "state/BukkenJoho.h"
#include "state/TradeImport.h"

#include <QDate>

namespace ie::cli {

namespace {

// An exact amount as a JSON number: whole yen, with the decimals a quartile between two trades
// may have.
QByteArray Amount(Currency c) {
    const qint64 raw = c.raw();
    const qint64 whole = raw / Currency::kScale;
    qint64 part = raw % Currency::kScale;
    QByteArray out = QByteArray::number(whole);
    if (part != 0) {
        if (part < 0) {
            part = -part;
            if (whole == 0)
                out.prepend('-');
        }
        QByteArray digits = QByteArray::number(part).rightJustified(4, '0');
        while (digits.endsWith('0'))
            digits.chop(1);
        out += '.' + digits;
    }
    return out;
}

// Hundredths (of a ㎡) as a JSON number.
QByteArray Hundredths(qint64 v) {
    QByteArray out = QByteArray::number(v / 100);
    if (v % 100 != 0)
        out += '.' + QByteArray::number(v % 100).rightJustified(2, '0');
    return out;
}

QByteArray MeasureJson(const trades::Measure& m) {
    if (m.kind == trades::Measure::Kind::Blank)
        return "null";
    // A floor ("2,000㎡以上") is given as its figure; at_least says so beside it.
    return Hundredths(m.value);
}

QByteArray Ratio(const std::optional<double>& r) {
    return r ? FormatFixed2(*r).remove(u',').toLatin1() : QByteArray("null");
}

QByteArray QuartileKeys(const char* suffix, const Quartiles& q, bool shown) {
    const auto one = [&](const char* name, Currency c) {
        return ",\"" + QByteArray(name) + suffix + "\":" + (shown ? Amount(c) : "null");
    };
    return one("median_price", q.median) + one("q1_price", q.q1) + one("q3_price", q.q3);
}

}  // namespace

int ImportTradeFiles(const QStringList& paths, const QString& dbPath,
                     const std::function<void(const QString&)>& progress,
                     const std::function<void(const QString&)>& say) {
    TradeImportProgress state;
    if (progress) {
        state.onStep = [&state, &progress] {
            const int total = state.quartersTotal;
            progress(total > 0 ? QStringLiteral("書き込んでいます… %1 / %2 四半期")
                                     .arg(state.quartersWritten.load())
                                     .arg(total)
                               : QStringLiteral("読み込んだ行数：%1")
                                     .arg(FormatWhole(double(state.rowsRead.load()))));
        };
    }
    const TradeImportResult result = ImportTrades(paths, dbPath, state);
    for (const QString& line : TradeImportSummary(result).split(u'\r'))
        say(line);
    switch (result.end) {
        case TradeImportResult::End::Done:
            return result.skipped > 0 ? kExitDataRefused : kExitOk;
        case TradeImportResult::End::Refused:
            return kExitDataRefused;
        case TradeImportResult::End::Cancelled:
        case TradeImportResult::End::Failed:
            break;
    }
    return kExitUnavailable;
}

std::optional<BukkenJoho> ComparisonRecord(PropertyValuer& valuer, const ValueRequest& in,
                                           const QDate& today, QString* why) {
    const auto refuse = [why](const QString& text) -> std::optional<BukkenJoho> {
        *why = text;
        return std::nullopt;
    };
    int city = 0;
    if (in.cityCode) {
        const QString t = in.cityCode->trimmed();
        bool ok = t.size() == 5;
        city = ok ? t.toInt(&ok) : 0;
        if (!ok || city <= 0)
            return refuse(QStringLiteral("city_code: 「%1」は5桁の市区町村コードではありません。")
                              .arg(*in.cityCode));
    }
    // The land is valued only with its road price (or the official way); without one the area
    // still picks the trades, but no estimate is set against them.
    ValueRequest valued = in;
    const bool landPriced = in.rosenka || in.frontage || in.fixedAssetValue || in.multiplier;
    if (!landPriced)
        valued.landArea.reset();
    const bool house =
        in.structure || in.tsuboPrice || in.floorAreaTsubo || in.floorAreaM2 || in.built;
    BukkenJoho rec;
    rec.KakutiHoseiRitu = 1.0;
    rec.KeijoHosei = 1.0;
    rec.HyokaDate = today;
    bool estimated = false;
    if (landPriced || house) {
        const ValueOutcome outcome = valuer.value(valued, &rec);
        if (!outcome.result)
            return refuse(outcome.refusal);
        // A house's value alone is no estimate of what the trades (house and land) fetched.
        estimated = landPriced;
    } else if (in.valuationDate) {
        const QDate d = QDate::fromString(in.valuationDate->trimmed(), Qt::ISODate);
        if (!d.isValid())
            return refuse(
                QStringLiteral("valuation_date: 「%1」は日付（YYYY-MM-DD）ではありません。")
                    .arg(*in.valuationDate));
        rec.HyokaDate = d;
    }
    if (in.landArea) {
        const std::optional<double> area = ParseNumber(*in.landArea);
        if (!area || !(*area > 0))
            return refuse(QStringLiteral("land_area: 「%1」は0より大きい数ではありません。")
                              .arg(*in.landArea));
        rec.TotiMenseki = *area;
    }
    if (!estimated)
        rec.GokeiKakaku = Currency();
    if (in.askingTotal) {
        const std::optional<double> asking = ParseNumber(*in.askingTotal);
        const std::optional<Currency> exact =
            asking && *asking > 0 ? Currency::tryFromDouble(*asking) : std::nullopt;
        if (!exact)
            return refuse(QStringLiteral("asking_total: 「%1」は0より大きい金額ではありません。")
                              .arg(*in.askingTotal));
        rec.GokeiHanbaiKakaku = *exact;
    }
    rec.ShozaiCityCode = city;
    rec.ShozaiChiku = in.town.value_or(QString()).trimmed();
    return rec;
}

QByteArray ComparisonJson(const ComparisonResult& r) {
    const bool shown = r.enough;
    QByteArray out = "{\"kind\":";
    out += JsonString(r.subject.house ? trades::KindText(trades::Kind::HouseAndLand)
                                      : trades::KindText(trades::Kind::Land));
    out += ",\"tier\":" + QByteArray::number(r.enough ? r.tier : 0);
    out += ",\"tier_text\":" + JsonString(r.tierText);
    out += ",\"count\":" + QByteArray::number(r.price.count);
    out += ",\"excluded\":" + QByteArray::number(r.leftOut);
    out += QuartileKeys("", r.price, shown && r.price.count > 0);
    out += QuartileKeys("_per_m2", r.perSquareMetre, shown && r.perSquareMetre.count > 0);
    out += ",\"asking_ratio\":" + (shown ? Ratio(r.askingRatio) : QByteArray("null"));
    out += ",\"estimate_ratio\":" + (shown ? Ratio(r.estimateRatio) : QByteArray("null"));
    out += ",\"trades\":[";
    for (std::size_t i = 0; i < r.trades.size(); ++i) {
        const ComparedTrade& c = r.trades[i];
        const trades::Trade& t = c.stored.trade;
        if (i > 0)
            out += ',';
        out += "{\"period\":" + JsonString(trades::PeriodText(t.period));
        out += ",\"town\":" + JsonString(t.district);
        out += ",\"price\":" + QByteArray::number(t.price);
        out += ",\"area_m2\":" + MeasureJson(t.area);
        out += ",\"price_per_m2\":" +
               (c.perSquareMetre ? QByteArray::number(*c.perSquareMetre) : QByteArray("null"));
        out += ",\"floor_area_m2\":" + MeasureJson(t.floorArea);
        out += ",\"built\":" + (t.built.kind == trades::BuildYear::Kind::Year
                                    ? QByteArray::number(t.built.year)
                                    : QByteArray("null"));
        out += ",\"circumstances\":" + JsonString(t.circumstances);
        out += ",\"in_statistics\":" + QByteArray(c.inStatistics ? "true" : "false") + '}';
    }
    out += "],\"source\":" + JsonString(TradeSourceCredit()) + "}\n";
    return out;
}

}  // namespace ie::cli
