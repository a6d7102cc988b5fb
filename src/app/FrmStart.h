#pragma once

#include <QWidget>

namespace ie {

// The splash window: one picture, shown for a little over two seconds at start-up.
class FrmStart : public QWidget {
    Q_OBJECT
public:
    explicit FrmStart(QWidget* parent = nullptr);

    // Shows the window and paints it at once.
    void showNow();
    // Waits, without handling other events, until more than two seconds have passed since the
    // close began, then closes the window.
    void closeAfterWait();

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace ie
