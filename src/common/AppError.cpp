#include "common/AppError.h"

namespace ie {

AppError::AppError(int number, QString description)
    : number_(number), description_(std::move(description)) {
    what_ = std::to_string(number_) + ": " + description_.toStdString();
}

QString OverflowDescription() {
    return QStringLiteral("オーバーフローしました。");
}
QString TypeMismatchDescription() {
    return QStringLiteral("型が一致しません。");
}

}  // namespace ie
