#pragma once

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ie {

struct BukkenJoho;
class SysDbSession;
class UiServices;
struct ModGlobal;

// The lot-correction dialog "敷地の状況": the plot's conditions as ranks, looked up and combined
// into KakutiHoseiRitu on "戻る". Each choice shows its factor, and the combined factor follows
// the choices as they change (by the same lookups and product as "戻る"). It holds the reference
// connection from load() until it closes, whichever way it closes; only "戻る" stores anything.
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

public Q_SLOTS:
    void CmdOk_Click();

protected:
    void paintEvent(QPaintEvent* event) override;

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
};

}  // namespace ie
