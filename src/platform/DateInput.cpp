#include "platform/DateInput.h"

#include "common/JapaneseCalendar.h"

#include <QAction>
#include <QCalendarWidget>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTextCharFormat>

#include <memory>

namespace ie {

namespace {

constexpr int kEraYearMaxLength = 4;  // "H30", "平成30" or a Western year "2026"
constexpr int kDateMaxLength = 10;    // "2026/12/07"

bool AllDigits(const QString& s) {
    if (s.isEmpty())
        return false;
    for (const QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// Full-width digits and letters as typed or pasted from Japanese text count as their ASCII twins.
QString Normalized(const QString& text) {
    QString t = text.normalized(QString::NormalizationForm_KC).trimmed();
    t.remove(QLatin1Char(' '));
    return t;
}

std::optional<QDate> ParseDate(const QString& text) {
    const QString t = Normalized(text);
    QStringList parts;
    if (t.size() == 8 && AllDigits(t)) {
        parts = {t.left(4), t.mid(4, 2), t.mid(6, 2)};
    } else {
        for (const QChar sep : {QLatin1Char('/'), QLatin1Char('-'), QLatin1Char('.')}) {
            if (t.contains(sep)) {
                parts = t.split(sep);
                break;
            }
        }
    }
    if (parts.size() != 3 || parts[0].size() != 4 || parts[1].size() > 2 || parts[2].size() > 2 ||
        !AllDigits(parts[0]) || !AllDigits(parts[1]) || !AllDigits(parts[2])) {
        return std::nullopt;
    }
    const QDate d(parts[0].toInt(), parts[1].toInt(), parts[2].toInt());
    if (!d.isValid())
        return std::nullopt;
    return d;
}

// The era a text names at its start, and the rest of the text.
struct EraPrefix {
    QString era;
    QString rest;
    bool named = false;  // the text names an era (a known one or not)
};

EraPrefix SplitEra(const QString& normalized) {
    EraPrefix p{QString(), normalized, false};
    if (normalized.isEmpty())
        return p;
    const QChar first = normalized.front();
    if (first.isLetter() && first.unicode() < 0x80) {
        p.named = true;
        p.era = jcal::EraFromLetter(first);
        p.rest = normalized.mid(1);
    } else if (normalized.size() >= 2 && jcal::GregorianYear(normalized.left(2), 1)) {
        p.named = true;
        p.era = normalized.left(2);
        p.rest = normalized.mid(2);
    }
    return p;
}

std::optional<QDate> ParseEraYear(const QString& text, const QString& shownEra) {
    const QString t = Normalized(text);
    if (t.isEmpty())
        return std::nullopt;
    const EraPrefix p = SplitEra(t);
    if (p.named && p.era.isEmpty())
        return std::nullopt;  // a letter that is no era
    QString rest = p.rest;
    if (rest.endsWith(QStringLiteral("年")))
        rest.chop(1);

    if (!p.named && rest.size() == 4 && AllDigits(rest)) {
        // A Western year.
        const int year = rest.toInt();
        const auto label = jcal::EraOfYear(year);
        if (!label || label->year > 99)
            return std::nullopt;
        return QDate(year, 1, 1);
    }
    int eraYear = 0;
    if (rest == QStringLiteral("元")) {
        eraYear = 1;
    } else if (rest.size() <= 2 && AllDigits(rest)) {
        eraYear = rest.toInt();
    } else {
        return std::nullopt;
    }
    const QString era = p.named ? p.era : shownEra;
    const auto year = jcal::GregorianYear(era, eraYear);
    if (!year)
        return std::nullopt;
    return QDate(*year, 1, 1);
}

}  // namespace

DateInput::DateInput(Format format, QWidget* parent) : QLineEdit(parent), format_(format) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setMaxLength(format_ == Format::EraYear ? kEraYearMaxLength : kDateMaxLength);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    connect(this, &QLineEdit::textEdited, this, &DateInput::onTextEdited);
}

std::optional<QDate> DateInput::value() const {
    if (format_ == Format::EraYear)
        return ParseEraYear(text(), era_);
    return ParseDate(text());
}

void DateInput::setValue(const QDate& date) {
    if (!date.isValid()) {
        clear();
        return;
    }
    if (format_ == Format::EraYear) {
        const auto label = jcal::EraOfYear(date.year());
        if (!label || label->year > 99) {
            clear();
            return;
        }
        setEra(label->era);
        setText(QStringLiteral("%1").arg(label->year, 2, 10, QLatin1Char('0')));
        return;
    }
    setText(date.toString(QStringLiteral("yyyy/MM/dd")));
}

void DateInput::setEra(const QString& era) {
    if (era == era_)
        return;
    era_ = era;
    Q_EMIT eraChanged(era_);
}

void DateInput::onTextEdited(const QString& text) {
    // A typed era letter or name shows its era at once.
    if (format_ != Format::EraYear)
        return;
    const EraPrefix p = SplitEra(Normalized(text));
    if (p.named && !p.era.isEmpty())
        setEra(p.era);
}

void DateInput::step(int delta) {
    const auto current = value();
    if (!current)
        return;
    if (format_ == Format::EraYear) {
        const int year = current->year() + delta;
        const auto label = jcal::EraOfYear(year);
        if (label && label->year <= 99)
            setValue(QDate(year, 1, 1));
        return;
    }
    // The part under the cursor in "yyyy/mm/dd".
    const int pos = cursorPosition();
    QDate next;
    if (pos <= 4) {
        next = current->addYears(delta);
    } else if (pos <= 7) {
        next = current->addMonths(delta);
    } else {
        next = current->addDays(delta);
    }
    if (!next.isValid())
        return;
    setValue(next);
    setCursorPosition(pos);
}

void DateInput::keyPressEvent(QKeyEvent* event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_F4 || (event->key() == Qt::Key_Down && mods == Qt::AltModifier)) {
        showCalendar();
        return;
    }
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && mods == Qt::NoModifier) {
        step(event->key() == Qt::Key_Up ? 1 : -1);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void DateInput::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason)
        return;
    // A date typed in another accepted form is shown in the field's own.
    if (const auto v = value())
        setValue(*v);
}

void DateInput::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_UNUSED(event);
    showCalendar();
}

void DateInput::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    menu->addSeparator();
    QAction* pick = menu->addAction(QStringLiteral("カレンダー(&C)"));
    connect(pick, &QAction::triggered, this, &DateInput::showCalendar);
    menu->exec(event->globalPos());
}

void DateInput::showCalendar() {
    if (!calendar_) {
        calendar_ = new QCalendarWidget(this);
        calendar_->setObjectName(QStringLiteral("calendar"));
        calendar_->setWindowFlags(Qt::Popup);
        calendar_->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
        calendar_->setFirstDayOfWeek(Qt::Sunday);
        calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        QTextCharFormat saturday = calendar_->weekdayTextFormat(Qt::Saturday);
        saturday.setForeground(Qt::blue);
        calendar_->setWeekdayTextFormat(Qt::Saturday, saturday);
        connect(calendar_, &QCalendarWidget::currentPageChanged, this, &DateInput::markHolidays);
        connect(calendar_, &QCalendarWidget::clicked, this, &DateInput::chooseFromCalendar);
        connect(calendar_, &QCalendarWidget::activated, this, &DateInput::chooseFromCalendar);
    }
    if (const auto v = value()) {
        calendar_->setSelectedDate(*v);
        calendar_->setCurrentPage(v->year(), v->month());
    }
    markHolidays(calendar_->yearShown(), calendar_->monthShown());
    calendar_->adjustSize();
    calendar_->move(mapToGlobal(QPoint(0, height())));
    calendar_->show();
    calendar_->setFocus(Qt::PopupFocusReason);
}

void DateInput::markHolidays(int year, int month) {
    if (!calendar_)
        return;
    calendar_->setDateTextFormat(QDate(), QTextCharFormat());  // forget the previous page's marks
    const QDate first(year, month, 1);
    if (!first.isValid())
        return;
    // The page shows some days of the months before and after.
    for (QDate d = first.addDays(-14); d <= first.addMonths(1).addDays(14); d = d.addDays(1)) {
        const QString name = jcal::HolidayName(d);
        if (name.isEmpty())
            continue;
        QTextCharFormat f;
        f.setForeground(Qt::red);
        f.setToolTip(name);
        calendar_->setDateTextFormat(d, f);
    }
}

void DateInput::chooseFromCalendar(const QDate& date) {
    setValue(format_ == Format::EraYear ? QDate(date.year(), 1, 1) : date);
    if (calendar_)
        calendar_->hide();
    setFocus(Qt::PopupFocusReason);
}

}  // namespace ie
