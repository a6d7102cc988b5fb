#pragma once

#include "valuation/OfficialLot.h"

#include <QString>

#include <optional>

namespace ie {

struct BukkenJoho;
struct ModGlobal;

// The official way of the lot factor over the property record: its stored inputs turned into the
// engine's, the worksheet's 路線価 and 地積 added, and the result stored as KakutiHoseiRitu.

inline constexpr qint32 kLotMethodQuick = 0;
inline constexpr qint32 kLotMethodOfficial = 1;

// Hundredths of a stored two-decimal value (metres, ㎡, percent), the rest rounded away.
qint64 ToHundredths(double value);

// The engine's inputs from rec, with the worksheet's road price (whole yen, fraction dropped)
// and area (㎡).
official::Inputs OfficialInputsOf(const BukkenJoho& rec, double rosenka, double area);

// Works rec's official inputs with the worksheet's 路線価 and 地積 texts (the area rounded to two
// decimals as the land calculation reads it). A text that is no number gives a refusal.
official::Result WorkOfficialLot(const official::Tables& tables, const BukkenJoho& rec,
                                 const QString& rosenkaText, const QString& areaText);

// For a property of the official way: reads the tables, works the lot factor again for the
// worksheet's 路線価 and 地積, and stores it in KakutiHoseiRitu when it could be worked (else the
// old factor stays). On the 倍率 path *rosenka receives the per-㎡ value that belongs in 路線価.
// Throws AppError when a table cannot be read (*table names it); the factor then stays.
official::Result RefreshOfficialLot(ModGlobal& g, BukkenJoho& rec, const QString& rosenkaText,
                                    const QString& areaText, std::optional<qint64>* rosenka,
                                    QString* table = nullptr);

// A field of the official way as typed: empty or 0 is "none" (0); a negative value or a text that
// is no number is refused with a message naming the field. Two decimals, the rest rounded.
struct FieldReading {
    double value = 0;
    QString error;
};
FieldReading ReadAmountField(const QString& text, const QString& field);
// The same for a share in percent: outside 0-100 is refused.
FieldReading ReadShareField(const QString& text, const QString& field);

}  // namespace ie
