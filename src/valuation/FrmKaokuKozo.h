#pragma once

#include "valuation/HousePrice.h"

#include <QDate>
#include <QDialog>

#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace ie {

class SysDbSession;
class UiServices;
struct ModGlobal;

// The house on the worksheet, for showing what each structure would make of it.
struct WorksheetHouse {
    std::optional<double> tubo;  // 延床面積 in tsubo, when given
    QDate built;
    QDate valued;
    AgeCount count = AgeCount::CalendarYears;
};

// The house-structure reference dialog "家屋坪単価参考値取得": each entry shows a structure with
// its price per tsubo and useful life and, for the house on the worksheet, its remaining rate and
// value at the house's age; a few lines say how to tell the structures apart. Two sources of the
// price are offered, each with its figure: the national 建築価額表 and the prefecture's
// 工事費用表 (the prefecture of the property's 所在地, or one chosen here, which is stored there).
// Each choice looks up the price into KaokuTuboTanka, stores the structure in KaokuKozoCD and the
// source in KaokuTankaShutten at once. Below the list it names where the figures come from. It
// holds the reference connection from load() until it closes, whichever way it closes.
class FrmKaokuKozo : public QDialog {
    Q_OBJECT
public:
    FrmKaokuKozo(ModGlobal& g, UiServices& ui, QWidget* parent = nullptr);
    void setHouse(const WorksheetHouse& house) { house_ = house; }
    ~FrmKaokuKozo() override;

    // Opens the reference connection and fills the list. Returns false (message shown, nothing
    // open) when the reference database could not be opened or read.
    bool load();
    // True when a lookup failed: the dialog closed and KaokuTuboTanka and KaokuKozoCD are back to
    // their values at load.
    bool failed() const { return failed_; }

    // Closing by any way (戻る, the close box, Esc) ends here: the connection is closed.
    void done(int result) override;

public Q_SLOTS:
    void LstKaokuKozo_Click();
    void CmdOK_Click();

private:
    QLabel* Label1 = nullptr;
    QListWidget* LstKaokuKozo = nullptr;
    QPushButton* CmdOK = nullptr;
    QLabel* LblSource = nullptr;  // the data's source and year, from データ出典
    QLabel* LblGuide = nullptr;   // how to tell the structures apart
    QRadioButton* OptNational = nullptr;
    QRadioButton* OptPrefecture = nullptr;
    QComboBox* CboPrefecture = nullptr;

private:
    void closeConnection();
    // The two sources' figures for the selected structure (or the record's), and the choice
    // applied again when a structure is selected.
    void showSources();
    void applyChoice();
    std::optional<qint64> prefecturePrice(qint32 code);
    qint32 selectedCode() const;

    ModGlobal& g_;
    UiServices& ui_;
    std::unique_ptr<SysDbSession> session_;
    double priceAtLoad_ = 0;
    qint32 structureAtLoad_ = 0;
    QString sourceAtLoad_;
    QString prefectureAtLoad_;
    WorksheetHouse house_;
    bool filling_ = false;
    bool failed_ = false;
};

}  // namespace ie
