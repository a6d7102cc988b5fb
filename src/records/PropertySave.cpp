#include "records/PropertySave.h"

#include "common/AppError.h"
#include "platform/Database.h"
#include "platform/UiServices.h"
#include "platform/WriteFailure.h"
#include "records/SaveLoad.h"
#include "state/ModGlobal.h"
#include "state/PropertyStore.h"

#include <QString>

#include <new>

namespace ie {

namespace {

QString Caption() {
    return QStringLiteral("物件情報保存");
}

AppError SaveFailure(int number, const QString& description) {
    return AppError(number, description,
                    QStringLiteral("物件情報の保存に失敗しました。データベースと画面の内容は"
                                   "保存前のままです。"));
}

}  // namespace

SaveOutcome SaveBukken(ModGlobal& g, UiServices& ui, QWidget* parent, bool confirm,
                       qint32* savedId) {
    const QString prompt = g.Bukken.NewBukken
                               ? QStringLiteral("あたらしい物件データを保存しますか。")
                               : QStringLiteral("既存の物件データを更新しますか。");
    if (confirm && ui.question(parent, prompt, Caption(), Answer::Yes) == Answer::No) {
        return SaveOutcome::Cancelled;
    }

    UsrDbSession session(g, ui, parent);
    session.require();
    try {
        // Read first: an unreadable photo stops the save before anything is written.
        const std::optional<QByteArray> photo = PhotoToSave(g.Bukken);
        PropertyStore store(g.UsrDbCon);
        bool asNew = g.Bukken.NewBukken;
        // The count an update expects the row to have: the one it was loaded with, or, once the
        // user chose to overwrite, the one seen when asking.
        BukkenJoho expected = g.Bukken;
        for (;;) {
            UpdateOutcome outcome = UpdateOutcome::Saved;
            {
                // One transaction, committed durably by the layer: the row with its photo, or
                // nothing. Questions are asked only once it is closed, never under its lock.
                db::Transaction tx(g.UsrDbCon);
                if (asNew) {
                    const qint32 id = store.insert(g.Bukken, photo);
                    tx.commit();
                    if (savedId)
                        *savedId = id;
                    break;
                }
                outcome = store.update(g.Bukken.BukkenID, expected, photo);
                if (outcome == UpdateOutcome::Saved) {
                    tx.commit();
                    if (savedId)
                        *savedId = g.Bukken.BukkenID;
                    break;
                }
                if (outcome == UpdateOutcome::RowChanged) {
                    expected.KoshinKaisu = store.changeCount(g.Bukken.BukkenID).value_or(0);
                }
            }
            if (outcome == UpdateOutcome::RowChanged) {
                const int choice =
                    ui.choose(parent,
                              QStringLiteral("この物件データは、読み込んだ後にほかのいえねだん帳で"
                                             "更新されています。上書きしますか。"),
                              Caption(),
                              {QStringLiteral("上書き"), QStringLiteral("新しい物件として保存"),
                               QStringLiteral("キャンセル")});
                if (choice == 1) {
                    asNew = true;
                } else if (choice != 0) {
                    return SaveOutcome::Cancelled;
                }
                continue;
            }
            const QString ask = QStringLiteral(
                "この物件データは、ほかのいえねだん帳で削除されています。"
                "新しい物件として保存しますか。");
            if (ui.question(parent, ask, Caption(), Answer::Yes) == Answer::No) {
                return SaveOutcome::Cancelled;
            }
            asNew = true;
        }
    } catch (const db::DbError& e) {
        // A write the file refused names the file and why; the number stays SQLite's.
        const QString description =
            e.isWriteFailure() ? WriteFailedText(g.UsrDbPath, e.writeCause()) : e.description();
        throw SaveFailure(e.number(), description);
    } catch (const AppError& e) {
        throw SaveFailure(e.number(), e.description());
    } catch (const std::bad_alloc&) {
        throw SaveFailure(7, QStringLiteral("メモリが不足しています。"));
    }
    session.close();
    return SaveOutcome::Saved;
}

}  // namespace ie
