#pragma once

#include "platform/Database.h"
#include "records/PrintBatch.h"

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
namespace db {
class Connection;
}
struct ModGlobal;
struct BukkenJoho;

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

// The list's print button without the list: prints each of ids as its own one-page job after the
// question "選択物件n件を印刷しますか。" (caption "物件情報印刷", No the default); a row that
// cannot be read or printed stops the batch with a message naming it, the rest staying unprinted.
// While it runs, window is disabled and the pointer is busy. Returns false when the user answered
// No (nothing done), true when the batch ran: the caller then rebuilds the list.
bool PrintSelectedBukken(QWidget* window, UiServices& ui, ReportPrinter& printer,
                         db::Connection& con, const std::vector<qint32>& ids,
                         const BukkenJoho& current, const BreakdownMaker& makeBreakdown = {},
                         const StructureNamer& names = {});

}  // namespace ie
