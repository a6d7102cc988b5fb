#pragma once

#include "valuation/OfficialLot.h"

#include <QDialog>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabBar;

namespace ie {

struct BukkenJoho;
class SysDbSession;
class UiServices;
struct ModGlobal;

// The lot-correction dialog "敷地の状況", in two ways. かんたん入力: the plot's conditions as
// ranks, looked up and combined into KakutiHoseiRitu on "戻る"; each choice shows its factor, and
// the combined factor follows the choices as they change (by the same lookups and product as
// "戻る"). 財産評価基本通達で計算: the plot's dimensions and roads worked through the 付表
// (OfficialLot), every factor and per-㎡ line shown as the inputs change. The way shown on "戻る"
// is the way stored. It holds the reference connection from load() until it closes, whichever way
// it closes; only "戻る" stores anything.
class FrmKakuti : public QDialog {
    Q_OBJECT
public:
    FrmKakuti(ModGlobal& g, UiServices& ui, QWidget* parent = nullptr);
    ~FrmKakuti() override;

    // Opens the reference connection, fills the lists and shows the record's choices. Returns false
    // (message shown, nothing open) when the reference database could not be opened or read; the
    // dialog must then not be shown.
    bool load();
    // True when a reference read failed while the dialog was open: it closed with nothing stored.
    bool failed() const { return failed_; }
    // The worksheet's 路線価 and 敷地面積 as typed (the official way works with them); without a
    // call, the record's.
    void setWorksheet(const QString& rosenkaText, const QString& areaText);
    // After "戻る" on the 倍率 path: the per-㎡ value that belongs in 路線価.
    std::optional<qint64> rosenkaToShow() const { return rosenkaToShow_; }

public Q_SLOTS:
    void CmdOk_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    // Closing by any way (戻る, the close box, Esc) ends here: the connection is closed.
    void done(int result) override;

private:
    void TxtSonota_Validate();
    void closeConnection();
    // The ranks chosen in the controls, on a copy of the record.
    BukkenJoho chosenRanks() const;
    void showFactors();
    void showCombined();
    void paintQuickFrames();
    // The official way.
    void buildOfficialPage();
    void showOfficial();
    void switchWay(int index);
    void copySharedChoices(bool toOfficial);
    void officialOk();
    // The official inputs on a copy of the record; *error names the first field refused (strict:
    // as "戻る" reads them) or is left empty.
    BukkenJoho officialInputs(QString* error) const;

private:
    QTabBar* TabWay = nullptr;
    QStackedWidget* StackWay = nullptr;
    QWidget* PageQuick = nullptr;
    QWidget* PageOfficial = nullptr;
    // The official way's inputs and what it shows.
    QComboBox* CboDistrict = nullptr;
    QLabel* LblOffRosenka = nullptr;
    QLineEdit* TxtFrontage = nullptr;
    QLineEdit* TxtDepth = nullptr;
    QLineEdit* TxtSide1Price = nullptr;
    QLineEdit* TxtSide1Depth = nullptr;
    QComboBox* CboSide1Kind = nullptr;
    QLineEdit* TxtSide1Contact = nullptr;
    QLineEdit* TxtSide2Price = nullptr;
    QLineEdit* TxtSide2Depth = nullptr;
    QComboBox* CboSide2Kind = nullptr;
    QLineEdit* TxtSide2Contact = nullptr;
    QLineEdit* TxtRearPrice = nullptr;
    QLineEdit* TxtRearDepth = nullptr;
    QLineEdit* TxtRearContact = nullptr;
    QLineEdit* TxtAssumedArea = nullptr;
    QCheckBox* ChkMetro = nullptr;
    QCheckBox* ChkScaleExcluded = nullptr;
    QLineEdit* TxtCliffShare = nullptr;
    QComboBox* CboCliffFacing = nullptr;
    QLineEdit* TxtDangerShare = nullptr;
    QLineEdit* TxtSetback = nullptr;
    QCheckBox* ChkOffMudoro = nullptr;
    QCheckBox* ChkOffKoatu = nullptr;
    QCheckBox* ChkOffMinami = nullptr;
    QLineEdit* TxtOffSonota = nullptr;
    QCheckBox* ChkMultiplier = nullptr;
    QLineEdit* TxtAssessed = nullptr;
    QLineEdit* TxtMultiplier = nullptr;
    QPlainTextEdit* TxtOfficialSteps = nullptr;
    QLabel* LblOfficialWarning = nullptr;
    QLabel* LblOfficialGokei = nullptr;

private:
    QLabel* Label1 = nullptr;
    QCheckBox* ChkSoku1 = nullptr;
    QCheckBox* ChkSoku2 = nullptr;
    QCheckBox* ChkUra = nullptr;
    QCheckBox* ChkMudoro = nullptr;
    QCheckBox* ChkMaguti = nullptr;
    QCheckBox* ChkMinami = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label6 = nullptr;
    QListWidget* LstOkuyuki = nullptr;
    QLabel* Label7 = nullptr;
    QListWidget* LstFuseikei = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QListWidget* LstGake = nullptr;
    QLabel* Label5 = nullptr;
    QCheckBox* ChkKoatu = nullptr;
    QLabel* Label9 = nullptr;
    QLineEdit* TxtSonota = nullptr;
    QLabel* Label8 = nullptr;
    QPushButton* CmdOk = nullptr;
    // The factor of each check box when ticked, what その他 does, the combined factor and the
    // sources of the tables.
    QLabel* LblSoku1Hosei = nullptr;
    QLabel* LblSoku2Hosei = nullptr;
    QLabel* LblUraHosei = nullptr;
    QLabel* LblMudoroHosei = nullptr;
    QLabel* LblMagutiHosei = nullptr;
    QLabel* LblMinamiHosei = nullptr;
    QLabel* LblKoatuHosei = nullptr;
    QLabel* LblSonotaHosei = nullptr;
    QLabel* LblGokei = nullptr;
    QLabel* LblSource = nullptr;

private:
    ModGlobal& g_;
    UiServices& ui_;
    std::unique_ptr<SysDbSession> session_;
    bool failed_ = false;
    bool loading_ = false;  // no combined factor while load() sets the controls one by one
    QString rosenkaText_;
    QString areaText_;
    bool worksheetGiven_ = false;
    std::optional<official::Tables> tables_;  // nullopt: the official way's tables cannot be read
    QString tablesError_;                     // the reference-read message when they cannot
    std::optional<qint64> rosenkaToShow_;
};

}  // namespace ie
