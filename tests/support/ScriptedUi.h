#pragma once

#include "platform/UiServices.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

namespace ie::test {

// UiServices for tests: records every message and question with its icon and caption, answers
// questions and file choosers from queues, and fixes "today" and the temporary folder.
// A question, choice or chooser that arrives with nothing queued is recorded in unexpected and
// answered with the default (No / the last button / cancel); tests check that unexpected stays
// empty.
class ScriptedUi : public UiServices {
public:
    struct Shown {
        QString text;
        MsgIcon icon = MsgIcon::None;
        QString caption;
        bool isQuestion = false;
        Answer defaultButton = Answer::No;
        QStringList buttons;  // a choice's buttons; empty for Yes/No and messages
    };
    struct Chooser {
        bool save = false;
        QString filter;
        QString initialPath;
        QString offeredFilter;  // the filter selected as the chooser opened
    };

    std::vector<Shown> shown;
    std::vector<Chooser> choosers;
    std::deque<Answer> answers;
    std::deque<QString> files;
    std::deque<QString> filters;
    // Button indexes for choose(); when none is queued, a choice takes the next of answers as
    // Yes = 0, No = 1, Cancel = 2 (はい / いいえ / キャンセル).
    std::deque<int> choices;
    // Brief notes, which need no answer and are kept apart from the messages.
    QStringList notes;
    QStringList unexpected;
    QDate todayValue = QDate(2026, 12, 7);
    QString tempDir;
    QString tempProblem;
    // Waits for work on another thread: whether each one's work had already ended as it began.
    // A true queued in cancelWaits cancels the next wait at once; otherwise the work is waited for.
    std::vector<bool> waitsFoundFinished;
    std::deque<bool> cancelWaits;
    // Progress windows (track): how many were shown; a true queued in cancelTracks presses 中止
    // once the first status has been read, which happens when the work has run a while.
    int tracks = 0;
    std::deque<bool> cancelTracks;
    // Several files chosen at once (openFileNames); when none is queued, one from files.
    std::deque<QStringList> fileLists;

    void message(QWidget* parent, const QString& text, MsgIcon icon,
                 const QString& caption) override;
    using UiServices::message;
    Answer question(QWidget* parent, const QString& text, const QString& caption,
                    Answer defaultButton) override;
    int choose(QWidget* parent, const QString& text, const QString& caption,
               const QStringList& buttons) override;
    void note(QWidget*, const QString& text) override { notes << text; }
    QString openFileName(QWidget* parent, const QString& filter,
                         const QString& initialPath) override;
    // The filter chosen comes from filters (when one is queued), else the one offered stays.
    QString saveFileName(QWidget* parent, const QString& filter, const QString& initialPath,
                         QString* selectedFilter = nullptr) override;
    QDate today() override { return todayValue; }
    QString tempFolder() override { return tempDir; }
    QString tempFolderProblem() override { return tempProblem; }
    bool wait(QWidget* parent, const QString& text, const QFuture<void>& work) override;
    QStringList openFileNames(QWidget* parent, const QString& filter,
                              const QString& initialPath) override;
    void track(QWidget* parent, const QString& title, const QFuture<void>& work,
               const std::function<ProgressState()>& status,
               const std::function<void()>& cancel) override;

    // The texts shown so far, messages and questions in order.
    QStringList texts() const;
    void clear() {
        shown.clear();
        choosers.clear();
        unexpected.clear();
        notes.clear();
        waitsFoundFinished.clear();
    }
};

}  // namespace ie::test
