#include "records/PrintBatch.h"

#include "common/AppError.h"
#include "platform/UiServices.h"
#include "records/SaveLoad.h"
#include "report/ReportPrinter.h"
#include "state/BukkenJoho.h"
#include "state/PropertyStore.h"

#include <QGuiApplication>
#include <QWidget>

#include <optional>

namespace ie {

namespace {

class BusyGuard {
public:
    explicit BusyGuard(QWidget* window) : window_(window) {
        if (window_)
            window_->setEnabled(false);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyGuard() {
        QGuiApplication::restoreOverrideCursor();
        if (window_)
            window_->setEnabled(true);
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    QWidget* window_;
};

// How the user recognises a row: its address, or its ID when it has none.
QString RowName(const BukkenJoho& rec) {
    if (!rec.Jusho.isEmpty())
        return QStringLiteral("「%1」の物件").arg(rec.Jusho);
    return QStringLiteral("物件ID %1 の物件").arg(rec.BukkenID);
}

QString FailureText(const QString& name, const QString& reason, qsizetype left) {
    QString text = name + QStringLiteral("を印刷できませんでした。");
    if (!reason.isEmpty())
        text += QLatin1Char('\r') + reason;
    if (left > 0)
        text += QStringLiteral("\r残りの%1件は印刷していません。").arg(left);
    return text;
}

}  // namespace

bool PrintSelectedBukken(QWidget* window, UiServices& ui, ReportPrinter& printer,
                         db::Connection& con, const std::vector<qint32>& ids,
                         const BukkenJoho& current, const BreakdownMaker& makeBreakdown) {
    const qsizetype n = static_cast<qsizetype>(ids.size());
    const QString question =
        QStringLiteral("選択物件") + QString::number(n) + QStringLiteral("件を印刷しますか。");
    if (ui.question(window, question, QStringLiteral("物件情報印刷"), Answer::No) == Answer::No) {
        return false;
    }

    // Each row's photo travels as bytes, never through the edited property's scratch file.
    BukkenJoho base = current;
    base.PicTempFile.clear();
    PropertyStore store(con);
    std::optional<QString> failure;
    {
        BusyGuard busy(window);
        for (qsizetype i = 0; i < n; ++i) {
            const qsizetype left = n - i - 1;
            const qint32 id = ids[static_cast<std::size_t>(i)];
            std::optional<StoredProperty> row;
            try {
                row = store.load(id, base, ui.today());
            } catch (const AppError& e) {
                failure =
                    FailureText(QStringLiteral("物件ID %1 の物件").arg(id), e.description(), left);
                break;
            }
            if (!row) {
                failure =
                    FailureText(QStringLiteral("物件ID %1 の物件").arg(id), RowGoneText(id), left);
                break;
            }
            std::optional<BreakdownContent> breakdown;
            if (makeBreakdown) {
                try {
                    breakdown = makeBreakdown(row->record);
                } catch (const AppError& e) {
                    failure = FailureText(RowName(row->record), e.description(), left);
                    break;
                }
            }
            QString error;
            const QByteArray* photo = row->photo ? &*row->photo : nullptr;
            const PrintOutcome outcome = PrintChohyoOnPrinter(
                printer, row->record, ui.today(), error, photo, breakdown ? &*breakdown : nullptr);
            if (outcome == PrintOutcome::NoPrinter) {
                ui.message(window, NoPrinterText(), MsgIcon::Exclamation);
            } else if (outcome == PrintOutcome::Failed) {
                failure = FailureText(RowName(row->record), error, left);
                break;
            }
        }
    }
    if (failure)
        ui.message(window, *failure, MsgIcon::Critical);
    return true;
}

}  // namespace ie
