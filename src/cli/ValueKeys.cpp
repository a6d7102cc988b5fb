#include "cli/ValueKeys.h"

namespace ie::cli {

const std::vector<ValueKey>& ValueKeys() {
    using R = ValueRequest;
    static const std::vector<ValueKey> keys = {
        {"id", &R::id},
        {"valuation_date", &R::valuationDate},
        {"road_price_year", &R::roadPriceYear},
        {"rosenka", &R::rosenka},
        {"land_area", &R::landArea},
        {"change_rate", &R::changeRate},
        {"lot_factor", &R::lotFactor},
        {"structure", &R::structure},
        {"tsubo_price", &R::tsuboPrice},
        {"floor_area_tsubo", &R::floorAreaTsubo},
        {"floor_area_m2", &R::floorAreaM2},
        {"built", &R::built},
        {"asking_land", &R::askingLand},
        {"asking_house", &R::askingHouse},
        {"asking_total", &R::askingTotal},
    };
    return keys;
}

std::optional<QString> ValueRequest::*FieldOfKey(const QString& name) {
    static const QHash<QString, std::optional<QString> ValueRequest::*> byName = [] {
        QHash<QString, std::optional<QString> ValueRequest::*> map;
        for (const ValueKey& k : ValueKeys())
            map.insert(QString::fromLatin1(k.name), k.field);
        return map;
    }();
    return byName.value(name, nullptr);
}

std::optional<QString> ValueRequest::*FieldOfKey(QByteArrayView name) {
    // Few keys: a look along the table is quicker than hashing a converted name.
    static const std::vector<std::pair<QByteArrayView, std::optional<QString> ValueRequest::*>>
        names = [] {
            std::vector<std::pair<QByteArrayView, std::optional<QString> ValueRequest::*>> out;
            for (const ValueKey& k : ValueKeys())
                out.emplace_back(QByteArrayView(k.name), k.field);
            return out;
        }();
    for (const auto& [key, field] : names) {
        if (name == key)
            return field;
    }
    return nullptr;
}

}  // namespace ie::cli
