#include "common/AppError.h"

namespace ie {

AppError::AppError(int number, QString description, QString context)
    : number_(number), description_(std::move(description)), context_(std::move(context)) {
    what_ = std::to_string(number_) + ": " + description_.toStdString();
}

AppError AppError::withContext(const QString& context) const {
    if (!context_.isEmpty())
        return *this;
    return AppError(number_, description_, context);
}

QString AppError::messageText() const {
    if (number_ == errors::kPlainMessage)
        return context_.isEmpty() ? description_ : description_ + QLatin1Char('\r') + context_;
    QString text = QString::number(number_) + QLatin1Char('\r') + description_;
    if (!context_.isEmpty())
        text += QLatin1Char('\r') + context_;
    return text;
}

QString OverflowDescription() {
    return QStringLiteral("オーバーフローしました。");
}
QString TypeMismatchDescription() {
    return QStringLiteral("型が一致しません。");
}

}  // namespace ie
