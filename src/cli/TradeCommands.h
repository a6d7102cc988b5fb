#pragma once

#include "valuation/TradeComparison.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace ie {
struct BukkenJoho;
}

namespace ie::cli {

struct ValueRequest;
class PropertyValuer;

// The trades subcommands' work, apart from their arguments and sessions.

// Imports paths into the trades database at dbPath as the import window does. progress, when
// set, is told the rows read and quarters written as the import goes on; say receives the
// closing counts (added, replaced, skipped and the first reasons) line by line. Returns the exit
// code: 0 done, 65 a file refused or rows skipped, 69 the database could not be written.
int ImportTradeFiles(const QStringList& paths, const QString& dbPath,
                     const std::function<void(const QString&)>& progress,
                     const std::function<void(const QString&)>& say);

// The record a property given as keys is compared as: valued as `value` values it when it can
// be, with its location and asking price. nullopt with the refusal (naming the key) in *why.
std::optional<BukkenJoho> ComparisonRecord(PropertyValuer& valuer, const ValueRequest& in,
                                           const QDate& today, QString* why);

// The comparison as one JSON object on one line: the kind, the tier (0 when even the widest has
// too few trades), counts, quartiles, ratios, the trades of the tier and the source credit.
QByteArray ComparisonJson(const ComparisonResult& r);

}  // namespace ie::cli
