// Drives the next modal dialog a test opens. The driver watches the application's show events: when
// a dialog is shown as a modal window, the action is queued from that event and so runs as soon as
// the dialog's own event loop (QDialog::exec) is running. Nothing polls and nothing waits for a
// fixed time. A modal dialog of another name is rejected without running the action, and one that
// the action leaves open is rejected after it, so a fault fails the test instead of hanging it.
#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

namespace ie::test {

class ModalDriver : public QObject {
public:
    ModalDriver(QString dialogName, std::function<void(QDialog*)> action);
    ~ModalDriver() override;

    // The action ran on the dialog named and closed it.
    bool ran() const { return ran_ && !leftOpen_; }
    // The object name of the first modal dialog shown (empty when none was).
    QString seen() const { return seen_; }
    // The action ran but the dialog was still open afterwards (it was rejected then).
    bool leftOpen() const { return leftOpen_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void drive(QPointer<QDialog> dialog);

    QString name_;
    std::function<void(QDialog*)> action_;
    bool triggered_ = false;
    bool ran_ = false;
    bool leftOpen_ = false;
    QString seen_;
};

}  // namespace ie::test
