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
        {"cost_source", &R::costSource},
        {"prefecture", &R::prefecture},
        {"age_count", &R::ageCount},
        {"city_code", &R::cityCode},
        {"town", &R::town},
        {"district", &R::district, true},
        {"frontage", &R::frontage, true},
        {"depth", &R::depth, true},
        {"side1_rosenka", &R::side1Rosenka, true},
        {"side1_depth", &R::side1Depth, true},
        {"side1_kind", &R::side1Kind, true},
        {"side1_contact", &R::side1Contact, true},
        {"side2_rosenka", &R::side2Rosenka, true},
        {"side2_depth", &R::side2Depth, true},
        {"side2_kind", &R::side2Kind, true},
        {"side2_contact", &R::side2Contact, true},
        {"rear_rosenka", &R::rearRosenka, true},
        {"rear_depth", &R::rearDepth, true},
        {"rear_contact", &R::rearContact, true},
        {"assumed_area", &R::assumedArea, true},
        {"metro", &R::metro, true},
        {"large_lot_excluded", &R::largeLotExcluded, true},
        {"cliff_share", &R::cliffShare, true},
        {"cliff_facing", &R::cliffFacing, true},
        {"warning_zone_share", &R::warningZoneShare, true},
        {"setback_area", &R::setbackArea, true},
        {"no_road", &R::noRoad, true},
        {"high_voltage", &R::highVoltage, true},
        {"south_road", &R::southRoad, true},
        {"other_percent", &R::otherPercent, true},
        {"fixed_asset_value", &R::fixedAssetValue, true},
        {"multiplier", &R::multiplier, true},
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

bool IsYesNoKey(std::optional<QString> ValueRequest::*field) {
    using R = ValueRequest;
    return field == &R::metro || field == &R::largeLotExcluded || field == &R::noRoad ||
           field == &R::highVoltage || field == &R::southRoad;
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
