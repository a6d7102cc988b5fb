#pragma once

#include <QDate>
#include <QLineEdit>

#include <optional>

class QCalendarWidget;

namespace ie {

// Stand-in for the date-input control: holds a date value or "not a date", shows and accepts
// "yyyy/mm/dd" (Format::Date) or the two-digit era year of the road-price year (Format::EraYear).
//
// Date: typed as yyyy/m/d (also with "-" or ".", or as eight digits); Up and Down step the part
// under the cursor (year, month or day).
// EraYear: the era is the one in which the year is labelled (令和 from 2019, 平成 1989-2018; see
// jcal::EraOfYear); typing digits alone keeps the era shown, a leading H, R (or S, T, M) or the
// era's name chooses another, and four digits are taken as a Western year. Up and Down step the
// year across era boundaries (令和01 -> 平成30). An era year outside its era is not a date.
// Both: F4, Alt+Down, a double click or the context menu open a calendar that marks Japanese
// holidays.
class DateInput : public QLineEdit {
    Q_OBJECT
public:
    enum class Format { Date, EraYear };

    explicit DateInput(Format format, QWidget* parent = nullptr);

    Format format() const { return format_; }
    // The date the text stands for; nullopt when it is not a valid date (or era year).
    std::optional<QDate> value() const;
    // Shows the date in the field's format (for EraYear: 1 January of the date's year). An invalid
    // date empties the field.
    void setValue(const QDate& date);
    // The era shown beside an era-year field ("令和", "平成"); empty for a date field.
    QString era() const { return era_; }

    // The drop-down calendar (created on first use).
    void showCalendar();
    QCalendarWidget* calendar() const { return calendar_; }

Q_SIGNALS:
    // The era shown beside an era-year field changed ("令和" or "平成").
    void eraChanged(const QString& eraName);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void setEra(const QString& era);
    void onTextEdited(const QString& text);
    void step(int delta);
    void markHolidays(int year, int month);
    void chooseFromCalendar(const QDate& date);

    Format format_;
    QString era_;
    QCalendarWidget* calendar_ = nullptr;
};

}  // namespace ie
