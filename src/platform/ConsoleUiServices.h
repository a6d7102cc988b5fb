#pragma once

#include "platform/UiServices.h"

#include <cstdio>

namespace ie {

// The services of a run without a window: messages and notes go to standard error, one line each
// (the caption first); a question takes its default answer, choose its first button; a file
// chooser is cancelled. Today and the run-time folder are the real ones.
class ConsoleUiServices : public UiServices {
public:
    explicit ConsoleUiServices(std::FILE* out = stderr) : out_(out) {}

    void message(QWidget* parent, const QString& text, MsgIcon icon,
                 const QString& caption) override;
    using UiServices::message;
    Answer question(QWidget* parent, const QString& text, const QString& caption,
                    Answer defaultButton) override;
    void note(QWidget* parent, const QString& text) override;
    QString openFileName(QWidget* parent, const QString& filter,
                         const QString& initialPath) override;
    QString saveFileName(QWidget* parent, const QString& filter, const QString& initialPath,
                         QString* selectedFilter = nullptr) override;
    int choose(QWidget* parent, const QString& text, const QString& caption,
               const QStringList& buttons) override;
    QDate today() override;
    QString tempFolder() override;

private:
    void print(const QString& caption, const QString& text);
    std::FILE* out_;
};

}  // namespace ie
