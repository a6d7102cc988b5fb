#pragma once

#include "cli/ValueKeys.h"
#include "common/Currency.h"
#include "valuation/OfficialLot.h"

#include <QDate>
#include <QStringList>

#include <map>
#include <optional>
#include <utility>

namespace ie {
struct BukkenJoho;
struct ModGlobal;
}  // namespace ie

namespace ie::cli {

// The figures of one valued property, as the worksheet leaves them in its record.
struct ValueResult {
    std::optional<QString> id;
    std::optional<double> lotFactor;  // the land's factor, when the land was valued
    std::optional<Currency> land;
    std::optional<Currency> house;
    Currency total;
    std::optional<double> salesRatio;  // per cent, when an asking total was given
    QStringList warnings;
    // The official way's statement: its lines, and each factor with its 付表 and band.
    bool official = false;
    std::vector<official::Line> steps;
    QStringList factors;
};

// A valued property, or why it could not be valued (refusal, naming the key).
struct ValueOutcome {
    std::optional<ValueResult> result;
    QString refusal;
};

// Values properties that are not saved, with the worksheet's own calculations (CalcLandPrice,
// CalcHousePrice) on a record set up as the worksheet sets it up, and the worksheet's guards
// turned into refusals: a run without a window asks nothing. Reference lookups are kept per
// structure and age, so that many properties read the reference database once each.
class PropertyValuer {
public:
    // g.SysDbCon must stay open while the valuer is used.
    PropertyValuer(ModGlobal& g, const QDate& today);

    // record, when given, receives the worksheet's record as the figures left it.
    ValueOutcome value(const ValueRequest& in, BukkenJoho* record = nullptr);

    // The road-price year the worksheet starts with: that of today − 180 days (road prices of a
    // year are published around July).
    static QDate DefaultRoadPriceYear(const QDate& today);

private:
    struct Rate {
        double rate = 0;
        QString woodNotice;
    };
    const Rate& rateFor(qint32 structure, qint32 age);
    const QString& tsuboPriceText(qint32 structure);
    const official::Tables& officialTables();
    // The lot factor the official way, for the land of in; refuses as the dialog does.
    official::Result valueOfficially(const ValueRequest& in, BukkenJoho& rec,
                                     const QString& rosenkaText);

    ModGlobal& g_;
    QDate today_;
    QDate defaultRoadYear_;
    std::map<std::pair<qint32, qint32>, Rate> rates_;
    std::map<qint32, QString> tsuboPrices_;
    std::optional<official::Tables> officialTables_;
};

}  // namespace ie::cli
