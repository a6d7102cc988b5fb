#pragma once

#include <QString>

#include <exception>
#include <string>

namespace ie {

// The one shape in which the program's logic reports a failure: a number and a description, and,
// once the action that failed knows it, what failed. Windows and UiServices show it as "number CR
// description CR what failed" (messageText); logic never shows it itself.
class AppError : public std::exception {
public:
    AppError(int number, QString description, QString context = QString());
    int number() const { return number_; }
    const QString& description() const { return description_; }
    // What failed, in the user's words ("…への接続失敗"); empty until an action adds it.
    const QString& context() const { return context_; }
    // The same failure, named by the action it stopped. A context already given is kept: the
    // innermost action knows best what failed.
    AppError withContext(const QString& context) const;
    // The text a message box shows. A failure that is only a sentence (no number) shows alone.
    QString messageText() const;
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int number_;
    QString description_;
    QString context_;
    std::string what_;
};

namespace errors {
// Numbers follow the run-time error numbers Japanese users know from Windows programs.
inline constexpr int kOverflow = 6;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kFileNotFound = 53;
inline constexpr int kFileIo = 75;
inline constexpr int kNoCurrentRecord = 3021;
// A failure the user can act on from its sentence alone: shown without a number.
inline constexpr int kPlainMessage = 0;
}  // namespace errors

// The texts that go with the numbers above.
QString OverflowDescription();      // "オーバーフローしました。"
QString TypeMismatchDescription();  // "型が一致しません。"

}  // namespace ie
