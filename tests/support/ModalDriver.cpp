#include "support/ModalDriver.h"

#include <QApplication>
#include <QEvent>
#include <QMetaObject>

namespace ie::test {

ModalDriver::ModalDriver(QString dialogName, std::function<void(QDialog*)> action)
    : name_(std::move(dialogName)), action_(std::move(action)) {
    QApplication::instance()->installEventFilter(this);
}

ModalDriver::~ModalDriver() {
    if (QCoreApplication* app = QApplication::instance())
        app->removeEventFilter(this);
}

bool ModalDriver::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && !triggered_) {
        auto* dialog = qobject_cast<QDialog*>(watched);
        // QDialog::exec() makes the dialog modal before it shows it, and then starts its event
        // loop: a call queued now runs inside that loop.
        if (dialog && dialog->isWindow() && dialog->isModal()) {
            triggered_ = true;
            seen_ = dialog->objectName();
            QMetaObject::invokeMethod(
                this, [this, dialog = QPointer<QDialog>(dialog)] { drive(dialog); },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

void ModalDriver::drive(QPointer<QDialog> dialog) {
    if (!dialog)
        return;
    if (seen_ != name_) {
        dialog->reject();
        return;
    }
    action_(dialog);
    ran_ = true;
    if (dialog && dialog->isVisible()) {
        leftOpen_ = true;
        dialog->reject();
    }
}

}  // namespace ie::test
