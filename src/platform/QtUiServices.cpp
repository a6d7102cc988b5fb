#include "platform/QtUiServices.h"

#include "platform/FileLocations.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFont>
#include <QFutureWatcher>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace ie {

QString AppTitle() {
    return QStringLiteral("いえねだん帳");
}

namespace {

QMessageBox::Icon ToQt(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// Message texts use CR as their line break, as the program's messages are written.
QString Lines(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

}  // namespace

void QtUiServices::message(QWidget* parent, const QString& text, MsgIcon icon,
                           const QString& caption) {
    QMessageBox box(ToQt(icon), caption, Lines(text), QMessageBox::Ok, parent);
    box.exec();
}

Answer QtUiServices::question(QWidget* parent, const QString& text, const QString& caption,
                              Answer defaultButton) {
    QMessageBox box(QMessageBox::Question, caption, Lines(text), QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
    box.setDefaultButton(defaultButton == Answer::Yes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

int QtUiServices::choose(QWidget* parent, const QString& text, const QString& caption,
                         const QStringList& buttons) {
    QMessageBox box(QMessageBox::Question, caption, Lines(text), QMessageBox::NoButton, parent);
    std::vector<QPushButton*> pushed;
    for (const QString& b : buttons) {
        pushed.push_back(box.addButton(b, QMessageBox::ActionRole));
    }
    if (!pushed.empty()) {
        box.setDefaultButton(pushed.front());
        box.setEscapeButton(pushed.back());
    }
    box.exec();
    for (size_t i = 0; i < pushed.size(); ++i) {
        if (box.clickedButton() == pushed[i]) {
            return static_cast<int>(i);
        }
    }
    return static_cast<int>(buttons.size()) - 1;
}

void QtUiServices::note(QWidget* parent, const QString& text) {
    // A tooltip-like label at the foot of the window: it takes no focus and no click, and goes
    // after a few seconds.
    QWidget* window = parent ? parent->window() : nullptr;
    auto* label = new QLabel(Lines(text), window, Qt::ToolTip | Qt::FramelessWindowHint);
    label->setObjectName(QStringLiteral("note"));
    label->setAttribute(Qt::WA_DeleteOnClose);
    label->setAttribute(Qt::WA_ShowWithoutActivating);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setMargin(8);
    label->adjustSize();
    if (window) {
        const QRect frame = window->geometry();
        label->move(frame.center().x() - label->width() / 2, frame.bottom() - label->height() - 24);
    }
    label->show();
    QTimer::singleShot(4000, label, &QWidget::close);
}

QString QtUiServices::openFileName(QWidget* parent, const QString& filter,
                                   const QString& initialPath) {
    return QFileDialog::getOpenFileName(parent, QString(), initialPath, filter);
}

QString QtUiServices::saveFileName(QWidget* parent, const QString& filter,
                                   const QString& initialPath, QString* selectedFilter) {
    // The program asks its own overwrite question, once the name is complete.
    return QFileDialog::getSaveFileName(parent, QString(), initialPath, filter, selectedFilter,
                                        QFileDialog::DontConfirmOverwrite);
}

QDate QtUiServices::today() {
    return QDate::currentDate();
}

QString QtUiServices::tempFolder() {
    tempFolderProblem_.clear();
    return RuntimeFolder(&tempFolderProblem_);
}

QString QtUiServices::tempFolderProblem() {
    return tempFolderProblem_;
}

bool QtUiServices::wait(QWidget* parent, const QString& text, const QFuture<void>& work) {
    // A wait that ends within a moment shows nothing; until then the windows are repainted but
    // take no input, so that nothing is started twice and no window closes under the caller.
    constexpr int kShowAfterMs = 400;
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(work);
    if (work.isFinished()) {
        return true;
    }
    QApplication::setOverrideCursor(Qt::BusyCursor);
    QTimer::singleShot(kShowAfterMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
    if (work.isFinished()) {
        return true;
    }
    QProgressDialog progress(Lines(text), QStringLiteral("キャンセル"), 0, 0, parent);
    progress.setWindowTitle(AppTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    bool cancelled = false;
    const auto cancel = [&] {
        cancelled = true;
        loop.quit();
    };
    // キャンセル, Esc and the close box.
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, cancel);
    QObject::connect(&progress, &QDialog::rejected, &loop, cancel);
    progress.show();
    loop.exec();
    return !cancelled && work.isFinished();
}

QStringList QtUiServices::openFileNames(QWidget* parent, const QString& filter,
                                        const QString& initialPath) {
    return QFileDialog::getOpenFileNames(parent, QString(), initialPath, filter);
}

void QtUiServices::track(QWidget* parent, const QString& title, const QFuture<void>& work,
                         const std::function<ProgressState()>& status,
                         const std::function<void()>& cancel) {
    QProgressDialog progress(QString(), QStringLiteral("中止"), 0, 1000, parent);
    progress.setObjectName(QStringLiteral("progress"));
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumWidth(420);
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    bool cancelled = false;
    const auto stop = [&] {
        if (!cancelled) {
            cancelled = true;
            progress.setLabelText(QStringLiteral("中止しています…"));
            progress.setCancelButton(nullptr);
            cancel();
        }
    };
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, stop);
    QTimer timer;
    const auto refresh = [&] {
        if (cancelled)
            return;
        const ProgressState s = status();
        progress.setLabelText(s.text);
        if (s.permille < 0) {
            progress.setMaximum(0);
        } else {
            progress.setMaximum(1000);
            progress.setValue(std::clamp(s.permille, 0, 1000));
        }
    };
    QObject::connect(&timer, &QTimer::timeout, &loop, refresh);
    watcher.setFuture(work);
    if (work.isFinished())
        return;
    refresh();
    progress.show();
    timer.start(200);
    loop.exec();
}

void InstallFontSubstitutions() {
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(QStringLiteral("MS Mincho"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QStringLiteral("MS PMincho"), QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic"));
}

QFont WindowFont() {
    return QFont(QStringLiteral("IPAPGothic"), 9);
}

}  // namespace ie
