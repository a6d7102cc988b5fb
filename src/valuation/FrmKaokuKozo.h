#pragma once

#include <QDialog>

#include <memory>

class QLabel;
class QListWidget;
class QPushButton;

namespace ie {

class SysDbSession;
class UiServices;
struct ModGlobal;

// The house-structure reference dialog "家屋坪単価参考値取得": each entry shows a structure with
// its price per tsubo and useful life; each choice looks up that price into KaokuTuboTanka and
// stores the structure in KaokuKozoCD at once. Below the list it names where the figures come from.
// It holds the reference connection from load() until it closes, whichever way it closes.
class FrmKaokuKozo : public QDialog {
    Q_OBJECT
public:
    FrmKaokuKozo(ModGlobal& g, UiServices& ui, QWidget* parent = nullptr);
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

private:
    void closeConnection();

    ModGlobal& g_;
    UiServices& ui_;
    std::unique_ptr<SysDbSession> session_;
    double priceAtLoad_ = 0;
    qint32 structureAtLoad_ = 0;
    bool failed_ = false;
};

}  // namespace ie
