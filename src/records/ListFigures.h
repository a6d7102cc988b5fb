#pragma once

#include "platform/Database.h"

#include <QString>

#include <functional>
#include <optional>

namespace ie {

struct ModGlobal;

// A yen amount of the list: exact ten-thousandths, or for a total past the 64-bit range (which
// the list reads as a float) yen as a double.
struct ListAmount {
    std::optional<Currency> exact;
    double yen = 0;
    // The amount in ten-thousandths as a sort key (exact for every stored amount).
    long double key() const;
    QString wholeText() const;  // whole yen with separators
};
std::optional<ListAmount> AmountOf(const db::Value& v);
// An asking price: nullopt for Null and for 0, which rows saved before an empty price was stored
// as Null hold for "not given".
std::optional<ListAmount> AskingOf(const db::Value& v);

// The figures the list and the comparison work out from a saved row, each nullopt where it cannot
// be had: 販売計算比 = asking / estimate × 100 (only when both are above zero, so never a division
// by zero), 差額 = asking − estimate (whenever both are there and the asking price is not 0),
// 築年数 = the house age the house calculation uses, from the build date to the valuation date.
std::optional<double> RatioOf(const db::Value& asking, const db::Value& estimate);
std::optional<ListAmount> DifferenceOf(const db::Value& asking, const db::Value& estimate);
// 築年数 only for a property saved with a house (a 坪単価 and a 延床面積 above zero).
std::optional<qint32> AgeOf(const db::Value& built, const db::Value& valued,
                            const db::Value& unitPrice, const db::Value& floorArea);

// Names a house structure (家屋構造CD) as the worksheet does.
using StructureNamer = std::function<QString(qint32 code)>;
// Names structures from the reference database of g, each looked up once; a structure the
// database cannot name (or a database that cannot be read) is "構造コード n".
StructureNamer StructureNamesFrom(ModGlobal& g);

}  // namespace ie
