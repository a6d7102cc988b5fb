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
        QStringList buttons;  // a choice's buttons
    };
    struct Chooser {
        bool save = false;
        QString filter;
        QString initialPath;
    };

    std::vector<Shown> shown;
    std::vector<Chooser> choosers;
    std::deque<Answer> answers;
    std::deque<QString> files;
    std::deque<int> choices;  // button indexes for choose()
    QStringList unexpected;
    QDate todayValue = QDate(2026, 12, 7);
    QString tempDir;

    void message(QWidget* parent, const QString& text, MsgIcon icon,
                 const QString& caption) override;
    using UiServices::message;
    Answer question(QWidget* parent, const QString& text, const QString& caption,
                    Answer defaultButton) override;
    int choose(QWidget* parent, const QString& text, const QString& caption,
               const QStringList& buttons) override;
    QString openFileName(QWidget* parent, const QString& filter,
                         const QString& initialPath) override;
    QString saveFileName(QWidget* parent, const QString& filter,
                         const QString& initialPath) override;
    QDate today() override { return todayValue; }
    QString tempFolder() override { return tempDir; }

    // The texts shown so far, messages and questions in order.
    QStringList texts() const;
    void clear() {
        shown.clear();
        choosers.clear();
        unexpected.clear();
    }
};

}  // namespace ie::test
