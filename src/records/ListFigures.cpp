#include "records/ListFigures.h"

#include "common/AppError.h"
#include "common/Formats.h"
#include "common/SalesRatio.h"
#include "valuation/HousePrice.h"

#include <map>
#include <memory>

namespace ie {

long double ListAmount::key() const {
    if (exact)
        return static_cast<long double>(exact->raw());
    return static_cast<long double>(yen) * Currency::kScale;
}

QString ListAmount::wholeText() const {
    return exact ? FormatWhole(*exact) : FormatWhole(yen);
}

std::optional<ListAmount> AmountOf(const db::Value& v) {
    if (v.kind() == db::Value::Kind::Double)
        return ListAmount{std::nullopt, *v.toDouble()};
    if (const std::optional<Currency> c = v.toCurrency())
        return ListAmount{c, c->toDouble()};
    return std::nullopt;
}

std::optional<ListAmount> AskingOf(const db::Value& v) {
    std::optional<ListAmount> a = AmountOf(v);
    if (a && (a->exact ? a->exact->isZero() : a->yen == 0))
        return std::nullopt;
    return a;
}

std::optional<double> RatioOf(const db::Value& asking, const db::Value& estimate) {
    const std::optional<ListAmount> a = AmountOf(asking);
    const std::optional<ListAmount> e = AmountOf(estimate);
    if (!a || !e)
        return std::nullopt;
    return SalesRatio(a->yen, e->yen);
}

std::optional<ListAmount> DifferenceOf(const db::Value& asking, const db::Value& estimate) {
    const std::optional<ListAmount> a = AskingOf(asking);
    const std::optional<ListAmount> e = AmountOf(estimate);
    if (!a || !e)
        return std::nullopt;
    if (a->exact && e->exact) {
        try {
            const Currency d = *a->exact - *e->exact;
            return ListAmount{d, d.toDouble()};
        } catch (const AppError&) {
            // Past the currency range: worked in yen as floats below.
        }
    }
    return ListAmount{std::nullopt, a->yen - e->yen};
}

std::optional<qint32> AgeOf(const db::Value& built, const db::Value& valued,
                            const db::Value& unitPrice, const db::Value& floorArea) {
    for (const db::Value* v : {&unitPrice, &floorArea}) {
        const std::optional<double> d = v->toDouble();
        if (!d || !(*d > 0))
            return std::nullopt;  // no house
    }
    const std::optional<QDate> b = built.toDate();
    const std::optional<QDate> v = valued.toDate();
    if (!b || !v || !b->isValid() || !v->isValid())
        return std::nullopt;
    return HouseAge(*b, *v);
}

StructureNamer StructureNamesFrom(ModGlobal& g) {
    auto known = std::make_shared<std::map<qint32, QString>>();
    return [&g, known](qint32 code) {
        auto at = known->find(code);
        if (at == known->end())
            at = known->emplace(code, HouseStructureCaption(g, code)).first;
        return at->second;
    };
}

}  // namespace ie
