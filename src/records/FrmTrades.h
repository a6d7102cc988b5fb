#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace ie {

class AppError;
class UiServices;
struct ModGlobal;

// 取引事例の取込…: chooses CSV or ZIP files of the open price data and imports them into the
// trades database, with a progress window and its 中止 button; ends with what was added,
// replaced and skipped. A damaged trades database is offered to be made again. Returns whether
// anything was written.
bool RunTradeImport(ModGlobal& g, UiServices& ui, QWidget* parent);

// The question after a failure to read the trades database: a damaged one is removed, when the
// user agrees, and the import is started again from nothing. False when nothing was done.
bool OfferTradesRebuild(ModGlobal& g, UiServices& ui, QWidget* parent, const AppError& e);

// The credit every view of these data carries.
QString TradeSourceCredit();

// 取り込んだ取引事例: what is imported, by prefecture (periods, quarters, trades), with a button
// to remove a prefecture.
class FrmTrades : public QDialog {
    Q_OBJECT
public:
    FrmTrades(ModGlobal& g, UiServices& ui, QWidget* parent = nullptr);
    // Reads the summary; false after a failure (message shown, rebuild offered).
    bool Form_Load();

public Q_SLOTS:
    void CmdImport_Click();
    void CmdDel_Click();

private:
    bool refresh();

    QLabel* LblSummary = nullptr;
    QTableWidget* GrdTrades = nullptr;
    QPushButton* CmdImport = nullptr;
    QPushButton* CmdDel = nullptr;
    QPushButton* CmdOK = nullptr;
    QLabel* LblCredit = nullptr;

    ModGlobal& g_;
    UiServices& ui_;
};

}  // namespace ie
