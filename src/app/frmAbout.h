#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;

namespace ie {

class UiServices;

// The version dialog: the program's title and version, and a button that starts the system's
// system-information program where one is installed.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    // How the system-information program is found and started; tests replace both.
    struct SysInfoTools {
        // The full path of the system-information program, or empty when none is installed.
        std::function<QString()> find;
        // Starts the program detached in a normal window; false when it could not be started.
        std::function<bool(const QString& path)> start;
    };
    // On Linux the first installed of hardinfo and kinfocenter; on Windows msinfo32 as the
    // registry names it.
    static SysInfoTools SystemTools();

    // icon is the main window's ImgIcon picture.
    frmAbout(UiServices& ui, const QPixmap& icon, QWidget* parent = nullptr,
             SysInfoTools tools = {});

    // "ﾊﾞｰｼﾞｮﾝ " and major.minor.revision of this build.
    static QString VersionText();

public Q_SLOTS:
    void cmdOK_Click();
    void cmdSysInfo_Click();

private:
    QLabel* Image1 = nullptr;
    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

private:
    void Form_Load(const QPixmap& icon);
    // True when the program was started.
    bool StartSysInfo();

    UiServices& ui_;
    SysInfoTools tools_;
};

}  // namespace ie
