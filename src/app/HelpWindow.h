#pragma once

#include <QMargins>
#include <QRect>
#include <QWidget>

class QTextBrowser;

namespace ie {

// The program's own help viewer: the help document compiled into the program, opened at its
// first page. No outside browser is needed.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    QTextBrowser* browser() const { return browser_; }
    // Back to the first page.
    void home();
    // The section of that anchor name.
    void showSection(const QString& anchor);

    // Where a window whose contents take `inner` (with the frame the system draws around it)
    // goes so that it lies whole within `available`, the screen's room without its panels: made
    // smaller where it is larger, moved in where it sticks out.
    static QRect FitInto(const QRect& inner, const QMargins& frame, const QRect& available);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTextBrowser* browser_;
};

}  // namespace ie
