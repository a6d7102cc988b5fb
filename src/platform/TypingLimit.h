#pragma once

#include <QObject>

#include <functional>

class QLineEdit;

namespace ie {

// The most characters the user may type or paste into a field. Unlike QLineEdit::maxLength it
// never cuts a text that the program writes (a formatted "999,999,999,999" in a field of 12 typed
// characters stays whole, where maxLength would leave "999,999,999," and a wrong number); while
// such a longer text is shown the user can only keep it as long or shorten it. Typing past the
// limit is ignored, a paste or input-method text is cut to fit, dropping text is off.
class TypingLimit : public QObject {
    Q_OBJECT
public:
    // Lifts the field's own maxLength and watches its typing instead. The limit is owned by the
    // field.
    static TypingLimit* attach(QLineEdit* field, int maxChars);
    // The same, except that a paste that does not fit is refused whole instead of cut: nothing is
    // inserted and refused is called with the limit, so that the user hears why.
    static TypingLimit* attach(QLineEdit* field, int maxChars, std::function<void(int)> refused);
    // The limit of a field, or -1 when it has none.
    static int of(const QLineEdit* field);

    int limit() const { return limit_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TypingLimit(QLineEdit* field, int maxChars);
    // How many characters may still go in place of the selection.
    int room() const;
    // Runs a paste with QLineEdit's own cut at the room left.
    template <typename Paste>
    void limitedPaste(Paste paste);
    // The clipboard's text goes in whole, or (with refused_) not at all.
    void paste();

    QLineEdit* field_;
    int limit_;
    std::function<void(int)> refused_;
};

}  // namespace ie
