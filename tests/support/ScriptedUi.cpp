#include "support/ScriptedUi.h"

namespace ie::test {

void ScriptedUi::message(QWidget*, const QString& text, MsgIcon icon, const QString& caption) {
    shown.push_back({text, icon, caption, false, Answer::No, {}});
}

Answer ScriptedUi::question(QWidget*, const QString& text, const QString& caption,
                            Answer defaultButton) {
    shown.push_back({text, MsgIcon::Question, caption, true, defaultButton, {}});
    if (answers.empty()) {
        unexpected << QStringLiteral("question: ") + text;
        return defaultButton;
    }
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

int ScriptedUi::choose(QWidget*, const QString& text, const QString& caption,
                       const QStringList& buttons) {
    shown.push_back({text, MsgIcon::Question, caption, true, Answer::Yes, buttons});
    const int last = static_cast<int>(buttons.size()) - 1;
    int c = last;
    if (!choices.empty()) {
        c = choices.front();
        choices.pop_front();
    } else if (!answers.empty()) {
        c = static_cast<int>(answers.front());  // はい / いいえ / キャンセル
        answers.pop_front();
    } else {
        unexpected << QStringLiteral("choice: ") + text;
    }
    if (c > last) {
        unexpected << QStringLiteral("no such button: ") + text;
        c = last;
    }
    return c;
}

QString ScriptedUi::openFileName(QWidget*, const QString& filter, const QString& initialPath) {
    choosers.push_back({false, filter, initialPath, {}});
    if (files.empty()) {
        unexpected << QStringLiteral("open chooser");
        return {};
    }
    QString f = files.front();
    files.pop_front();
    return f;
}

QString ScriptedUi::saveFileName(QWidget*, const QString& filter, const QString& initialPath,
                                 QString* selectedFilter) {
    choosers.push_back({true, filter, initialPath, selectedFilter ? *selectedFilter : QString()});
    if (selectedFilter && !filters.empty()) {
        *selectedFilter = filters.front();
        filters.pop_front();
    }
    if (files.empty()) {
        unexpected << QStringLiteral("save chooser");
        return {};
    }
    QString f = files.front();
    files.pop_front();
    return f;
}

bool ScriptedUi::wait(QWidget* parent, const QString& text, const QFuture<void>& work) {
    waitsFoundFinished.push_back(work.isFinished());
    if (!cancelWaits.empty()) {
        const bool cancel = cancelWaits.front();
        cancelWaits.pop_front();
        if (cancel)
            return false;
    }
    return UiServices::wait(parent, text, work);
}

QStringList ScriptedUi::openFileNames(QWidget* parent, const QString& filter,
                                      const QString& initialPath) {
    if (fileLists.empty())
        return UiServices::openFileNames(parent, filter, initialPath);
    choosers.push_back({false, filter, initialPath, {}});
    QStringList f = fileLists.front();
    fileLists.pop_front();
    return f;
}

void ScriptedUi::track(QWidget*, const QString&, const QFuture<void>& work,
                       const std::function<ProgressState()>& status,
                       const std::function<void()>& cancel) {
    ++tracks;
    bool doCancel = false;
    if (!cancelTracks.empty()) {
        doCancel = cancelTracks.front();
        cancelTracks.pop_front();
    }
    if (doCancel) {
        status();
        cancel();
    }
    QFuture<void>(work).waitForFinished();
}

QStringList ScriptedUi::texts() const {
    QStringList out;
    for (const auto& s : shown)
        out << s.text;
    return out;
}

}  // namespace ie::test
