#pragma once

#include <QDialog>

class QComboBox;
class QSpinBox;
class QPushButton;

namespace ie {

class UiServices;
struct ModGlobal;

// 所在地: where the worksheet's property is, as the trades name it. The prefecture is picked from
// those imported (all 47 when nothing is), the city from the imported trades' cities, the
// district and the station from those of the city's trades or typed; the minutes' walk typed.
class FrmShozai : public QDialog {
    Q_OBJECT
public:
    FrmShozai(ModGlobal& g, UiServices& ui, QWidget* parent = nullptr);
    // Fills the lists and shows the property's values; false after a message.
    bool Form_Load();

public Q_SLOTS:
    void CboKen_Click(int index);
    void CboCity_Click(int index);
    void CmdOK_Click();

private:
    QComboBox* CboKen = nullptr;
    QComboBox* CboCity = nullptr;
    QComboBox* CboChiku = nullptr;
    QComboBox* CboEki = nullptr;
    QSpinBox* TxtToho = nullptr;
    QPushButton* CmdOK = nullptr;
    QPushButton* CmdCancel = nullptr;

    ModGlobal& g_;
    UiServices& ui_;
    bool haveTrades_ = false;
};

}  // namespace ie
