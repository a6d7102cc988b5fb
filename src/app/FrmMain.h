#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QPixmap>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace ie {

class DateInput;
class HelpWindow;
class InstanceServer;
class ScratchClaim;
class SingleInstance;
class UiServices;
struct ModGlobal;

// The main window: start-up, the valuation worksheet, the menus, and the exits. The start-up
// without the window's own parts (files, mode, databases) is StartSession in state/Session.h.
// Handlers are grouped by file: FrmMain.cpp (start-up, layout, menus, exits, help),
// FrmMainWorksheet.cpp (fields, clearing, calculations), FrmMainReference.cpp (the three
// reference dialogs), FrmMainRecords.cpp (save, list, comparison), FrmMainMemo.cpp (memo, CSV
// export, whose command is CsvExportCommand.cpp), FrmMainReport.cpp (preview), FrmMainOptions.cpp
// (settings, version).
class FrmMain : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        bool showSplash = true;
        // The local socket a second start knocks at; empty for the one in the user's run-time
        // folder.
        QString instanceServerName;
    };

    FrmMain(ModGlobal& g, UiServices& ui, Options options, QWidget* parent = nullptr);
    ~FrmMain() override;

    // What start-up does before the window exists: the run's lock, the second-start socket, the
    // sweep of stale scratch files, and the check of the files and databases begun on another
    // thread. Null when the program must end (no run-time folder, another copy running); the
    // message has then been shown.
    struct EarlyStart;
    struct EarlyStartDeleter {
        void operator()(EarlyStart* early) const;
    };
    using EarlyStartPtr = std::unique_ptr<EarlyStart, EarlyStartDeleter>;
    static EarlyStartPtr beginStartUp(ModGlobal& g, UiServices& ui, const Options& options);

    // Runs the start-up sequence, taking over what beginStartUp began when given. Returns false
    // when the program must end (second instance, a database file missing or unopenable); the
    // messages have then been shown.
    bool startUp(EarlyStartPtr early = nullptr);

    ModGlobal& globals() { return g_; }
    UiServices& ui() { return ui_; }
    // The picture of ImgIcon, which the version dialog shows.
    QPixmap iconPicture() const;
    // How often a second start has asked this window to come to the front.
    int raiseRequests() const { return raiseRequests_; }
    // The window icon: the program's icon in every size it is drawn in.
    static QIcon AppIcon();

    // The worksheet as start-up leaves it.
    void InitForm();

    // Worksheet (FrmMainWorksheet.cpp).
    void ClearForm();
    void DispForm();
    // LblKaokuKozo shows the record's structure (KaokuKozoCD).
    void ShowKaokuKozo();
    // LblLandWarning shows the road-access warnings of the record.
    void ShowLandWarning();
    // For a property of the official way: its lot factor worked again for the worksheet's 路線価
    // and 敷地面積 (and on the 倍率 path 路線価 written again). A reference table that cannot be
    // read is said and the factor stays.
    void RefreshOfficialFactor();
    // The house result's notes (HouseNotes) under it, short, whole in the tooltip.
    void ShowHouseNotes();
    // Enables the list and export menu entries by the saved-property count.
    void setListMenusEnabled(bool enabled);

    // A calculation has run since the last save or load, or the memo was changed: leaving or
    // clearing asks first.
    bool hasUnsavedWork() const { return unsaved_; }
    // A result shown on the worksheet whose inputs have changed since it was calculated (or
    // loaded).
    bool landResultStale() const { return landStale_; }
    bool houseResultStale() const { return houseStale_; }

public Q_SLOTS:
    void CmdEnd_Click();
    void mnuEnd_Click();
    void mnuIndex_Click();

    void CmdCalcLandPrise_Click();
    void CmdKaokuKeisan_Click();
    void CmdClear_Click();
    void CmdFeaMod_Click();
    void CmdTimeMod_Click();
    void CmdKaokuKozo_Click();

    void CmdSave_Click();
    void mnuSave_Click();
    void CmdMemo_Click();
    void mnuSearch_Click();
    void mnuHikaku_Click();
    // FrmMainTrades.cpp: the imported trades and the comparison with them.
    void mnuTradeImport_Click();
    void mnuTradeList_Click();
    void mnuShozai_Click();
    void mnuSouba_Click();
    void mnuExport_Click();

    void mnuPrint_Click();

    void mnuEnv_Click();
    void mnuVersion_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void buildMenus();
    void paintBackground();
    void setupWorksheet();  // FrmMainWorksheet.cpp: field behaviour, Enter key, validation
    // FrmMainWorksheet.cpp: the valuation date and road-price year back to their start-up values.
    void resetDates();
    // FrmMainWorksheet.cpp: after a save or クリア, the record and the house's inputs as at
    // start-up, the working dates kept.
    void startNextProperty();
    // FrmMainWorksheet.cpp: the inputs each result is calculated from, as values (a number
    // however it is written), so that a result is stale exactly when they differ from the ones it
    // was calculated with.
    QStringList landInputs() const;
    QStringList houseInputs() const;
    // The results just calculated or loaded are current for the inputs now shown.
    void takeLandBasis();
    void takeHouseBasis();
    // Greys a stale result, shows the note beside it, and tells the record (for the report).
    void updateStale();
    // Asks whether a road price that looks copied in thousands is meant ×1,000 (FrmMainWorksheet).
    void CheckRosenkaUnit();
    void releaseDatabaseObjects();
    // A second start asked for this window: shown, restored and brought forward.
    void bringToFront();
    // The help at the section of a dialog of this window (F1 there).
    void showHelpFor(QWidget* dialog);
    // FrmMainRecords.cpp: saves the worksheet's property (asking first when confirm) and starts a
    // new one; true when the row is written.
    bool saveProperty(bool confirm);
    // Asks what to do with unsaved work before it would be lost: true when the caller may go on
    // (saved, or the user chose to discard), false when the user stays where they were.
    bool settleUnsavedWork();

private:
    // Controls, named as the window's design names them; objectName is the same, by which tests
    // find them.
    QLabel* Label7 = nullptr;
    QLabel* LblStreetPrise = nullptr;
    QLineEdit* TxtRosenka = nullptr;
    QLabel* LblStreetPrizeUnit = nullptr;
    QLabel* Label15 = nullptr;
    DateInput* imDateRosen = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* LblLandArea = nullptr;
    QLineEdit* TxtTotiMenseki = nullptr;
    QLabel* LblLandAreaUnit = nullptr;
    QLabel* LblFeaMod = nullptr;
    QLineEdit* TxtKakuti = nullptr;
    QLabel* Label14 = nullptr;
    QPushButton* CmdFeaMod = nullptr;
    QLabel* LblTimeMod = nullptr;
    QLineEdit* TxtJiten = nullptr;
    QLabel* Label13 = nullptr;
    QPushButton* CmdTimeMod = nullptr;
    QPushButton* CmdCalcLandPrise = nullptr;
    QLabel* LblLandResult = nullptr;
    QLabel* LblLandWarning = nullptr;
    QLineEdit* TxtTotiKakaku = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* LblLandStale = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* TxtKaokuTuboTanka = nullptr;
    QLabel* Label11 = nullptr;
    QPushButton* CmdKaokuKozo = nullptr;
    QLabel* LblKaokuKozo = nullptr;
    QLabel* LblKaokuNotes =
        nullptr;  // the house result's notes (HouseNotes), short; whole in the tooltip
    QLabel* Label8 = nullptr;
    QLineEdit* TxtKaokuTateTubo = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* LblKentikuNen = nullptr;
    DateInput* imDateKaoku = nullptr;
    QPushButton* CmdKaokuKeisan = nullptr;
    QLabel* Label12 = nullptr;
    QLineEdit* TxtKaokuKakaku = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* LblHouseStale = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* LblJiten = nullptr;
    DateInput* imDateHyoka = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* TxtGokeiKakaku = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* CmdMemo = nullptr;
    QPushButton* CmdClear = nullptr;
    QPushButton* CmdSave = nullptr;
    QPushButton* CmdEnd = nullptr;
    QLabel* ImgIcon = nullptr;
    QLabel* ImgBack = nullptr;
    QFrame* Line[6] = {};

    QMenu* mnuFile = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuPrint = nullptr;
    QAction* mnuExport = nullptr;
    QAction* mnuSep1 = nullptr;
    QAction* mnuEnd = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuSearch = nullptr;
    QAction* mnuHikaku = nullptr;
    QMenu* mnuTrade = nullptr;
    QAction* mnuTradeImport = nullptr;
    QAction* mnuTradeList = nullptr;
    QAction* mnuShozai = nullptr;
    QAction* mnuSouba = nullptr;
    QMenu* mnuOption = nullptr;
    QAction* mnuEnv = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuIndex = nullptr;
    QAction* mnuSep2 = nullptr;
    QAction* mnuVersion = nullptr;

private:
    ModGlobal& g_;
    UiServices& ui_;
    Options options_;
    QWidget* client_ = nullptr;
    static bool takeRunLock(UiServices& ui, QWidget* parent, const Options& options,
                            EarlyStart& out);

    std::unique_ptr<SingleInstance> instance_;
    InstanceServer* instanceServer_ = nullptr;
    int raiseRequests_ = 0;
    std::unique_ptr<ScratchClaim> scratch_;  // this run's claim on its scratch file
    HelpWindow* help_ = nullptr;
    // The two dates on the worksheet are a loaded property's, to be reset by the next save or
    // クリア so that the next property does not inherit them.
    bool datesFromLoad_ = false;
    // Each notice that a structure is valued as wood is shown once a run.
    QSet<QString> woodNoticesShown_;
    // The road price the user chose to keep when asked about its unit: not asked about again.
    std::optional<double> rosenkaKept_;
    bool unsaved_ = false;
    // The inputs the shown results were calculated (or saved) with; none while no result shows.
    std::optional<QStringList> landBasis_;
    std::optional<QStringList> houseBasis_;
    bool landStale_ = false;
    bool houseStale_ = false;
};

}  // namespace ie
