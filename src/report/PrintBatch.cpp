#include "report/PrintBatch.h"

#include "common/AppError.h"
#include "platform/UiServices.h"
#include "records/BukkenJoho.h"
#include "records/SaveLoad.h"
#include "report/ReportPrinter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <QWidget>

#include <optional>

namespace ie {

namespace {

// The record and its scratch photo file as they were before the batch.
class RecordKeeper {
public:
    explicit RecordKeeper(BukkenJoho& rec) : rec_(rec), saved_(rec), path_(rec.PicTempFile) {
        if (!path_.isEmpty()) {
            QFile f(path_);
            if (f.open(QIODevice::ReadOnly)) {
                bytes_ = f.readAll();
                if (f.error() != QFileDevice::NoError)
                    bytes_.reset();
            }
        }
    }
    ~RecordKeeper() {
        if (!done_)
            restore();
    }
    RecordKeeper(const RecordKeeper&) = delete;
    RecordKeeper& operator=(const RecordKeeper&) = delete;

    // Puts both back; false when the scratch file could not be rewritten.
    bool restore() {
        done_ = true;
        rec_ = saved_;
        if (path_.isEmpty())
            return true;
        if (!bytes_) {
            // There was no readable file before: leave none that a printed row brought.
            return !QFile::exists(path_) || QFile::remove(path_);
        }
        QSaveFile f(path_);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        if (f.write(*bytes_) != bytes_->size()) {
            f.cancelWriting();
            return false;
        }
        return f.commit();
    }
    const QString& path() const { return path_; }

private:
    BukkenJoho& rec_;
    const BukkenJoho saved_;
    const QString path_;
    std::optional<QByteArray> bytes_;
    bool done_ = false;
};

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
QString RowName(const db::Recordset& rs) {
    try {
        const QString address = rs.value(QStringLiteral("住所")).toText();
        if (!address.isEmpty())
            return QStringLiteral("「%1」の物件").arg(address);
        return QStringLiteral("物件ID %1 の物件").arg(rs.value(QStringLiteral("物件ID")).toText());
    } catch (const AppError&) {
        return QStringLiteral("選択された物件");
    }
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

bool PrintSelectedBukken(QWidget* window, UiServices& ui, ReportPrinter& printer, db::Recordset& rs,
                         const std::vector<db::Recordset::Bookmark>& bookmarks, BukkenJoho& rec) {
    const qsizetype n = static_cast<qsizetype>(bookmarks.size());
    const QString question =
        QStringLiteral("選択物件") + QString::number(n) + QStringLiteral("件を印刷しますか。");
    if (ui.question(window, question, QStringLiteral("物件情報印刷"), Answer::No) == Answer::No) {
        return false;
    }

    RecordKeeper keeper(rec);
    std::optional<QString> failure;
    {
        BusyGuard busy(window);
        for (qsizetype i = 0; i < n; ++i) {
            const qsizetype left = n - i - 1;
            QString name = QStringLiteral("選択された物件");
            try {
                rs.setBookmark(bookmarks[static_cast<std::size_t>(i)]);
                name = RowName(rs);
                GetBukkenFields(rs, rec, ui.today());
            } catch (const AppError& e) {
                failure = FailureText(name, e.description(), left);
                break;
            }
            QString error;
            if (PrintChohyoOnPrinter(printer, ui, window, rec, ui.today(), error) ==
                PrintOutcome::Failed) {
                failure = FailureText(name, error, left);
                break;
            }
        }
    }
    const bool restored = keeper.restore();
    if (failure)
        ui.message(window, *failure, MsgIcon::Critical);
    if (!restored) {
        ui.message(window,
                   QStringLiteral("写真の一時ファイル %1 を印刷前の内容に戻せませんでした。")
                       .arg(QDir::toNativeSeparators(keeper.path())),
                   MsgIcon::Critical);
    }
    return true;
}

}  // namespace ie
