#pragma once

#include "common/Currency.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <optional>

class QByteArray;
class QFrame;
class QImage;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ie {

class UiServices;
struct ModGlobal;

// The property memo: address, company, person, telephone, the three asking prices, a remark and
// the site photo. The texts reach the record only through 戻る; a photo read or deleted reaches the
// program-wide photo state at once.
class FrmMemo : public QDialog {
    Q_OBJECT
public:
    FrmMemo(ModGlobal& g, UiServices& ui, QWidget* parent = nullptr);
    ~FrmMemo() override;

    // True while a picture is shown in the photo area.
    bool hasPicture() const;

public Q_SLOTS:
    void CmdOK_Click();
    void CmdPicRead_Click();
    void CmdPicDelete_Click();
    // Esc and the close box: asks first when a box was changed.
    void reject() override;

private:
    QLabel* Label9 = nullptr;
    QLabel* Image1 = nullptr;
    QFrame* Shape1 = nullptr;  // the drawn frame round the photo
    QLabel* LblImage = nullptr;
    QPushButton* CmdPicRead = nullptr;
    QPushButton* CmdPicDelete = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* TxtJusho = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Txtkaisha = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* TxtTanto = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* TxtDenwa = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* TxtTotiKakaku = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* TxtKaokuKakaku = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* TxtGokeiKakaku = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* TxtBiko = nullptr;
    QPushButton* CmdOK = nullptr;

private:
    void buildLayout();
    void Form_Load();
    // The picture of these bytes at the photo area's size, decoded on another thread while the
    // window waits: null when they are no picture, nullopt when the user cancelled the wait.
    std::optional<QImage> decodeForArea(const QByteArray& bytes) const;
    // The picked file's bytes, read once, when it is a regular file within the size limit;
    // otherwise nullopt, the reason shown.
    std::optional<QByteArray> readPickedFile(const QString& file);
    // Keeps the chooser's folder in the settings file for the next time.
    // Shows the picture, or the empty area with LblImage for a null image.
    void showPicture(const QImage& image);
    void showPrice(QLineEdit* box, Currency value);
    void setPriceText(QLineEdit* box, const QString& text);
    void PriceBox_Validate(QLineEdit* box);
    // The eight boxes' texts, in tab order.
    QStringList boxTexts() const;
    bool pricesChanged() const;

    ModGlobal& g_;
    UiServices& ui_;
    QStringList loaded_;  // the boxes as the dialog opened
};

}  // namespace ie
