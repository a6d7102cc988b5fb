#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

namespace ie::cli {

// The inputs of one property to value, as texts (a CSV cell, or a JSON value written as text);
// nullopt when the key is absent or its cell empty.
struct ValueRequest {
    std::optional<QString> id;
    std::optional<QString> valuationDate;
    std::optional<QString> roadPriceYear;
    std::optional<QString> rosenka;
    std::optional<QString> landArea;
    std::optional<QString> changeRate;
    std::optional<QString> lotFactor;
    std::optional<QString> structure;
    std::optional<QString> tsuboPrice;
    std::optional<QString> floorAreaTsubo;
    std::optional<QString> floorAreaM2;
    std::optional<QString> built;
    std::optional<QString> askingLand;
    std::optional<QString> askingHouse;
    std::optional<QString> askingTotal;
    // Where the reference price per tsubo comes from (national / prefecture, with prefecture's
    // name), and how the house's age is counted (calendar / nta).
    std::optional<QString> costSource;
    std::optional<QString> prefecture;
    std::optional<QString> ageCount;
    // Where the property is, for comparing it with trades (value passes over them).
    std::optional<QString> cityCode;
    std::optional<QString> town;
    // The official way (財産評価基本通達): any of these values the land that way.
    std::optional<QString> district;
    std::optional<QString> frontage;
    std::optional<QString> depth;
    std::optional<QString> side1Rosenka;
    std::optional<QString> side1Depth;
    std::optional<QString> side1Kind;
    std::optional<QString> side1Contact;
    std::optional<QString> side2Rosenka;
    std::optional<QString> side2Depth;
    std::optional<QString> side2Kind;
    std::optional<QString> side2Contact;
    std::optional<QString> rearRosenka;
    std::optional<QString> rearDepth;
    std::optional<QString> rearContact;
    std::optional<QString> assumedArea;
    std::optional<QString> metro;
    std::optional<QString> largeLotExcluded;
    std::optional<QString> cliffShare;
    std::optional<QString> cliffFacing;
    std::optional<QString> warningZoneShare;
    std::optional<QString> setbackArea;
    std::optional<QString> noRoad;
    std::optional<QString> highVoltage;
    std::optional<QString> southRoad;
    std::optional<QString> otherPercent;
    std::optional<QString> fixedAssetValue;
    std::optional<QString> multiplier;
};

// One key of the input: its name in JSON and in a CSV header, and where it goes. A new key is one
// entry of ValueKeys() and its field above.
struct ValueKey {
    const char* name;
    std::optional<QString> ValueRequest::*field;
    bool official = false;  // a key of the official way
};
const std::vector<ValueKey>& ValueKeys();
// The field of a key name, or nullptr for a key the command does not know.
std::optional<QString> ValueRequest::*FieldOfKey(const QString& name);
// Whether the key's value is a yes or no (true/false in JSON, 1/0 in CSV).
bool IsYesNoKey(std::optional<QString> ValueRequest::*field);
// The same for a name in UTF-8, as it stands in the input.
std::optional<QString> ValueRequest::*FieldOfKey(QByteArrayView name);

}  // namespace ie::cli
