#include "valuation/DateGuards.h"

namespace ie {

namespace {

QString Unreadable() {
    return QStringLiteral("正しい日付を入力してください。日付を初期設定します。");
}

}  // namespace

DateCheck CheckRosenkaNendo(const std::optional<QDate>& typed, const QDate& current,
                            const QDate& today) {
    if (!typed) {
        return {QStringLiteral("正しく年度を入力してください。年度を設定し直します。"), current};
    }
    if (*typed > today) {
        return {QStringLiteral("未来の年度が入力されました。正しく年度を入力してください。"),
                current};
    }
    return {QString(), *typed};  // "H30" shows as 30 beside 平成
}

DateCheck CheckKaokuDate(const std::optional<QDate>& typed, const QDate& current,
                         const QDate& today) {
    if (!typed) {
        return {Unreadable(), current};
    }
    if (*typed > today) {
        return {QStringLiteral(
                    "家屋建築日に未来の日付が入力されました。正しく年度を入力してください。"),
                today};
    }
    return {};
}

DateCheck CheckHyokaDate(const std::optional<QDate>& typed, const QDate& current,
                         const QDate& rosenkaNendo, const QDate& kaokuDate) {
    QString message;
    if (!typed) {
        message = Unreadable();
    } else if (*typed < rosenkaNendo) {
        message = QStringLiteral(
            "評価日に路線価年度より過去の日付が入力されました。正しく日付を入力してください。");
    } else if (*typed < kaokuDate) {
        message = QStringLiteral(
            "評価日に家屋建築日より過去の日付が入力されました。正しく日付を入力してください。");
    }
    if (message.isEmpty()) {
        return {};
    }
    return {message, current};
}

}  // namespace ie
