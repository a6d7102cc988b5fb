#pragma once

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

private:
    QTextBrowser* browser_;
};

}  // namespace ie
