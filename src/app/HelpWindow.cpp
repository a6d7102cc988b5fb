#include "app/HelpWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
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

void HelpWindow::home() {
    browser_->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
}

void HelpWindow::showSection(const QString& anchor) {
    QUrl url(QStringLiteral("qrc:/help/index.html"));
    url.setFragment(anchor);
    browser_->setSource(url);
}

}  // namespace ie
