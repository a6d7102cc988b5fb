#include "app/HelpWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace ie {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("いえねだん帳 ヘルプ"));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenExternalLinks(true);
    auto* back = new QPushButton(QStringLiteral("戻る(&B)"), this);
    auto* homeButton = new QPushButton(QStringLiteral("目次(&T)"), this);
    auto* closeButton = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    back->setEnabled(false);
    connect(homeButton, &QPushButton::clicked, this, &HelpWindow::home);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(homeButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_);
    resize(720, 640);
    home();
}

QRect HelpWindow::FitInto(const QRect& inner, const QMargins& frame, const QRect& available) {
    const QRect room = available.marginsRemoved(frame);
    QRect fitted(inner.topLeft(), inner.size().boundedTo(room.size()));
    if (fitted.right() > room.right())
        fitted.moveRight(room.right());
    if (fitted.bottom() > room.bottom())
        fitted.moveBottom(room.bottom());
    if (fitted.left() < room.left())
        fitted.moveLeft(room.left());
    if (fitted.top() < room.top())
        fitted.moveTop(room.top());
    return fitted;
}

void HelpWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (QScreen* s = screen()) {
        // Before the window manager has framed the window its frame is not known; a title bar
        // and borders of a usual size are allowed for.
        QMargins frame(geometry().left() - frameGeometry().left(),
                       geometry().top() - frameGeometry().top(),
                       frameGeometry().right() - geometry().right(),
                       frameGeometry().bottom() - geometry().bottom());
        if (frame.isNull())
            frame = QMargins(8, 32, 8, 8);
        const QRect fitted = FitInto(geometry(), frame, s->availableGeometry());
        if (fitted != geometry())
            setGeometry(fitted);
    }
}

void HelpWindow::home() {
    browser_->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
}

void HelpWindow::showSection(const QString& anchor) {
    QUrl url(QStringLiteral("qrc:/help/index.html"));
    url.setFragment(anchor);
    browser_->setSource(url);
}

}  // namespace ie
