#pragma once

#include "platform/Database.h"

#include <QDialog>
#include <QSize>

#include <unordered_map>
#include <vector>

class QItemSelection;
class QLabel;
class QModelIndex;
class QPushButton;
class QTableView;

namespace ie {

class BukkenListModel;
class ReportPrinter;
class UiServices;
struct ModGlobal;

// The property list: every saved property in a grid, from which rows are deleted, printed,
// compared or one is read back into the main window (読込, a double-click or Enter). A click on a
// column title sorts by it. The window can be resized and its size is remembered in the settings
// file. The user connection must be open while it is shown.
class FrmData : public QDialog {
    Q_OBJECT
public:
    FrmData(ModGlobal& g, UiServices& ui, QWidget* parent = nullptr);
    ~FrmData() override;

    // Icon, list, BukkenRead false. Returns false when the list cannot be read (message shown);
    // the window is then not to be shown.
    bool Form_Load();
    // Reads the saved properties afresh, counts them into UsrRecCount, shows the count and the
    // grid. Returns false after a failure (message shown).
    bool ShowBukkenList();

    static QString CountText(qint32 n);
    // The size the window opens at: the one remembered in the settings file, or the designed one.
    static QSize RememberedSize(const QString& iniFilePath);

    // The IDs of the selected rows, in the order they were selected.
    std::vector<qint32> selectedIds() const;
    int selectedCount() const { return selectedCount_; }
    ModGlobal& globals() { return g_; }
    UiServices& ui() { return ui_; }
    // The printer the batch print uses: the program's Qt printer unless one is set (tests).
    void setReportPrinter(ReportPrinter& printer) { printer_ = &printer; }
    // Enables CmdDel, CmdRead, CmdPrint and CmdSouba when at least one row is selected.
    void setRowButtonsEnabled(bool enabled);

public Q_SLOTS:
    void CmdDel_Click();
    void CmdRead_Click();
    void CmdPrint_Click();   // FrmDataPrint.cpp
    void CmdHikaku_Click();  // FrmDataPrint.cpp
    void CmdSouba_Click();   // FrmDataPrint.cpp
    void CmdOK_Click();
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* Label1 = nullptr;
    QLabel* LblRecCnt = nullptr;
    QTableView* DataGrid1 = nullptr;
    QPushButton* CmdDel = nullptr;
    QPushButton* CmdRead = nullptr;
    QPushButton* CmdPrint = nullptr;
    QPushButton* CmdHikaku = nullptr;
    QPushButton* CmdSouba = nullptr;
    QPushButton* CmdOK = nullptr;

private:
    void DataGrid1_SelChange(const QItemSelection& selected, const QItemSelection& deselected);
    void applyColumnSettings();
    void resetSelectionOrder();
    // Reads the property into the record and closes, as 読込 does; false when it could not be read
    // (message shown).
    bool readProperty(qint32 id);
    void DataGrid1_DblClick(const QModelIndex& index);
    void layOut();

    ModGlobal& g_;
    UiServices& ui_;
    BukkenListModel* model_ = nullptr;
    // The stamp of each selected property's selection, by ID (later = larger): the order in which
    // rows were selected survives sorting.
    std::unordered_map<qint32, quint64> selStamp_;
    quint64 nextStamp_ = 1;
    int selectedCount_ = 0;
    ReportPrinter* printer_ = nullptr;
    QSize openedSize_;
};

}  // namespace ie
