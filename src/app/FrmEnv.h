#pragma once

#include <QDialog>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ie {

class UiServices;
struct ModGlobal;

// The environment settings dialog: the user picks another database folder and it is written into
// the settings file (the program's own folder as "."). Nothing is moved and nothing is
// reconnected: the running program keeps its databases, and the new folder takes effect at the
// next start. Installed, the chosen folder gives the user database, and the reference database
// only when it holds one; the closing message says so.
//
// DirDb shows one drive as a tree: the parts of the current folder's path from the drive's root,
// then the current folder's subfolders. Only opening an entry (double-click or Enter) makes it the
// current folder; highlighting one does not.
class FrmEnv : public QDialog {
    Q_OBJECT
public:
    // One entry of the drive list: on Linux a mounted file system.
    struct Drive {
        QString root;  // the mount point, Qt form ("/", "/media/usb")
        QString name;  // the volume label, may be empty
    };
    using DriveLister = std::function<QList<Drive>()>;
    // The system's drives, the root file system first.
    static QList<Drive> SystemDrives();

    FrmEnv(ModGlobal& g, UiServices& ui, QWidget* parent = nullptr, DriveLister drives = {});

    // The folder the dialog works with, in native form.
    QString currentFolder() const;

public Q_SLOTS:
    void DriDb_Change(int index);
    void CmdChange_Click();
    void CmdOK_Click();

private:
    QLabel* Label1 = nullptr;
    QComboBox* DriDb = nullptr;
    QTreeWidget* DirDb = nullptr;
    QPushButton* CmdChange = nullptr;
    QPushButton* CmdOK = nullptr;
    QCheckBox* ChkNtaAge = nullptr;  // the house's age by the NTA's count (AgeCount)
    QLabel* LblNtaAge = nullptr;

private:
    void buildLayout();
    void Form_Load();
    void DirDb_Open(QTreeWidgetItem* item);
    // Shows folder (Qt form) in DirDb and makes it current. On failure DirDb stays as it was and
    // *errorText holds the system's description of the error.
    bool openFolder(const QString& folder, QString* errorText);
    // What the change means for an installed program: which files the chosen folder gives.
    QString InstalledChangeText() const;
    // Index in DriDb of the drive holding path (the longest mount point that contains it), or -1.
    int driveIndexOf(const QString& path) const;

    ModGlobal& g_;
    UiServices& ui_;
    QList<Drive> drives_;
    QString current_;                       // Qt form
    QHash<QString, QString> driveFolders_;  // the last folder opened on each drive
};

}  // namespace ie
