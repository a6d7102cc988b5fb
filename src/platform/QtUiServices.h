#pragma once

#include "platform/UiServices.h"

#include <QFont>

namespace ie {

// The real services: QMessageBox, QFileDialog, the system clock and temporary folder.
class QtUiServices : public UiServices {
public:
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
    QString tempFolderProblem() override;
    // A busy progress dialog with キャンセル, shown when the work takes long.
    bool wait(QWidget* parent, const QString& text, const QFuture<void>& work) override;
    QStringList openFileNames(QWidget* parent, const QString& filter,
                              const QString& initialPath) override;
    void track(QWidget* parent, const QString& title, const QFuture<void>& work,
               const std::function<ProgressState()>& status,
               const std::function<void()>& cancel) override;

private:
    QString tempFolderProblem_;
};

// The MS font names of the window and report designs, mapped to the IPA fonts Debian ships
// (fixed-pitch for the fixed-pitch names, so that column alignment holds).
void InstallFontSubstitutions();

// The font of every window: ＭＳ Ｐゴシック 9 pt of the Windows designs, named directly as the IPA
// P Gothic it maps to, so that one font holds the Latin and the Japanese glyphs and no fallback has
// to be looked for.
QFont WindowFont();

}  // namespace ie
