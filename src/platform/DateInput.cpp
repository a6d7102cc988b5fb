#include "platform/DateInput.h"

namespace ie {

// First version: the text alone; the era label, calendar and key handling come with the worksheet.
DateInput::DateInput(Format format, QWidget* parent) : QLineEdit(parent), format_(format) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

std::optional<QDate> DateInput::value() const {
    const QString t = text().trimmed();
    if (format_ == Format::EraYear) {
        bool ok = false;
        const int yy = t.toInt(&ok);
        if (!ok || yy < 1 || yy > 99) return std::nullopt;
        return QDate(2018 + yy, 1, 1);
    }
    const QDate d = QDate::fromString(t, QStringLiteral("yyyy/MM/dd"));
    if (!d.isValid()) return std::nullopt;
    return d;
}

void DateInput::setValue(const QDate& date) {
    if (!date.isValid()) {
        clear();
        return;
    }
    if (format_ == Format::EraYear) {
        setText(QStringLiteral("%1").arg(date.year() - 2018, 2, 10, QLatin1Char('0')));
        Q_EMIT eraChanged(QStringLiteral("令和"));
        return;
    }
    setText(date.toString(QStringLiteral("yyyy/MM/dd")));
}

}  // namespace ie
