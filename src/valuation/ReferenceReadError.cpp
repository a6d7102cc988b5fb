#include "valuation/ReferenceReadError.h"

#include "common/AppError.h"

namespace ie {

QString ReferenceReadFailedText(const AppError& error, const QString& table) {
    return QString::number(error.number()) + QLatin1Char('\r') + error.description() +
           QLatin1Char('\r') +
           QStringLiteral(
               "システムデータベースの表「%1」を読み込めませんでした。"
               "データベースの内容を確認してください。")
               .arg(table);
}

QString ReferenceTableEmptyText(const QString& table) {
    return QStringLiteral(
               "システムデータベースの表「%1」にデータがありません。"
               "データベースの内容を確認してください。")
        .arg(table);
}

}  // namespace ie
