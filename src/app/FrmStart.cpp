#include "app/FrmStart.h"

#include "platform/Twips.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QThread>

namespace ie {

FrmStart::FrmStart(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FrmStart"));
    setFixedSize(Tw(5085), Tw(5070));
    if (QScreen* s = QApplication::primaryScreen()) {
        move(s->geometry().center() - rect().center());
    }
}

void FrmStart::showNow() {
    show();
    raise();
    repaint();
    // One pass so that the window system maps and paints the window before the wait.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void FrmStart::closeAfterWait() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() <= 2000) {
        QThread::msleep(50);
    }
    close();
}

void FrmStart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(rect(), QPixmap(QStringLiteral(":/splash.png")));
}

}  // namespace ie
