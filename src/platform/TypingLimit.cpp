#include "platform/TypingLimit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>
#include <memory>
#include <utility>

namespace ie {

namespace {

constexpr int kUnlimited = 32767;  // QLineEdit's default maxLength

bool IsTyping(const QKeyEvent* ke) {
    const QString text = ke->text();
    if (text.isEmpty())
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

}  // namespace

TypingLimit::TypingLimit(QLineEdit* field, int maxChars)
    : QObject(field), field_(field), limit_(maxChars) {}

TypingLimit* TypingLimit::attach(QLineEdit* field, int maxChars) {
    auto* limit = new TypingLimit(field, maxChars);
    field->setMaxLength(kUnlimited);
    field->setAcceptDrops(false);
    field->installEventFilter(limit);
    return limit;
}

TypingLimit* TypingLimit::attach(QLineEdit* field, int maxChars, std::function<void(int)> refused) {
    TypingLimit* limit = attach(field, maxChars);
    limit->refused_ = std::move(refused);
    return limit;
}

int TypingLimit::of(const QLineEdit* field) {
    const auto* limit = field->findChild<TypingLimit*>(QString(), Qt::FindDirectChildrenOnly);
    return limit ? limit->limit() : -1;
}

int TypingLimit::room() const {
    const auto shown = static_cast<int>(field_->text().size());
    const auto selected = static_cast<int>(field_->selectedText().size());
    return std::max(limit_, shown) - (shown - selected);
}

template <typename Paste>
void TypingLimit::limitedPaste(Paste paste) {
    // QLineEdit cuts what it inserts at its maxLength; the program's own texts never pass here.
    // Changing maxLength sets the text anew, which drops the selection and puts the cursor at the
    // end: both are put back, so that a paste replaces the selection or goes in at the cursor.
    const auto shown = static_cast<int>(field_->text().size());
    const int start = field_->selectionStart();
    const int length = field_->selectionLength();
    const int cursor = field_->cursorPosition();
    field_->setMaxLength(std::max(limit_, shown));
    if (start >= 0)
        field_->setSelection(start, length);
    else
        field_->setCursorPosition(cursor);
    paste();
    const int after = field_->cursorPosition();
    field_->setMaxLength(kUnlimited);
    field_->setCursorPosition(after);
}

void TypingLimit::paste() {
    if (refused_ && QGuiApplication::clipboard()->text().size() > room()) {
        refused_(limit_);
        return;
    }
    limitedPaste([this] { field_->paste(); });
}

bool TypingLimit::eventFilter(QObject* watched, QEvent* event) {
    // Only the input events below are looked at: others also arrive while the field is being
    // destroyed, when it may no longer be asked anything as a QLineEdit.
    const QEvent::Type type = event->type();
    const bool input = type == QEvent::KeyPress || type == QEvent::InputMethod ||
                       type == QEvent::ContextMenu || type == QEvent::MouseButtonRelease;
    if (watched != field_ || !input || field_->isReadOnly())
        return QObject::eventFilter(watched, event);
    switch (type) {
        case QEvent::KeyPress: {
            auto* ke = static_cast<QKeyEvent*>(event);
            if (ke->matches(QKeySequence::Paste)) {
                paste();
                return true;
            }
            if (IsTyping(ke) && room() < ke->text().size())
                return true;  // one too many: ignored
            break;
        }
        case QEvent::InputMethod: {
            auto* im = static_cast<QInputMethodEvent*>(event);
            const QString commit = im->commitString();
            const int room = std::max(0, this->room());
            if (commit.size() > room) {
                im->setCommitString(commit.left(room), im->replacementStart(),
                                    im->replacementLength());
            }
            break;
        }
        case QEvent::ContextMenu: {
            // The menu's paste is cut to fit as well.
            auto* ce = static_cast<QContextMenuEvent*>(event);
            std::unique_ptr<QMenu> menu(field_->createStandardContextMenu());
            if (refused_) {
                // The menu's paste goes through the same check as Ctrl+V.
                if (auto* item = menu->findChild<QAction*>(QStringLiteral("edit-paste"))) {
                    QObject::disconnect(item, &QAction::triggered, field_, nullptr);
                    connect(item, &QAction::triggered, this, &TypingLimit::paste);
                }
            }
            limitedPaste([&] { menu->exec(ce->globalPos()); });
            return true;
        }
        case QEvent::MouseButtonRelease:
            // The X11 selection paste of the middle button.
            if (static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton)
                return true;
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ie
