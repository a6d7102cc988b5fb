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
};

// One key of the input: its name in JSON and in a CSV header, and where it goes. A new key is one
// entry of ValueKeys() and its field above.
struct ValueKey {
    const char* name;
    std::optional<QString> ValueRequest::*field;
};
const std::vector<ValueKey>& ValueKeys();
// The field of a key name, or nullptr for a key the command does not know.
std::optional<QString> ValueRequest::*FieldOfKey(const QString& name);
// The same for a name in UTF-8, as it stands in the input.
std::optional<QString> ValueRequest::*FieldOfKey(QByteArrayView name);

}  // namespace ie::cli
