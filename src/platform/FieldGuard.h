#pragma once

#include <QObject>

#include <functional>

class QLineEdit;
class QWidget;

namespace ie {

// The one mechanism behind "validate, then lost focus" of every input field: when the focus leaves
// the field for another control of the same window (Tab, Enter, a click on another field or
// straight on a button, before that button's click handler runs), validate() runs and then
// lostFocus(). Choosing a menu item, opening a dialog or switching windows leaves the focus where
// it is and runs neither. Neither runs once the field's window is being destroyed: a focused field
// loses the focus during the teardown, when the window's own members are already gone.
class FieldGuard : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    // The guard is owned by the field, which must already sit in its window.
    static FieldGuard* attach(QWidget* field, Handler validate, Handler lostFocus = {});

    // Runs the handlers as if the focus had left (for code that moves the focus itself).
    void run();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FieldGuard(QWidget* field, Handler validate, Handler lostFocus);
    // Whether the field's window is still whole (its destructor has not started).
    bool windowAlive() const;

    QWidget* field_;
    // The window and its most derived class (every window declares Q_OBJECT) when the guard was
    // attached: while the window is being destroyed, its class reads as a base class.
    QWidget* window_;
    const QMetaObject* windowClass_;
    Handler validate_;
    Handler lostFocus_;
    bool running_ = false;
};

// Enter (or the keypad's Enter) in the field moves the focus to the next control in tab order,
// exactly like Tab; the field's text is not changed.
void EnterMovesFocus(QLineEdit* field);

}  // namespace ie
