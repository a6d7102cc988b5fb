#pragma once

#include "platform/SaveChooser.h"
#include "records/HikakuData.h"
#include "report/HikakuChart.h"

#include <QDialog>
#include <QWidget>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace ie {

class ReportPrinter;
class UiServices;
struct ModGlobal;

// The chart of the comparison on the screen: the one-page layout at the widget's width, with the
// land and house figures behind a bar, or a whole address, shown on hover.
class HikakuChartView : public QWidget {
    Q_OBJECT
public:
    explicit HikakuChartView(QWidget* parent = nullptr);
    void setContent(const HikakuContent& content);
    const HikakuPage& page() const { return page_; }
    // The tip at a point of the widget (pixels), empty when none.
    QString tipAt(QPoint pos) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void layOut();

    HikakuContent content_;
    HikakuPage page_;
    int laidOutWidth_ = -1;
};

// 物件比較: the asking and estimated totals of some saved properties side by side, one row per
// property, ordered by ratio, difference or address; saved as PNG or PDF, or printed. The user
// connection must be open while it is built (the figures are read once, the photo never).
class FrmHikaku : public QDialog {
    Q_OBJECT
public:
    // ids: the properties to compare, nullopt for every saved one.
    FrmHikaku(ModGlobal& g, UiServices& ui, ReportPrinter& printer,
              const std::optional<std::vector<qint32>>& ids, QWidget* parent = nullptr);

    // Reads the figures; false after a failure (message shown): the window is then not to be shown.
    bool Form_Load();

    const HikakuContent& content() const { return content_; }
    // The chart as printed and as a PDF: A4 landscape pages.
    std::vector<HikakuPage> printPages() const;
    // The chart as a picture (the screen layout at A4 landscape width), white background.
    QImage chartImage() const;

public Q_SLOTS:
    void CboOrder_Click(int index);
    void CmdPng_Click();
    void CmdPdf_Click();
    void CmdPrint_Click();
    void CmdOK_Click();

private:
    QLabel* LblOrder = nullptr;
    QComboBox* CboOrder = nullptr;
    QScrollArea* ScrChart = nullptr;
    HikakuChartView* PicChart = nullptr;
    QPushButton* CmdPng = nullptr;
    QPushButton* CmdPdf = nullptr;
    QPushButton* CmdPrint = nullptr;
    QPushButton* CmdOK = nullptr;

private:
    // A file name chosen for saving, with its suffix, after the overwrite question; empty when the
    // user gave up.
    QString chooseFile(const SaveFileKind& kind);

    ModGlobal& g_;
    UiServices& ui_;
    ReportPrinter& printer_;
    std::optional<std::vector<qint32>> ids_;
    std::vector<HikakuEntry> entries_;
    HikakuContent content_;
};

}  // namespace ie
