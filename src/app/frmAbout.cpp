#include "app/frmAbout.h"

#include "platform/QtUiServices.h"
#include "platform/Twips.h"
#include "platform/UiServices.h"

#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>

namespace ie {

namespace {

QLabel* Picture(QWidget* parent, const QString& name, int left, int top, int width, int height) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setScaledContents(true);
    PlaceTw(label, left, top, width, height);
    return label;
}

QString FindSysInfoProgram() {
#ifdef Q_OS_WIN
    // Where Windows registers its system-information tool: the program's own path, or else the
    // folder that should hold MSINFO32.EXE.
    const QSettings msinfo(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
        QSettings::NativeFormat);
    const QString path = msinfo.value(QStringLiteral("PATH")).toString();
    if (!path.isEmpty()) {
        return path;
    }
    const QSettings location(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location"),
        QSettings::NativeFormat);
    const QString folder = location.value(QStringLiteral("MSINFO")).toString();
    if (!folder.isEmpty()) {
        const QString exe = folder + QStringLiteral("\\MSINFO32.EXE");
        if (QFileInfo::exists(exe)) {
            return exe;
        }
    }
    return {};
#else
    for (const QString& name : {QStringLiteral("hardinfo"), QStringLiteral("kinfocenter")}) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) {
            return path;
        }
    }
    return {};
#endif
}

}  // namespace

frmAbout::SysInfoTools frmAbout::SystemTools() {
    return {FindSysInfoProgram,
            [](const QString& path) { return QProcess::startDetached(path, QStringList()); }};
}

QString frmAbout::VersionText() {
    return QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + QString::number(IE_VERSION_MAJOR) + u'.' +
           QString::number(IE_VERSION_MINOR) + u'.' + QString::number(IE_VERSION_PATCH);
}

frmAbout::frmAbout(UiServices& ui, const QPixmap& icon, QWidget* parent, SysInfoTools tools)
    : QDialog(parent), ui_(ui), tools_(tools.find ? std::move(tools) : SystemTools()) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(Tw(5730), Tw(3195));
    setFont(WindowFont());

    Image1 = Picture(this, QStringLiteral("Image1"), 120, 120, 675, 675);
    Image1->setPixmap(QPixmap(QStringLiteral(":/about.png")));
    picIcon = Picture(this, QStringLiteral("picIcon"), 240, 1080, 540, 540);

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    PlaceTw(lblTitle, 1050, 240, 3885, 480);
    QFont titleFont = lblTitle->font();
    titleFont.setPointSize(16);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    PlaceTw(lblVersion, 1050, 780, 3885, 225);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    PlaceTw(cmdOK, 4245, 2145, 1380, 345);
    cmdOK->setDefault(true);

    cmdSysInfo = new QPushButton(QStringLiteral("ｼｽﾃﾑ情報(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    PlaceTw(cmdSysInfo, 4260, 2595, 1380, 345);
    cmdSysInfo->setAutoDefault(false);

    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    Form_Load(icon);
}

void frmAbout::Form_Load(const QPixmap& icon) {
    if (parentWidget() != nullptr) {
        setWindowIcon(parentWidget()->windowIcon());
    }
    setWindowTitle(AppTitle() + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    lblVersion->setText(VersionText());
    lblTitle->setText(AppTitle());
    picIcon->setPixmap(icon);
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::cmdSysInfo_Click() {
    if (!StartSysInfo()) {
        ui_.message(this, QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません"), MsgIcon::None);
    }
}

bool frmAbout::StartSysInfo() {
    const QString path = tools_.find ? tools_.find() : QString();
    if (path.isEmpty() || !tools_.start) {
        return false;
    }
    return tools_.start(path);
}

}  // namespace ie
