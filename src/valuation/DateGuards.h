#pragma once

#include <QDate>
#include <QString>

#include <optional>

namespace ie {

// What a worksheet date guard decides when the user leaves a date field: the message to show
// (empty: none) and the date to put back into the field (nullopt: the field keeps what was typed).
struct DateCheck {
    QString message;
    std::optional<QDate> reset;
};

// 路線価年度: an unreadable or future year is refused and the current one shown again; an
// accepted year is shown again in the field's own form.
DateCheck CheckRosenkaNendo(const std::optional<QDate>& typed, const QDate& current,
                            const QDate& today);
// 家屋建築年月日: an unreadable date gives back the current one, a future date today.
DateCheck CheckKaokuDate(const std::optional<QDate>& typed, const QDate& current,
                         const QDate& today);
// 評価年月日: an unreadable date, or one before the road-price year or the build date, gives back
// the current one.
DateCheck CheckHyokaDate(const std::optional<QDate>& typed, const QDate& current,
                         const QDate& rosenkaNendo, const QDate& kaokuDate);

}  // namespace ie
