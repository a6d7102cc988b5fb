#include "app/FrmMain.h"

#include "platform/UiServices.h"
#include "records/FrmData.h"
#include "records/FrmHikaku.h"
#include "records/PropertySave.h"
#include "report/ReportPrinter.h"
#include "state/ModGlobal.h"

#include <QLineEdit>
#include <QPushButton>

namespace ie {

void FrmMain::CmdSave_Click() {
    saveProperty(true);
}

void FrmMain::mnuSave_Click() {
    // Ctrl+S does what the button does, and only while it can be pressed.
    if (CmdSave->isEnabled())
        saveProperty(true);
}

bool FrmMain::saveProperty(bool confirm) {
    // On Cancelled and on a failure nothing may change: the worksheet still holds the property.
    if ((landStale_ || houseStale_) &&
        ui_.question(this,
                     QStringLiteral("入力が変わった後に計算していません。このまま保存しますか。"),
                     AppTitle(), Answer::No) != Answer::Yes) {
        return false;
    }
    qint32 id = 0;
    try {
        if (SaveBukken(g_, ui_, this, confirm, &id) != SaveOutcome::Saved)
            return false;
    } catch (const AppError& e) {
        ui_.showError(this, e);
        return false;
    }
    ClearForm();
    startNextProperty();
    unsaved_ = false;
    // The table holds at least the row just written.
    setListMenusEnabled(true);
    // The worksheet starts over at once, so the user is told that the property is kept.
    ui_.note(this, QStringLiteral("物件データを保存しました。（物件ID %1）").arg(id));
    return true;
}

void FrmMain::mnuSearch_Click() {
    UsrDbSession session(g_, ui_, this);
    if (!session.ok()) {
        ui_.showError(this, session.failure());
        return;
    }
    BukkenJoho& b = g_.Bukken;
    {
        FrmData list(g_, ui_, this);
        if (list.Form_Load()) {
            list.exec();
        }
    }

    if (b.BukkenRead) {
        CmdSave->setEnabled(!g_.UsrDbReadOnly);
        b.NewBukken = false;
        CmdSave->setText(QStringLiteral("既存物件更新"));
        // DispForm writes only the values that are not 0; the fields are emptied first so that
        // none of the previous property's figures stays beside the loaded ones.
        for (QLineEdit* t : {TxtRosenka, TxtTotiMenseki, TxtTotiKakaku, TxtKaokuTuboTanka,
                             TxtKaokuTateTubo, TxtKaokuKakaku, TxtGokeiKakaku}) {
            t->clear();
        }
        TxtKakuti->setText(QStringLiteral("100.00"));
        TxtJiten->setText(QStringLiteral("0"));
        datesFromLoad_ = true;
        unsaved_ = false;
    }
    DispForm();
    if (b.BukkenRead) {
        // The stored results stand for the stored inputs.
        takeLandBasis();
        takeHouseBasis();
    }
    session.close();

    if (b.UsrRecCount == 0) {
        // The property on the worksheet (and in the record) is kept, unsaved: it can only be saved
        // as a new one now.
        setListMenusEnabled(false);
        b.NewBukken = true;
        CmdSave->setText(QStringLiteral("新規物件保存"));
    }
}

// Every saved property in the comparison; the worksheet is left as it is.
void FrmMain::mnuHikaku_Click() {
    UsrDbSession session(g_, ui_, this);
    if (!session.ok()) {
        ui_.showError(this, session.failure());
        return;
    }
    FrmHikaku view(g_, ui_, DefaultReportPrinter(), std::nullopt, this);
    if (view.Form_Load()) {
        view.exec();
    }
}

}  // namespace ie
