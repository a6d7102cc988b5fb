#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class QWidget;

namespace ie {

// The program's title, the caption of every message box unless a question names its own.
QString AppTitle();  // "いえねだん帳"

enum class MsgIcon { None, Critical, Exclamation, Question, Information };
enum class Answer { Yes, No };

// Everything that would block on the user or depend on the machine: message boxes, questions, file
// choosers, today's date, the temporary folder. Windows reach these only through this interface;
// QtUiServices is the real one, tests use a scripted fake.
class UiServices {
public:
    virtual ~UiServices() = default;

    // A message with one OK button.
    virtual void message(QWidget* parent, const QString& text, MsgIcon icon,
                         const QString& caption) = 0;
    // A Yes/No question with the question icon.
    virtual Answer question(QWidget* parent, const QString& text, const QString& caption,
                            Answer defaultButton) = 0;
    // File choosers. The filter uses Qt's syntax ("Images (*.jpg *.bmp)"). An empty result means
    // the user cancelled. The save chooser never asks its own overwrite question.
    virtual QString openFileName(QWidget* parent, const QString& filter,
                                 const QString& initialPath) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& filter,
                                 const QString& initialPath) = 0;

    // A question with buttons of its own, in this order; the first is the default. Returns the
    // index of the button pressed; closing the box (Esc) counts as the last button.
    virtual int choose(QWidget* parent, const QString& text, const QString& caption,
                       const QStringList& buttons) = 0;

    virtual QDate today() = 0;
    // The user's own folder for the program's run-time files (lock, scratch photo): in the real
    // program RuntimeFolder(), owner-only. Empty when it cannot be had.
    virtual QString tempFolder() = 0;

    // Convenience: a message with the program's title as caption.
    void message(QWidget* parent, const QString& text, MsgIcon icon) {
        message(parent, text, icon, AppTitle());
    }
};

}  // namespace ie
