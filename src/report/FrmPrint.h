#pragma once

#include "report/ReportPrinter.h"

#include <QDialog>
#include <QImage>

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

// The print preview "印刷プレビュー": the current property's report at full page size, drawn once
// while the window loads onto a persistent image that the scroll bars move under the viewport.
// "印刷" prints it as one page, "PDF保存" writes it to a PDF file, "戻る" closes.
class FrmPrint : public QDialog {
    Q_OBJECT
public:
    FrmPrint(const BukkenJoho& rec, UiServices& ui, ReportPrinter& printer,
             QWidget* parent = nullptr);

    // The page image the preview shows.
    const QImage& pageImage() const { return image_; }
    // The page the preview was laid out on.
    const ReportPage& page() const { return page_; }

public Q_SLOTS:
    void CmdPrint_Click();
    void CmdOK_Click();
    void CmdPdf_Click();
    void HScroll1_Change(int value);
    void VScroll1_Change(int value);

public:
    QWidget* PicFrame = nullptr;
    QLabel* PicDraw = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QPushButton* CmdPrint = nullptr;
    QPushButton* CmdOK = nullptr;
    QPushButton* CmdPdf = nullptr;

private:
    void Form_Load();
    ReportPageDraw pageDraw(int mode) const;

    const BukkenJoho& rec_;
    UiServices& ui_;
    ReportPrinter& printer_;
    ReportPage page_;
    QImage image_;
};

}  // namespace ie
