#include "platform/FieldGuard.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace ie {

FieldGuard::FieldGuard(QWidget* field, Handler validate, Handler lostFocus)
    : QObject(field),
      field_(field),
      window_(field->window()),
      windowClass_(window_->metaObject()),
      validate_(std::move(validate)),
      lostFocus_(std::move(lostFocus)) {
    field_->installEventFilter(this);
}

FieldGuard* FieldGuard::attach(QWidget* field, Handler validate, Handler lostFocus) {
    return new FieldGuard(field, std::move(validate), std::move(lostFocus));
}

bool FieldGuard::windowAlive() const {
    return window_->metaObject() == windowClass_;
}

void FieldGuard::run() {
    if (running_ || !windowAlive()) {
        return;  // a handler that shows a message must not re-enter through the focus it moves
    }
    running_ = true;
    if (validate_)
        validate_();
    if (lostFocus_)
        lostFocus_();
    running_ = false;
}

bool FieldGuard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Menus, popups and other windows take the focus only for a while: no validation then.
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason ||
            reason == Qt::OtherFocusReason) {
            run();
        }
    }
    return QObject::eventFilter(watched, event);
}

namespace {

class EnterFilter : public QObject {
public:
    explicit EnterFilter(QLineEdit* field) : QObject(field) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(event);
            if ((ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) &&
                (ke->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                auto* w = static_cast<QWidget*>(watched);
                QWidget* next = w->nextInFocusChain();
                while (next && next != w &&
                       (!(next->focusPolicy() & Qt::TabFocus) || !next->isEnabled() ||
                        !next->isVisibleTo(w->window()))) {
                    next = next->nextInFocusChain();
                }
                if (next && next != w) {
                    next->setFocus(Qt::TabFocusReason);
                }
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void EnterMovesFocus(QLineEdit* field) {
    field->installEventFilter(new EnterFilter(field));
}

}  // namespace ie
