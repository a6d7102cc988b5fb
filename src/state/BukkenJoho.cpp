#include "state/BukkenJoho.h"

#include "platform/SaveChooser.h"
#include "state/PropertyColumns.h"
#include "state/PropertyStore.h"

#include <QStringList>

#include <type_traits>
#include <variant>

namespace ie {

void ModClearGlobal(BukkenJoho& rec) {
    // The stored fields as a load of an empty row gives them; the dates stay.
    for (const PropertyColumn& c : PropertyColumns()) {
        if (c.role != ColumnRole::Field && c.role != ColumnRole::ChangeCount)
            continue;
        const bool one = c.missing == WhenMissing::One;
        std::visit(
            [&](auto field) {
                using F = decltype(field);
                if constexpr (std::is_same_v<F, double BukkenJoho::*>)
                    rec.*field = one ? 1.0 : 0.0;
                else if constexpr (std::is_same_v<F, QString BukkenJoho::*>)
                    (rec.*field).clear();
                else if constexpr (!std::is_same_v<F, std::monostate> &&
                                   !std::is_same_v<F, QDate BukkenJoho::*>)
                    rec.*field = {};
            },
            c.field);
    }
    rec.GokeiKakaku = Currency();
    rec.SonotaHosei = 1.0;
    rec.KeikaNensu = 0;
    rec.KeinenHoseiRitu = 0;
    rec.PicUmu = false;
    rec.TotiKakakuStale = false;
    rec.KaokuKakakuStale = false;
    rec.KaokuKozoMei.clear();
    rec.PicFile.clear();
    rec.CsvFile.clear();
}

qint32 ModUsrRecCount(db::Connection& usrDbCon) {
    return PropertyStore(usrDbCon).count();
}

QString LocationText(const BukkenJoho& rec) {
    return rec.ShozaiKen + rec.ShozaiCity + rec.ShozaiChiku;
}

QString PropertyFileName(const QString& kind, const BukkenJoho& rec, const QDate& day,
                         const QString& suffix) {
    QString which = FileNamePart(rec.Jusho);
    if (which.isEmpty())
        which = FileNamePart(LocationText(rec));
    if (which.isEmpty() && !rec.NewBukken && rec.BukkenID > 0)
        which = QStringLiteral("物件ID%1").arg(rec.BukkenID);
    QStringList parts{kind};
    if (!which.isEmpty())
        parts << which;
    parts << day.toString(QStringLiteral("yyyyMMdd"));
    return parts.join(QLatin1Char('_')) + QLatin1Char('.') + suffix;
}

}  // namespace ie
