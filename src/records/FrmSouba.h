#pragma once

#include "platform/SaveChooser.h"
#include "report/SoubaChart.h"
#include "state/BukkenJoho.h"
#include "valuation/TradeComparison.h"

#include <QDialog>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace ie {

class ReportPrinter;
class UiServices;
struct ModGlobal;

// The figures of a comparison as the page and the window write them, the dot chart's x by axis.
enum class SoubaAxis { Size, Age };
SoubaContent SoubaContentOf(const ComparisonResult& r, const BukkenJoho& rec, SoubaAxis axis,
                            const QDate& today);
// The comparison of a property with the imported trades, for the report's page: nullopt when the
// property cannot be compared or nothing is imported (the report then has no such page).
std::optional<SoubaContent> SoubaReportContent(const ModGlobal& g, const BukkenJoho& rec,
                                               const QDate& today);

// The dot chart on the screen.
class SoubaChartView : public QWidget {
    Q_OBJECT
public:
    explicit SoubaChartView(QWidget* parent = nullptr);
    void setContent(const SoubaContent& content);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SoubaContent content_;
};

// 相場比較: the property set against imported trades of its kind: the tier used, the count, the
// quartiles, the ratios, the dot chart and the table of the trades (sortable by any column); saved
// as PNG or PDF.
class FrmSouba : public QDialog {
    Q_OBJECT
public:
    FrmSouba(ModGlobal& g, UiServices& ui, ReportPrinter& printer, const BukkenJoho& rec,
             QWidget* parent = nullptr);

    // Reads the trades and compares; false after a message (nothing to compare, nothing
    // imported, the trades database unreadable): the window is then not to be shown.
    bool Form_Load();
    const ComparisonResult& result() const { return result_; }
    const SoubaContent& content() const { return content_; }
    // The page as a picture, white background.
    QImage pageImage() const;

public Q_SLOTS:
    void CboAxis_Click(int index);
    void CmdPng_Click();
    void CmdPdf_Click();

private:
    QString chooseFile(const SaveFileKind& kind);
    void fillTable();

    QLabel* LblSummary = nullptr;
    QComboBox* CboAxis = nullptr;
    SoubaChartView* PicChart = nullptr;
    QTableWidget* GrdTrades = nullptr;
    QLabel* LblLimits = nullptr;
    QLabel* LblCredit = nullptr;
    QPushButton* CmdPng = nullptr;
    QPushButton* CmdPdf = nullptr;
    QPushButton* CmdOK = nullptr;

    ModGlobal& g_;
    UiServices& ui_;
    ReportPrinter& printer_;
    BukkenJoho rec_;
    ComparisonResult result_;
    SoubaContent content_;
};

}  // namespace ie
