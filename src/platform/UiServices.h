#pragma once

#include "common/AppError.h"

#include <QDate>
#include <QFuture>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace ie {

// The program's title, the caption of every message box unless a question names its own.
QString AppTitle();  // "いえねだん帳"

enum class MsgIcon { None, Critical, Exclamation, Question, Information };
enum class Answer { Yes, No, Cancel };

// What a long piece of work shows while it runs: a line of text and how far it is (0 to 1000;
// -1 when that is not known).
struct ProgressState {
    QString text;
    int permille = -1;
};

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
    // A short note beside the window that needs no click and goes away by itself.
    virtual void note(QWidget* parent, const QString& text) = 0;
    // File choosers. The filter uses Qt's syntax ("Images (*.jpg *.bmp)"). An empty result means
    // the user cancelled. The save chooser never asks its own overwrite question; several filters
    // are separated by ";;", and selectedFilter (when given) brings in the one offered first and
    // takes back the one the user chose.
    virtual QString openFileName(QWidget* parent, const QString& filter,
                                 const QString& initialPath) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& filter, const QString& initialPath,
                                 QString* selectedFilter = nullptr) = 0;
    // A chooser of one or more files to read; empty when the user cancelled.
    virtual QStringList openFileNames(QWidget* parent, const QString& filter,
                                      const QString& initialPath) {
        const QString one = openFileName(parent, filter, initialPath);
        return one.isEmpty() ? QStringList() : QStringList{one};
    }

    // A question with buttons of its own, in this order; the first is the default. Returns the
    // index of the button pressed; closing the box (Esc) counts as the last button.
    virtual int choose(QWidget* parent, const QString& text, const QString& caption,
                       const QStringList& buttons) = 0;

    virtual QDate today() = 0;
    // The user's own folder for the program's run-time files (lock, scratch photo): in the real
    // program RuntimeFolder(), owner-only. Empty when it cannot be had.
    virtual QString tempFolder() = 0;
    // Why tempFolder() came back empty (empty when there is nothing to say).
    virtual QString tempFolderProblem() { return {}; }

    // Waits for work running on another thread while the windows go on drawing themselves but
    // take no input. When it lasts more than a moment, text is shown with a キャンセル button.
    // False when the user cancelled: the work then runs to its end unseen and its result is not
    // wanted. Without a user to ask, the plain wait.
    virtual bool wait(QWidget* parent, const QString& text, const QFuture<void>& work) {
        (void)parent;
        (void)text;
        QFuture<void>(work).waitForFinished();
        return true;
    }

    // The one way a failure reaches the user: its text with the critical icon.
    void showError(QWidget* parent, const AppError& error) {
        message(parent, error.messageText(), MsgIcon::Critical);
    }

    // Waits for work on another thread with a progress window shown at once: status() is read
    // every moment for its text and bar, and its 中止 button (Esc, the close box) calls cancel(),
    // after which the wait goes on until the work has ended (it must stop soon). Without a user
    // to ask, the plain wait.
    virtual void track(QWidget* parent, const QString& title, const QFuture<void>& work,
                       const std::function<ProgressState()>& status,
                       const std::function<void()>& cancel) {
        (void)parent;
        (void)title;
        (void)status;
        (void)cancel;
        QFuture<void>(work).waitForFinished();
    }

    // Convenience: a message with the program's title as caption.
    void message(QWidget* parent, const QString& text, MsgIcon icon) {
        message(parent, text, icon, AppTitle());
    }
    // Convenience: はい (the default) / いいえ / キャンセル, Esc and the close box as キャンセル.
    Answer questionYesNoCancel(QWidget* parent, const QString& text, const QString& caption) {
        const int i = choose(parent, text, caption,
                             {QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)"),
                              QStringLiteral("キャンセル")});
        return i == 0 ? Answer::Yes : i == 1 ? Answer::No : Answer::Cancel;
    }
};

}  // namespace ie
