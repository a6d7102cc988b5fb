// The worksheet of the main window: field behaviour, date guards, the two calculations, reset and
// display of a property. The rules themselves live in valuation/ and common/.
#include "app/FrmMain.h"

#include "common/AppError.h"
#include "common/AreaRule.h"
#include "common/Formats.h"
#include "common/NumberRule.h"
#include "platform/DateInput.h"
#include "platform/FieldGuard.h"
#include "platform/TypingLimit.h"
#include "platform/UiServices.h"
#include "state/ModGlobal.h"
#include "state/RoadAccess.h"
#include "valuation/DateGuards.h"
#include "valuation/HousePrice.h"
#include "valuation/LandPrice.h"
#include "valuation/OfficialLotRecord.h"
#include "valuation/RosenkaUnit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ie {

namespace {

// Number fields: a text that is no number is emptied, silently ...
void NumberField_Validate(QLineEdit* field) {
    if (!IsNumeric(field->text()))
        field->clear();
}

// ... and a number is shown whole, with separators (1234.5 -> 1,235).
void NumberField_LostFocus(QLineEdit* field) {
    if (const auto v = ParseNumber(field->text()))
        field->setText(FormatWhole(*v));
}

// Area fields keep two decimals; the rule reads the text (延床面積 also in ㎡).
using AreaParser = std::optional<double> (*)(const QString&);

void AreaField_Validate(QLineEdit* field, AreaParser parse) {
    if (!parse(field->text()))
        field->clear();
}

void AreaField_LostFocus(QLineEdit* field, AreaParser parse) {
    if (const auto v = parse(field->text()))
        field->setText(FormatArea(*v));
}

void TxtJiten_Validate(FrmMain& w, QLineEdit* field) {
    const ChangeRateCheck check = CheckChangeRate(field->text());
    if (check.text != field->text())
        field->setText(check.text);
    if (!check.message.isEmpty())
        w.ui().message(&w, check.message, MsgIcon::Exclamation);
}

// Shows the guard's message and puts its date back into the field.
void ApplyDateCheck(FrmMain& w, DateInput* field, const DateCheck& check) {
    if (!check.message.isEmpty())
        w.ui().message(&w, check.message, MsgIcon::Exclamation);
    if (check.reset)
        field->setValue(*check.reset);
}

void imDateRosen_Validate(FrmMain& w, DateInput* field) {
    BukkenJoho& b = w.globals().Bukken;
    const DateCheck check = CheckRosenkaNendo(field->value(), b.RosenkaNendo, w.ui().today());
    ApplyDateCheck(w, field, check);
    b.RosenkaNendo = *check.reset;
}

void imDateKaoku_Validate(FrmMain& w, DateInput* field) {
    ApplyDateCheck(w, field,
                   CheckKaokuDate(field->value(), w.globals().Bukken.KaokuDate, w.ui().today()));
}

void imDateKaoku_LostFocus(FrmMain& w, DateInput* field) {
    if (const auto v = field->value())
        w.globals().Bukken.KaokuDate = *v;
}

void imDateHyoka_Validate(FrmMain& w, DateInput* field) {
    const BukkenJoho& b = w.globals().Bukken;
    ApplyDateCheck(w, field,
                   CheckHyokaDate(field->value(), b.HyokaDate, b.RosenkaNendo, b.KaokuDate));
}

void imDateHyoka_LostFocus(FrmMain& w, DateInput* field) {
    if (const auto v = field->value())
        w.globals().Bukken.HyokaDate = *v;
}

}  // namespace

void FrmMain::setupWorksheet() {
    // What the user may type; the formatted texts the program writes may be longer
    // (999999999999 shows as 999,999,999,999) and must never be cut.
    TypingLimit::attach(TxtRosenka, 12);
    TypingLimit::attach(TxtTotiMenseki, 7);
    TypingLimit::attach(TxtJiten, 3);
    TypingLimit::attach(TxtKaokuTuboTanka, 12);
    TypingLimit::attach(TxtKaokuTateTubo, 9);  // room for "1234.56m2"

    FieldGuard::attach(
        TxtRosenka, [this] { NumberField_Validate(TxtRosenka); },
        [this] {
            CheckRosenkaUnit();
            NumberField_LostFocus(TxtRosenka);
            RefreshOfficialFactor();
        });
    FieldGuard::attach(
        TxtKaokuTuboTanka, [this] { NumberField_Validate(TxtKaokuTuboTanka); },
        [this] { NumberField_LostFocus(TxtKaokuTuboTanka); });
    FieldGuard::attach(
        TxtTotiMenseki, [this] { AreaField_Validate(TxtTotiMenseki, ParseSiteArea); },
        [this] {
            AreaField_LostFocus(TxtTotiMenseki, ParseSiteArea);
            RefreshOfficialFactor();
        });
    FieldGuard::attach(
        TxtKaokuTateTubo, [this] { AreaField_Validate(TxtKaokuTateTubo, ParseFloorArea); },
        [this] { AreaField_LostFocus(TxtKaokuTateTubo, ParseFloorArea); });
    FieldGuard::attach(TxtJiten, [this] { TxtJiten_Validate(*this, TxtJiten); });
    FieldGuard::attach(imDateRosen, [this] { imDateRosen_Validate(*this, imDateRosen); });
    FieldGuard::attach(
        imDateKaoku, [this] { imDateKaoku_Validate(*this, imDateKaoku); },
        [this] { imDateKaoku_LostFocus(*this, imDateKaoku); });
    FieldGuard::attach(
        imDateHyoka, [this] { imDateHyoka_Validate(*this, imDateHyoka); },
        [this] { imDateHyoka_LostFocus(*this, imDateHyoka); });

    for (QLineEdit* t : {TxtRosenka, TxtTotiMenseki, TxtKakuti, TxtJiten, TxtTotiKakaku,
                         TxtKaokuTuboTanka, TxtKaokuTateTubo, TxtKaokuKakaku}) {
        EnterMovesFocus(t);
    }
    // A price the user types is no longer the reference figure the dialog gave.
    connect(TxtKaokuTuboTanka, &QLineEdit::textEdited, this,
            [this] { g_.Bukken.KaokuTankaShutten = HandTypedCostSource(); });
    // The date fields move on with Enter too, so that Enter leads from the floor area through the
    // construction date to the house calculation button.
    for (DateInput* d : {imDateRosen, imDateKaoku, imDateHyoka}) {
        EnterMovesFocus(d);
    }

    // Any change of an input, typed, stepped, picked or set by a dialog, is weighed against the
    // inputs of the results shown.
    const QLineEdit* inputs[] = {TxtRosenka,  TxtTotiMenseki,    TxtKakuti,
                                 TxtJiten,    TxtKaokuTuboTanka, TxtKaokuTateTubo,
                                 imDateRosen, imDateKaoku,       imDateHyoka};
    for (const QLineEdit* input : inputs)
        connect(input, &QLineEdit::textChanged, this, &FrmMain::updateStale);
    // The same two digits in another era are another year.
    connect(imDateRosen, &DateInput::eraChanged, this, &FrmMain::updateStale);

    // The era label beside the road-price year follows the year shown (令和 from 2019).
    connect(imDateRosen, &DateInput::eraChanged, Label15, [this](const QString& era) {
        Label15->setText(era);
        Label15->adjustSize();
    });
    if (!imDateRosen->era().isEmpty())
        Label15->setText(imDateRosen->era());
}

namespace {

QString NumberKey(const QLineEdit* field) {
    const std::optional<double> v = ParseNumber(field->text());
    return v ? QString::number(*v, 'g', 17) : field->text().trimmed();
}

QString AreaKey(const QLineEdit* field, AreaParser parse) {
    const std::optional<double> v = parse(field->text());
    return v ? QString::number(*v, 'g', 17) : field->text().trimmed();
}

QString DateKey(const DateInput* field) {
    const std::optional<QDate> d = field->value();
    return d ? d->toString(Qt::ISODate) : field->text().trimmed();
}

// A result that is not current is greyed.
void ShowCurrent(QLineEdit* field, bool current) {
    QPalette p = field->parentWidget()->palette();
    if (!current)
        p.setColor(QPalette::Text, p.color(QPalette::Disabled, QPalette::Text));
    field->setPalette(p);
}

}  // namespace

QStringList FrmMain::landInputs() const {
    return {NumberKey(TxtRosenka), AreaKey(TxtTotiMenseki, ParseSiteArea),
            NumberKey(TxtKakuti),  NumberKey(TxtJiten),
            DateKey(imDateRosen),  DateKey(imDateHyoka)};
}

QStringList FrmMain::houseInputs() const {
    return {NumberKey(TxtKaokuTuboTanka), AreaKey(TxtKaokuTateTubo, ParseFloorArea),
            DateKey(imDateKaoku), DateKey(imDateHyoka), QString::number(g_.Bukken.KaokuKozoCD)};
}

void FrmMain::takeLandBasis() {
    landBasis_ = landInputs();
    updateStale();
}

void FrmMain::takeHouseBasis() {
    houseBasis_ = houseInputs();
    updateStale();
}

void FrmMain::updateStale() {
    landStale_ = landBasis_ && !TxtTotiKakaku->text().isEmpty() && landInputs() != *landBasis_;
    houseStale_ = houseBasis_ && !TxtKaokuKakaku->text().isEmpty() && houseInputs() != *houseBasis_;
    ShowCurrent(TxtTotiKakaku, !landStale_);
    ShowCurrent(TxtKaokuKakaku, !houseStale_);
    ShowCurrent(TxtGokeiKakaku, !landStale_ && !houseStale_);
    LblLandStale->setVisible(landStale_);
    LblHouseStale->setVisible(houseStale_);
    g_.Bukken.TotiKakakuStale = landStale_;
    g_.Bukken.KaokuKakakuStale = houseStale_;
}

void FrmMain::resetDates() {
    BukkenJoho& b = g_.Bukken;
    const QDate today = ui_.today();
    // Road prices of a year are published around July: until late June the previous year's apply.
    b.RosenkaNendo = QDate(today.addDays(-180).year(), 1, 1);
    b.HyokaDate = today;
    imDateRosen->setValue(b.RosenkaNendo);
    imDateHyoka->setValue(today);
    datesFromLoad_ = false;
}

void FrmMain::CheckRosenkaUnit() {
    const std::optional<double> offer = RosenkaInThousands(TxtRosenka->text(), rosenkaKept_);
    if (!offer)
        return;
    if (ui_.question(this, RosenkaUnitQuestionText(), AppTitle(), Answer::Yes) == Answer::Yes) {
        TxtRosenka->setText(FormatWhole(*offer));
        return;
    }
    // Kept as it is shown, so that leaving the field or calculating does not ask again.
    NumberField_LostFocus(TxtRosenka);
    rosenkaKept_ = ParseNumber(TxtRosenka->text());
}

void FrmMain::ClearForm() {
    BukkenJoho& b = g_.Bukken;
    rosenkaKept_.reset();
    TxtKakuti->setText(QStringLiteral("100.00"));
    TxtJiten->setText(QStringLiteral("0"));
    TxtRosenka->clear();
    TxtTotiMenseki->clear();
    TxtTotiKakaku->clear();
    b.KakutiHoseiRitu = 1.0;
    b.KeijoHosei = 1.0;
    TxtKaokuTuboTanka->clear();
    TxtKaokuTateTubo->clear();
    TxtKaokuKakaku->clear();
    TxtGokeiKakaku->clear();
    CmdSave->setEnabled(false);
    b.NewBukken = true;
    CmdSave->setText(QStringLiteral("新規物件保存"));
    landBasis_.reset();
    houseBasis_.reset();
    updateStale();
}

void FrmMain::CmdClear_Click() {
    if (!settleUnsavedWork())
        return;
    unsaved_ = false;
    BukkenJoho& b = g_.Bukken;
    b.Jusho.clear();
    b.Kaisha.clear();
    b.Tanto.clear();
    b.Denwa.clear();
    b.Biko.clear();
    b.TotiHanbaiKakaku = Currency();
    b.KaokuHanbaiKakaku = Currency();
    b.GokeiHanbaiKakaku = Currency();
    ClearForm();
    startNextProperty();
}

void FrmMain::startNextProperty() {
    BukkenJoho& b = g_.Bukken;
    // The house (its build date and structure) belongs to the property left behind; the two
    // working dates stay as the user set them, unless a load set them.
    ModClearGlobal(b);
    b.KaokuKozoCD = 0;
    b.KaokuDate = ui_.today();
    imDateKaoku->setValue(b.KaokuDate);
    if (datesFromLoad_)
        resetDates();
    ShowKaokuKozo();
    ShowLandWarning();
}

void FrmMain::ShowKaokuKozo() {
    const QString name = HouseStructureCaption(g_, g_.Bukken.KaokuKozoCD);
    g_.Bukken.KaokuKozoMei = name;  // the report names it as the worksheet does
    // The type is small and the room fixed: a name that does not fit ends in "…", whole in the
    // tooltip.
    LblKaokuKozo->setText(
        LblKaokuKozo->fontMetrics().elidedText(name, Qt::ElideRight, LblKaokuKozo->width()));
    LblKaokuKozo->setToolTip(name);
    updateStale();  // the structure is an input of the house's result
    ShowHouseNotes();
}

void FrmMain::ShowHouseNotes() {
    const BukkenJoho& b = g_.Bukken;
    // Only beside a house result: an empty worksheet has nothing to warn about.
    const QStringList notes =
        HouseNotes(!TxtKaokuKakaku->text().isEmpty(), b.KaokuKozoCD, b.KeikaNensu, b.KaokuTuboTanka,
                   b.KaokuTateTubo, b.KaokuDate);
    QStringList shortly;
    if (notes.contains(RemainingRateCaveatText()))
        shortly << QStringLiteral("残価率は税法の計算です");
    if (notes.contains(OldEarthquakeStandardText()))
        shortly << QStringLiteral("旧耐震基準の可能性があります");
    const QString text =
        shortly.isEmpty() ? QString() : QStringLiteral("⚠ ") + shortly.join(QStringLiteral("／"));
    LblKaokuNotes->setText(
        LblKaokuNotes->fontMetrics().elidedText(text, Qt::ElideRight, LblKaokuNotes->width()));
    LblKaokuNotes->setToolTip(notes.join(QLatin1Char('\n')));
}

void FrmMain::ShowLandWarning() {
    const QString text = RoadAccessWarnings(g_.Bukken).join(QLatin1Char('\n'));
    LblLandWarning->setText(text);
    LblLandWarning->setToolTip(text);
}

void FrmMain::DispForm() {
    BukkenJoho& b = g_.Bukken;
    // A value of 0 leaves its field as it is.
    if (!b.Rosenka.isZero())
        TxtRosenka->setText(FormatWhole(b.Rosenka));
    if (b.TotiMenseki != 0)
        TxtTotiMenseki->setText(FormatArea(b.TotiMenseki));
    if (b.ChikaHendoRitu != 0)
        TxtJiten->setText(PlainNumber(b.ChikaHendoRitu * 100));
    if (b.KakutiHoseiRitu != 0)
        TxtKakuti->setText(FormatGrouped2(b.KakutiHoseiRitu * 100));
    if (!b.TotiKakaku.isZero())
        TxtTotiKakaku->setText(FormatWhole(b.TotiKakaku));
    if (b.KaokuTuboTanka != 0)
        TxtKaokuTuboTanka->setText(FormatWhole(b.KaokuTuboTanka));
    if (b.KaokuTateTubo != 0)
        TxtKaokuTateTubo->setText(FormatArea(b.KaokuTateTubo));
    if (!b.KaokuKakaku.isZero())
        TxtKaokuKakaku->setText(FormatWhole(b.KaokuKakaku));
    try {
        b.GokeiKakaku = b.TotiKakaku + b.KaokuKakaku;
        if (!b.GokeiKakaku.isZero())
            TxtGokeiKakaku->setText(FormatWhole(b.GokeiKakaku));
    } catch (const AppError&) {
        // Values no calculation could have left (a row edited outside the program): the total
        // is not shown rather than shown wrong.
    }
    if (b.KaokuDate.isValid())
        imDateKaoku->setValue(b.KaokuDate);
    // The dates the figures were calculated for, so that a recalculation gives them again.
    if (b.HyokaDate.isValid())
        imDateHyoka->setValue(b.HyokaDate);
    if (b.RosenkaNendo.isValid())
        imDateRosen->setValue(b.RosenkaNendo);
    ShowKaokuKozo();
    ShowLandWarning();
}

void FrmMain::CmdCalcLandPrise_Click() {
    CheckRosenkaUnit();
    RefreshOfficialFactor();
    // A failed calculation changes neither the record nor 保存: what a save writes stays what the
    // worksheet last showed as a result.
    const CalcOutcome out =
        CalcLandPrice(g_.Bukken, {TxtRosenka->text(), TxtTotiMenseki->text(), TxtJiten->text()});
    if (!out.done()) {
        if (!out.message.isEmpty())
            ui_.message(this, out.message, out.icon);
        return;
    }
    TxtTotiKakaku->setText(FormatWhole(g_.Bukken.TotiKakaku));
    TxtGokeiKakaku->setText(FormatWhole(g_.Bukken.GokeiKakaku));
    CmdSave->setEnabled(!g_.UsrDbReadOnly);
    unsaved_ = true;
    takeLandBasis();
}

void FrmMain::CmdKaokuKeisan_Click() {
    const auto lookup = [this](qint32 structureCode, qint32 age) -> std::optional<double> {
        // A failed open abandons the calculation with the connection's own message; a table
        // that cannot be read is reported by the calculation, which names the table.
        SysDbSession session(g_, ui_, this);
        if (!session.ok()) {
            ui_.showError(this, session.failure());
            return std::nullopt;
        }
        const std::optional<HouseRate> rate = LookUpHouseRate(g_, structureCode, age);
        if (!rate->woodNotice.isEmpty() && !woodNoticesShown_.contains(rate->woodNotice)) {
            woodNoticesShown_.insert(rate->woodNotice);
            ui_.message(this, rate->woodNotice, MsgIcon::Information);
        }
        return rate->rate;
    };
    const CalcOutcome out =
        CalcHousePrice(g_.Bukken, {TxtKaokuTuboTanka->text(), TxtKaokuTateTubo->text()}, lookup,
                       ReadAgeCountSetting(g_.IniFilePath));
    if (!out.done()) {
        if (!out.message.isEmpty())
            ui_.message(this, out.message, out.icon);
        return;
    }
    TxtKaokuKakaku->setText(FormatWhole(g_.Bukken.KaokuKakaku));
    TxtGokeiKakaku->setText(FormatWhole(g_.Bukken.GokeiKakaku));
    ShowHouseNotes();
    CmdSave->setEnabled(!g_.UsrDbReadOnly);
    unsaved_ = true;
    takeHouseBasis();
}

}  // namespace ie
