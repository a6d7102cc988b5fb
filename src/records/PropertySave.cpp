#include "records/PropertySave.h"

#include "app/ModGlobal.h"
#include "common/AppError.h"
#include "platform/Database.h"
#include "platform/UiServices.h"
#include "records/SaveLoad.h"

#include <QString>

#include <limits>
#include <new>

namespace ie {

namespace {

QString Caption() {
    return QStringLiteral("物件情報保存");
}

// Adds the property as a new row; its ID is one more than the last row's (1 for the first row).
void InsertNew(ModGlobal& g) {
    db::Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM 物件情報"), g.UsrDbCon);
    qint32 lastId = 0;
    if (rs.recordCount() != 0) {
        rs.moveLast();
        const std::optional<qint32> id = rs.value(QStringLiteral("物件ID")).toInt32();
        if (!id) {
            throw AppError(errors::kOverflow,
                           QStringLiteral("最後の物件IDを整数として読み取れません。"));
        }
        lastId = *id;
    }
    if (lastId == std::numeric_limits<qint32>::max()) {
        throw AppError(
            errors::kOverflow,
            OverflowDescription() + QStringLiteral("物件IDが上限の2147483647を超えるため、"
                                                   "あたらしい物件を追加できません。"));
    }
    rs.addNew();
    PutBukkenFields(rs, g.Bukken, lastId + 1);
    rs.update();
    rs.close();
}

// Rewrites row BukkenID. Returns false, writing nothing, when that row no longer exists.
bool UpdateExisting(ModGlobal& g) {
    db::Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM 物件情報 ") + QStringLiteral("WHERE 物件ID = ") +
                QString::number(g.Bukken.BukkenID),
            g.UsrDbCon);
    if (rs.recordCount() == 0) {
        rs.close();
        return false;
    }
    rs.moveFirst();
    PutBukkenFields(rs, g.Bukken, g.Bukken.BukkenID);
    rs.update();
    rs.close();
    return true;
}

void ShowFailure(UiServices& ui, QWidget* parent, int number, const QString& description) {
    ui.message(parent,
               QString::number(number) + QLatin1Char('\r') + description + QLatin1Char('\r') +
                   QStringLiteral("物件情報の保存に失敗しました。データベースと画面の内容は"
                                  "保存前のままです。"),
               MsgIcon::Critical);
}

}  // namespace

SaveOutcome SaveBukken(ModGlobal& g, UiServices& ui, QWidget* parent) {
    const QString prompt = g.Bukken.NewBukken
                               ? QStringLiteral("あたらしい物件データを保存しますか。")
                               : QStringLiteral("既存の物件データを更新しますか。");
    if (ui.question(parent, prompt, Caption(), Answer::Yes) == Answer::No) {
        return SaveOutcome::Cancelled;
    }

    UsrDbSession session(g, ui, parent);
    if (!session.ok()) {
        return SaveOutcome::Failed;
    }
    try {
        // One transaction, committed durably by the layer: the row with its photo, or nothing.
        db::Transaction tx(g.UsrDbCon);
        if (g.Bukken.NewBukken) {
            InsertNew(g);
        } else if (!UpdateExisting(g)) {
            const QString ask = QStringLiteral(
                                    "更新する物件データ（物件ID %1）が見つかりません。"
                                    "一覧から削除された可能性があります。\r"
                                    "あたらしい物件データとして保存しますか。")
                                    .arg(g.Bukken.BukkenID);
            if (ui.question(parent, ask, Caption(), Answer::Yes) == Answer::No) {
                return SaveOutcome::Cancelled;
            }
            InsertNew(g);
        }
        tx.commit();
    } catch (const AppError& e) {
        ShowFailure(ui, parent, e.number(), e.description());
        return SaveOutcome::Failed;
    } catch (const std::bad_alloc&) {
        ShowFailure(ui, parent, 7, QStringLiteral("メモリが不足しています。"));
        return SaveOutcome::Failed;
    }
    session.close();
    return SaveOutcome::Saved;
}

}  // namespace ie
