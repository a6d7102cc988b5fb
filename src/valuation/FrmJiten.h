#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace ie {

class UiServices;
struct ModGlobal;

// The land-price-change reference dialog "地価変動率参考値取得": the prefectures of 土地時点修正率
// in table order, each with its rate, and the source of the figures; "戻る" stores the chosen
// prefecture's yearly rate in ChikaHendoRitu. The reference connection is open only while the
// list is filled and while "戻る" reads the rate.
class FrmJiten : public QDialog {
    Q_OBJECT
public:
    FrmJiten(ModGlobal& g, UiServices& ui, QWidget* parent = nullptr);

    // Fills the list. Returns false (message shown, nothing open) when the reference database
    // could not be opened or read; the dialog must then not be shown.
    bool load();
    // True when the rate could not be read on "戻る": the dialog closed with nothing stored.
    bool failed() const { return failed_; }

public Q_SLOTS:
    void CmdOK_Click();

private:
    QLabel* LblPref = nullptr;
    QLabel* Label1 = nullptr;
    QListWidget* LstPref = nullptr;
    QPushButton* CmdOK = nullptr;
    QLabel* LblSource = nullptr;  // empty when データ出典 has no row for the table

private:
    ModGlobal& g_;
    UiServices& ui_;
    bool failed_ = false;
};

}  // namespace ie
