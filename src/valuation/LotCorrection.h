#pragma once

#include <QString>
#include <QtGlobal>

namespace ie {

struct BukkenJoho;
struct ModGlobal;

// The lot-correction factor: the ten looked-up factors, the free "other" adjustment and their
// product, as functions over the property record so that they run without the dialog.

// The ten rank tables in the order their factors are looked up and stored.
inline const QString kGakeTable = QStringLiteral("崖地補正率");
inline const QString kKoatuTable = QStringLiteral("高圧線下補正率");
inline const QString kMudoroTable = QStringLiteral("無道路地補正率");
inline const QString kSokumen1Table = QStringLiteral("側１路線補正率");
inline const QString kSokumen2Table = QStringLiteral("側２路線補正率");
inline const QString kUramenTable = QStringLiteral("背面路線補正率");
inline const QString kMinamiTable = QStringLiteral("南道路補正率");
inline const QString kMaguchiTable = QStringLiteral("間口狭小補正率");
inline const QString kFuseikeiTable = QStringLiteral("不整形補正率");
inline const QString kOkuyukiTable = QStringLiteral("奥行長大補正率");

// "No road access" cannot go together with any road touching the plot (side, rear, narrow
// frontage, south). The high-voltage line has nothing to do with roads.
bool RoadChoiceConflicts(bool soku1, bool soku2, bool ura, bool maguti, bool minami, bool mudoro);

// Looks up the factor of each of the record's ten ranks (GakeRank ... OkuyukiRank) into its factor
// field, in the order of the tables above. SysDbCon must be open. A failed read throws AppError;
// *table (when given) then names the table that was being read.
void LookUpLotFactors(ModGlobal& g, BukkenJoho& rec, QString* table = nullptr);

// The other adjustment as read from its text box.
struct SonotaAdjustment {
    qint32 rank = 0;          // whole percent, -100 to 100; 0 for none
    double hosei = 1.0;       // (rank + 100) / 100
    bool emptyText = false;   // the text was not a number: the box is emptied
    bool outOfRange = false;  // a number outside -100..100: no adjustment, the text stays
};
// A number is rounded to a whole percent, halves to the even neighbour (2.5 -> 2). Outside
// -100..100 there is no adjustment and the text stays as typed; a text that is not a number (the
// empty text included) means no adjustment and is emptied.
SonotaAdjustment SonotaFromText(const QString& text);

// Depth and frontage act together and compete with irregular shape: the smaller of
// okuyuki * maguchi and fuseikei, the product on a tie.
double KeijoFactor(double okuyuki, double maguchi, double fuseikei);

// Sets KeijoHosei and KakutiHoseiRitu from the record's factor fields. The nine factors are
// multiplied in a fixed order with no rounding in between, so that the result is reproducible.
void CombineLotFactors(BukkenJoho& rec);

// The steps after the lookups: SonotaRank and SonotaHosei from the text, then the combination.
// Returns true when the text box is to be emptied.
bool FinishLotCorrection(BukkenJoho& rec, const QString& sonotaText);

// The whole lot correction of the record's ranks and the その他 text: the lookups, then
// FinishLotCorrection. The dialog stores it on "戻る" and shows it while the choices change, so
// what is shown is what is stored. Throws as LookUpLotFactors; returns as FinishLotCorrection.
bool ApplyLotChoices(ModGlobal& g, BukkenJoho& rec, const QString& sonotaText,
                     QString* table = nullptr);

}  // namespace ie
