#pragma once

#include "platform/IniFile.h"
#include "platform/SaveChooser.h"
#include "report/Breakdown.h"
#include "report/ReportPrinter.h"
#include "report/SoubaChart.h"

#include <QDialog>
#include <QImage>

#include <optional>
#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace ie {

struct BukkenJoho;
class UiServices;

// A scroll bar's range over a surface larger than its viewport, in twips: maximum = surface -
// viewport, large step = maximum / 10, small step = large step / 10, each rounded to a 16-bit whole
// number (ties to even); never below 0.
struct PreviewScrollSteps {
    int maximum = 0;
    int largeStep = 0;
    int smallStep = 0;
};
PreviewScrollSteps ScrollStepsFor(double surfaceTwips, double viewportTwips);

// The print preview "印刷プレビュー": the current property's report, drawn once at full page size
// while the window loads onto a persistent image that the scroll bars move under the viewport.
// The image is shown at a zoom: the whole page (as it opens), the page's width, 100 % or a step
// of Ctrl+wheel; the window can be resized, the viewport growing with it. "印刷" prints it,
// "PDF保存" writes it to a PDF file, "戻る" closes. Given a breakdown, the check box
// "計算の内訳を付ける" adds it as the second page (on by default, the choice kept in the settings
// file when one is named) and the page button turns between the two pages.
class FrmPrint : public QDialog {
    Q_OBJECT
public:
    FrmPrint(const BukkenJoho& rec, UiServices& ui, ReportPrinter& printer,
             QWidget* parent = nullptr);
    FrmPrint(const BukkenJoho& rec, std::optional<BreakdownContent> breakdown,
             const QString& iniFilePath, UiServices& ui, ReportPrinter& printer,
             QWidget* parent = nullptr);

    // PDF保存 refuses the files check names (the program's own databases and settings).
    void refuseOwnFiles(OwnFileCheck check) { ownFile_ = std::move(check); }
    // The page image the preview shows.
    const QImage& pageImage() const { return images_[shown_]; }
    // Offers the page 相場比較 after the others, with its check box "相場比較を付ける" (on unless
    // the settings file says otherwise).
    void addSoubaPage(const SoubaContent& souba);
    // 0 for the report, 1 for the breakdown, 2 for 相場比較.
    int shownPage() const { return shown_; }
    // The page the preview was laid out on.
    const ReportPage& page() const { return page_; }

    // The zoom choices of CboZoom, in its order; Custom is a Ctrl+wheel step.
    enum class Zoom { FitPage, FitWidth, Actual, Custom };
    // The factor the page image is shown at (1 is 100 %).
    double zoomFactor() const { return zoom_; }
    // Zooms in (steps > 0) or out by steps of Ctrl+wheel.
    void zoomBy(int steps);

public Q_SLOTS:
    void CmdPrint_Click();
    void CmdOK_Click();
    void CmdPdf_Click();
    void HScroll1_Change(int value);
    void VScroll1_Change(int value);
    void ChkUtiwake_Click(bool checked);
    void ChkSouba_Click(bool checked);
    void CmdPage_Click();
    void CboZoom_Click(int index);

private:
    // A page's check box changed: the preview leaves the page when it is dropped, and the choice
    // is remembered in the settings file by remember (a failed write is said, not fatal).
    using PageChoiceWriter = ini::WriteResult (*)(const QString&, bool, QString*);
    void pageChoiceChanged(int page, bool checked, PageChoiceWriter remember);
    QWidget* PicFrame = nullptr;
    QLabel* PicDraw = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QPushButton* CmdPrint = nullptr;
    QPushButton* CmdOK = nullptr;
    QPushButton* CmdPdf = nullptr;
    QCheckBox* ChkUtiwake = nullptr;
    QCheckBox* ChkSouba = nullptr;
    QPushButton* CmdPage = nullptr;
    QLabel* LblZoom = nullptr;
    QComboBox* CboZoom = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void showPage(int page);
    // Lays the controls out for the window's size: the viewport takes what the window gains.
    void layoutControls();
    // Sets the zoom (recomputed for the fitting choices), the surface's size and the scroll bars.
    void applyZoom();
    // Puts the surface under the viewport by the scroll bars, centred when it is smaller.
    void placeSurface();
    // The breakdown when it is to be printed, else nullptr.
    const BreakdownContent* chosenBreakdown() const;
    const SoubaContent* chosenSouba() const;
    // The pages that are to be printed, in order (0 always).
    std::vector<int> chosenPages() const;

    const BukkenJoho& rec_;
    std::optional<BreakdownContent> breakdown_;
    QString iniFilePath_;
    OwnFileCheck ownFile_;
    UiServices& ui_;
    ReportPrinter& printer_;
    ReportPage page_;
    std::optional<SoubaContent> souba_;
    QImage images_[3];
    int shown_ = 0;
    Zoom zoomMode_ = Zoom::FitPage;
    double zoom_ = 1.0;
};

}  // namespace ie
