#include "records/PrintBatch.h"

#include "common/AppError.h"
#include "records/SaveLoad.h"
#include "report/ReportPrinter.h"
#include "state/BukkenJoho.h"
#include "state/PropertyStore.h"

#include <optional>

namespace ie {

namespace {

// How the user recognises a row: its address, or its ID when it has none.
QString RowName(const BukkenJoho& rec) {
    if (!rec.Jusho.isEmpty())
        return QStringLiteral("「%1」の物件").arg(rec.Jusho);
    return QStringLiteral("物件ID %1 の物件").arg(rec.BukkenID);
}

QString IdName(qint32 id) {
    return QStringLiteral("物件ID %1 の物件").arg(id);
}

}  // namespace

PrintOutcome PrintStoredRow(ReportPrinter& printer, PropertyStore& store, qint32 id,
                            const BukkenJoho& base, const QDate& today,
                            const BreakdownMaker& makeBreakdown, const StructureNamer& names) {
    std::optional<StoredProperty> row;
    try {
        row = store.load(id, base, today);
    } catch (const AppError& e) {
        throw AppError(errors::kPlainMessage, e.description(), IdName(id));
    }
    if (!row)
        throw AppError(errors::kPlainMessage, RowGoneText(id), IdName(id));
    row->record.KaokuKozoMei = names ? names(row->record.KaokuKozoCD) : QString();
    std::optional<BreakdownContent> breakdown;
    if (makeBreakdown) {
        try {
            breakdown = makeBreakdown(row->record);
        } catch (const AppError& e) {
            throw AppError(errors::kPlainMessage, e.description(), RowName(row->record));
        }
    }
    QString error;
    const QByteArray* photo = row->photo ? &*row->photo : nullptr;
    const PrintOutcome outcome = PrintChohyoOnPrinter(printer, row->record, today, error, photo,
                                                      breakdown ? &*breakdown : nullptr);
    if (outcome == PrintOutcome::Failed)
        throw AppError(errors::kPlainMessage, error, RowName(row->record));
    return outcome;
}

}  // namespace ie
