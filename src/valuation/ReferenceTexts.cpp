#include "valuation/ReferenceTexts.h"

#include "common/Formats.h"
#include "valuation/LotCorrection.h"

#include <algorithm>

namespace ie {

namespace {

const QChar kFullWidthSpace(0x3000);

struct SourceGroup {
    QString document;  // "国税庁「財産評価基本通達」"; empty for a source that names none
    QStringList parts;  // the rest of each source, or the tables of a source without a document
    QString whole;      // the full source text, for a source without a document
};

}  // namespace

QString SignedPercentText(double rate) {
    const QString digits = FormatFixed1(rate * 100);
    if (digits.isEmpty())
        return {};  // not a finite number: nothing sensible to show
    // FormatFixed1 already gives "-" to negatives and no sign to a value that rounds to zero.
    const bool positive = !digits.startsWith(QLatin1Char('-')) && digits != QStringLiteral("0.0");
    return (positive ? QStringLiteral("+") : QString()) + digits + QLatin1Char('%');
}

QString PrefectureEntryText(const QString& name, double rate) {
    return name + kFullWidthSpace + SignedPercentText(rate);
}

QString FactorText(double factor) {
    const QString plain = PlainNumber(factor);
    const qsizetype point = plain.indexOf(QLatin1Char('.'));
    const bool moreThanTwo = point >= 0 && plain.size() - point - 1 > 2;
    // PlainNumber switches to "1E-05" for tiny numbers; two decimals then say "0.00" honestly.
    const bool exponent = plain.contains(QLatin1Char('E'));
    return QChar(0x00D7) + (moreThanTwo && !exponent ? plain : FormatFixed2(factor));
}

QString FactorEntryText(const QString& text, double factor) {
    return text + kFullWidthSpace + FactorText(factor);
}

QString SonotaEffectText(const QString& sonotaText) {
    const SonotaAdjustment a = SonotaFromText(sonotaText);
    if (a.emptyText)
        return QStringLiteral("補正なし（-99～100の％で増減できます）");
    if (a.outOfRange)
        return QStringLiteral("-99～100の範囲外のため補正なし");
    if (a.rank > 0)
        return FactorText(a.hosei) + QStringLiteral("（%1％上げます）").arg(a.rank);
    if (a.rank < 0)
        return FactorText(a.hosei) + QStringLiteral("（%1％下げます）").arg(-a.rank);
    return FactorText(a.hosei) + QStringLiteral("（補正なし）");
}

QString CombinedFactorText(double kakutiHoseiRitu) {
    return FormatFixed2(kakutiHoseiRitu * 100) + QStringLiteral("％");
}

QString SourceLine(const std::vector<DataSource>& sources, const QStringList& tables) {
    std::vector<SourceGroup> groups;
    QStringList seen;
    for (const QString& table : tables) {
        const std::optional<DataSource> s = SourceOf(sources, table);
        if (!s || s->source.isEmpty())
            continue;
        const qsizetype close = s->source.indexOf(QChar(0x300D));  // 」
        if (close < 0) {
            // No document named: say which tables rest on it.
            auto it = std::find_if(groups.begin(), groups.end(), [&](const SourceGroup& g) {
                return g.document.isEmpty() && g.whole == s->source;
            });
            if (it == groups.end())
                groups.push_back(SourceGroup{QString(), {table}, s->source});
            else
                it->parts << table;
            continue;
        }
        if (seen.contains(s->source))
            continue;
        seen << s->source;
        const QString document = s->source.left(close + 1);
        const QString rest = s->source.mid(close + 1).trimmed();
        auto it = std::find_if(groups.begin(), groups.end(),
                               [&](const SourceGroup& g) { return g.document == document; });
        if (it == groups.end())
            it = groups.insert(groups.end(), SourceGroup{document, {}, QString()});
        if (!rest.isEmpty())
            it->parts << rest;
    }
    QStringList texts;
    for (const SourceGroup& g : groups) {
        if (g.document.isEmpty())
            texts << g.parts.join(QStringLiteral("・")) + QStringLiteral("：") + g.whole;
        else
            texts << g.document + g.parts.join(QStringLiteral("、"));
    }
    if (texts.isEmpty())
        return {};
    return QStringLiteral("出典：") + texts.join(QStringLiteral("／"));
}

QString SourceDetail(const DataSource& source) {
    QStringList lines{QStringLiteral("出典：") + source.source};
    if (!source.basis.isEmpty())
        lines << QStringLiteral("基準：") + source.basis;
    if (!source.note.isEmpty())
        lines << source.note;
    return lines.join(QLatin1Char('\n'));
}

}  // namespace ie
