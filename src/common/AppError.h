#pragma once

#include <QString>

#include <exception>
#include <string>

namespace ie {

// A run-time failure with a number and a description, the pair the program shows to the user
// ("number CR description CR what failed"). Thrown by the value types and the database layer.
class AppError : public std::exception {
public:
    AppError(int number, QString description);
    int number() const { return number_; }
    const QString& description() const { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int number_;
    QString description_;
    std::string what_;
};

namespace errors {
// Numbers follow the run-time error numbers Japanese users know from Windows programs.
inline constexpr int kOverflow = 6;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kFileNotFound = 53;
inline constexpr int kFileIo = 75;
inline constexpr int kNoCurrentRecord = 3021;
}  // namespace errors

// The texts that go with the numbers above.
QString OverflowDescription();      // "オーバーフローしました。"
QString TypeMismatchDescription();  // "型が一致しません。"

}  // namespace ie
