#pragma once

#include <QDate>
#include <QLineEdit>

#include <optional>

namespace ie {

// Stand-in for the date-input control: holds a date value or "not a date", shows and accepts
// "yyyy/mm/dd" (Format::Date) or the two-digit era year of the road-price year (Format::EraYear).
class DateInput : public QLineEdit {
    Q_OBJECT
public:
    enum class Format { Date, EraYear };

    explicit DateInput(Format format, QWidget* parent = nullptr);

    Format format() const { return format_; }
    // The date the text stands for; nullopt when it is not a valid date (or era year).
    std::optional<QDate> value() const;
    // Shows the date in the field's format (for EraYear: 1 January of the date's year).
    void setValue(const QDate& date);

Q_SIGNALS:
    // The era shown beside an era-year field changed ("令和" or "平成").
    void eraChanged(const QString& eraName);

private:
    Format format_;
};

}  // namespace ie
