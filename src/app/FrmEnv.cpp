#include "app/FrmEnv.h"

#include "common/Cp932.h"
#include "platform/FileLocations.h"
#include "platform/IniFile.h"
#include "platform/QtUiServices.h"
#include "platform/Twips.h"
#include "platform/UiServices.h"
#include "state/ModGlobal.h"
#include "valuation/HousePrice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace ie {

namespace {

constexpr int kPathRole = Qt::UserRole;

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString Clean(const QString& path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}

bool Contains(const QString& root, const QString& path) {
    if (path == root) {
        return true;
    }
    const QString prefix = root.endsWith(u'/') ? root : root + u'/';
    return path.startsWith(prefix);
}

// The names of the subfolders of folder, or false with the system's description of the error.
bool ReadSubfolders(const QString& folder, QStringList* names, QString* errorText) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(fs::path(QFile::encodeName(folder).toStdString()), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError)) {
            continue;
        }
        const QString name =
            QFile::decodeName(QByteArray::fromStdString(it->path().filename().string()));
        // Hidden folders are left out, as a file manager does by default.
        if (!name.startsWith(u'.')) {
            names->append(name);
        }
    }
    if (ec) {
        *errorText = QString::fromLocal8Bit(ec.message());
        return false;
    }
    std::sort(names->begin(), names->end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return true;
}

}  // namespace

QList<FrmEnv::Drive> FrmEnv::SystemDrives() {
    QList<Drive> out;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid()) {
            continue;
        }
        const QString root = volume.rootPath();
        const bool known =
            std::any_of(out.cbegin(), out.cend(), [&](const Drive& d) { return d.root == root; });
        if (!known) {
            out.push_back({root, volume.name()});
        }
    }
    const QString systemRoot = QDir::rootPath();
    std::stable_sort(out.begin(), out.end(), [&](const Drive& a, const Drive& b) {
        const bool aRoot = a.root == systemRoot;
        const bool bRoot = b.root == systemRoot;
        if (aRoot != bRoot) {
            return aRoot;
        }
        return a.root < b.root;
    });
    return out;
}

FrmEnv::FrmEnv(ModGlobal& g, UiServices& ui, QWidget* parent, DriveLister drives)
    : QDialog(parent), g_(g), ui_(ui) {
    drives_ = drives ? drives() : SystemDrives();
    buildLayout();
    Form_Load();
}

void FrmEnv::buildLayout() {
    setObjectName(QStringLiteral("FrmEnv"));
    setWindowTitle(QStringLiteral("環境設定"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(Tw(3420), Tw(4380));
    setFont(WindowFont());

    Label1 = new QLabel(QStringLiteral("データベースパス設定"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    PlaceTw(Label1, 240, 120, 1710, 180);

    DriDb = new QComboBox(this);
    DriDb->setObjectName(QStringLiteral("DriDb"));
    PlaceTw(DriDb, 240, 480, 2895, 300);
    for (const Drive& d : drives_) {
        QString text = Native(d.root);
        if (!d.name.isEmpty()) {
            text += QStringLiteral(" [") + d.name + u']';
        }
        DriDb->addItem(text, d.root);
    }

    DirDb = new QTreeWidget(this);
    DirDb->setObjectName(QStringLiteral("DirDb"));
    PlaceTw(DirDb, 240, 1080, 2895, 1770);
    DirDb->setHeaderHidden(true);
    DirDb->setColumnCount(1);
    DirDb->setRootIsDecorated(false);
    DirDb->setItemsExpandable(false);
    DirDb->setExpandsOnDoubleClick(false);
    DirDb->setIndentation(Tw(180));
    DirDb->setSelectionMode(QAbstractItemView::SingleSelection);

    CmdChange = new QPushButton(QStringLiteral("変更"), this);
    CmdChange->setObjectName(QStringLiteral("CmdChange"));
    CmdChange->setToolTip(QStringLiteral("データベースパスを変更します。"));
    PlaceTw(CmdChange, 240, 3120, 855, 375);

    CmdOK = new QPushButton(QStringLiteral("戻る"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setToolTip(QStringLiteral("メイン画面に戻ります。"));
    PlaceTw(CmdOK, 2280, 3120, 855, 375);

    // How the house's age is counted: off keeps the count every stored result was made with.
    ChkNtaAge = new QCheckBox(QStringLiteral("経過年数を国税庁の方法で数える"), this);
    ChkNtaAge->setObjectName(QStringLiteral("ChkNtaAge"));
    ChkNtaAge->setToolTip(QStringLiteral(
        "経過年数を国税庁の方法で数える（6か月以上は1年）。オフのときは暦年の差で数えます。"));
    PlaceTw(ChkNtaAge, 240, 3660, 2895, 255);
    LblNtaAge = new QLabel(QStringLiteral("（6か月以上は1年）"), this);
    LblNtaAge->setObjectName(QStringLiteral("LblNtaAge"));
    PlaceTw(LblNtaAge, 480, 3930, 2655, 180);
    ChkNtaAge->setChecked(ReadAgeCountSetting(g_.IniFilePath) == AgeCount::NtaHalfYear);
    connect(ChkNtaAge, &QCheckBox::toggled, this, [this](bool on) {
        QString error;
        const QString value =
            AgeCountSettingValue(on ? AgeCount::NtaHalfYear : AgeCount::CalendarYears);
        if (ModWriteOption(g_.IniFilePath, AgeCountSettingKey(), value, &error) !=
            ini::WriteResult::Ok) {
            ui_.message(this, error, MsgIcon::Exclamation);
        }
    });

    // Enter in the folder tree opens the highlighted folder; it must not press a button.
    CmdChange->setAutoDefault(false);
    CmdOK->setAutoDefault(false);

    setTabOrder(CmdOK, CmdChange);
    setTabOrder(CmdChange, DirDb);
    setTabOrder(DirDb, DriDb);
    setTabOrder(DriDb, ChkNtaAge);
    CmdOK->setFocus();

    connect(DriDb, &QComboBox::activated, this, &FrmEnv::DriDb_Change);
    connect(DirDb, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item, int) { DirDb_Open(item); });
    connect(CmdChange, &QPushButton::clicked, this, &FrmEnv::CmdChange_Click);
    connect(CmdOK, &QPushButton::clicked, this, &FrmEnv::CmdOK_Click);
}

void FrmEnv::Form_Load() {
    if (parentWidget() != nullptr) {
        setWindowIcon(parentWidget()->windowIcon());
    }

    QString error;
    bool opened = !g_.DbPath.isEmpty() && openFolder(QDir::fromNativeSeparators(g_.DbPath), &error);
    if (!opened) {
        // Without a usable database folder the tree starts at the program's folder (or, failing
        // that, at the root), and the user is told why.
        QString shown;
        for (const QString& candidate : {g_.ProgramFolder, QDir::rootPath()}) {
            QString ignored;
            if (!candidate.isEmpty() && openFolder(candidate, &ignored)) {
                shown = current_;
                break;
            }
        }
        QString text =
            g_.DbPath.isEmpty()
                ? QStringLiteral("環境設定ファイルにデータベースパスが設定されていません。")
                : QStringLiteral("データベースパス ") + Native(g_.DbPath) +
                      QStringLiteral(" を開けません。\r") + error;
        if (!shown.isEmpty()) {
            text += QStringLiteral("\r") + Native(shown) + QStringLiteral(" を表示します。");
        }
        ui_.message(parentWidget(), text, MsgIcon::Exclamation);
    }

    const int drive = driveIndexOf(current_);
    if (drive >= 0) {
        DriDb->setCurrentIndex(drive);
    }
}

QString FrmEnv::currentFolder() const {
    return Native(current_);
}

int FrmEnv::driveIndexOf(const QString& path) const {
    int best = -1;
    for (int i = 0; i < drives_.size(); ++i) {
        const QString& root = drives_[i].root;
        if (Contains(root, path) && (best < 0 || root.size() > drives_[best].root.size())) {
            best = i;
        }
    }
    return best;
}

bool FrmEnv::openFolder(const QString& folder, QString* errorText) {
    const QString path = Clean(folder);
    QStringList subfolders;
    if (!ReadSubfolders(path, &subfolders, errorText)) {
        return false;
    }

    const int drive = driveIndexOf(path);
    const QString root = drive >= 0 ? drives_[drive].root : QDir::rootPath();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    DirDb->clear();
    auto* item = new QTreeWidgetItem(DirDb, QStringList(Native(root)));
    item->setIcon(0, openIcon);
    item->setData(0, kPathRole, root);
    QString walked = root;
    const QString rest = path.mid(root.size());
    for (const QString& part : rest.split(u'/', Qt::SkipEmptyParts)) {
        walked = walked.endsWith(u'/') ? walked + part : walked + u'/' + part;
        item = new QTreeWidgetItem(item, QStringList(part));
        item->setIcon(0, openIcon);
        item->setData(0, kPathRole, walked);
    }
    QTreeWidgetItem* const currentItem = item;
    for (const QString& name : subfolders) {
        const QString child = path.endsWith(u'/') ? path + name : path + u'/' + name;
        auto* sub = new QTreeWidgetItem(currentItem, QStringList(name));
        sub->setIcon(0, closedIcon);
        sub->setData(0, kPathRole, child);
    }
    DirDb->expandAll();
    DirDb->setCurrentItem(currentItem);
    DirDb->scrollToItem(currentItem);

    current_ = path;
    driveFolders_.insert(root, path);
    return true;
}

void FrmEnv::DirDb_Open(QTreeWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    const QString path = item->data(0, kPathRole).toString();
    if (path.isEmpty() || path == current_) {
        return;
    }
    QString error;
    if (!openFolder(path, &error)) {
        ui_.message(this, error, MsgIcon::Exclamation);
    }
}

void FrmEnv::DriDb_Change(int index) {
    if (index < 0 || index >= drives_.size()) {
        return;
    }
    const QString root = drives_[index].root;
    QString error;
    if (!openFolder(driveFolders_.value(root, root), &error)) {
        // The tree stays where it was; the drive list keeps the chosen drive.
        ui_.message(this, error, MsgIcon::Exclamation);
    }
}

void FrmEnv::CmdChange_Click() {
    if (current_.isEmpty()) {
        return;
    }
    const QString folder = Native(current_);
    // The settings file is CP932: a folder name it cannot hold would be written damaged and the
    // next start would look for the databases in a folder that does not exist.
    if (!cp932::RoundTrips(folder)) {
        ui_.message(
            this,
            QStringLiteral("フォルダ ") + folder +
                QStringLiteral(" の名前には環境設定ファイルに書き込めない文字が含まれています"
                               "。\r別のフォルダを選んでください。"),
            MsgIcon::Exclamation);
        return;
    }
    if (ui_.question(this,
                     QStringLiteral("環境設定ファイルにデータベースパスの変更を書き込みますか"),
                     QStringLiteral("データベースパス変更"), Answer::Yes) != Answer::Yes) {
        return;
    }

    const QString previous = g_.DbPath;
    g_.DbPath = folder;
    QString error;
    const ini::WriteResult result =
        ModWriteIniFile(g_.IniFilePath, FolderForSettings(g_.DbPath, g_.ProgramFolder), &error);
    if (result != ini::WriteResult::Ok) {
        // Nothing was written, so nothing has changed: keep the old folder and the dialog open.
        g_.DbPath = previous;
        QString text = QStringLiteral("環境設定ファイル ") + Native(g_.IniFilePath) +
                       QStringLiteral(" にデータベースパスを書き込めませんでした。");
        if (!error.isEmpty()) {
            text += QStringLiteral("\r") + error;
        }
        ui_.message(
            this, text,
            result == ini::WriteResult::Unrepresentable ? MsgIcon::Exclamation : MsgIcon::Critical);
        return;
    }

    ui_.message(this, g_.Mode == FileMode::Installed ? InstalledChangeText() : [this] {
        return QStringLiteral("データベースパス設定を変更しました。\rお手数ですが、ねだん帳を終了させて"
                              "から ") +
               g_.DbPath +
               QStringLiteral(" に下記の２ファイルを移動させてください。\r\rMorinaxis_s.mdb\r"
                              "Morinaxis_u.mdb");
    }(), MsgIcon::Exclamation);
    accept();
}

QString FrmEnv::InstalledChangeText() const {
    // Installed, the reference data need not move: it comes with the program, and the chosen
    // folder's own copy is used only when there is one.
    const QString now = Native(QFileInfo(g_.UsrDbPath).absolutePath());
    QString text = QStringLiteral("データベースパス設定を変更しました。\r次の起動から、") +
                   g_.DbPath +
                   QStringLiteral(
                       " にある Morinaxis_u.mdb（保存した物件）を使います。参考値の "
                       "Morinaxis_s.mdb は、そのフォルダにあればそれを、なければ"
                       "プログラムと一緒にインストールされたものを使います。");
    if (Clean(now) != Clean(QDir::fromNativeSeparators(g_.DbPath))) {
        text += QStringLiteral("\r\rこれまでの物件を引き続き使うには、ねだん帳を終了させてから ") +
                now +
                QStringLiteral(" にある Morinaxis_u.mdb をこのフォルダに移動させてください。");
    }
    return text;
}

void FrmEnv::CmdOK_Click() {
    reject();
}

}  // namespace ie
