#include "common/Cp932.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <memory>

namespace ie::cp932 {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// ICU's "windows-932" is the code page as Japanese Windows has it (0x8160 <-> U+FF5E and so on).
// Its fallback mappings stay off: they would turn "é" into "e" or "¥" into "\" silently.
// One converter per thread, opened on first use: opening one costs far more than converting a
// short field, and the CSV export converts hundreds of thousands of them.
UConverter* Converter() {
    thread_local ConverterPtr converter = [] {
        UErrorCode status = U_ZERO_ERROR;
        ConverterPtr c(ucnv_open("windows-932", &status));
        if (U_FAILURE(status)) {
            c.reset();
            return c;
        }
        ucnv_setFallback(c.get(), false);
        ucnv_setSubstChars(c.get(), "?", 1, &status);
        return c;
    }();
    return converter.get();
}

// The Unicode characters that Linux input methods and fonts produce where Japanese Windows has
// another code point for the same CP932 character.
char16_t Twin(char16_t c) {
    switch (c) {
        case u'\u301C':
            return u'\uFF5E';  // 〜 -> ～
        case u'\u2212':
            return u'\uFF0D';  // − -> －
        case u'\u2016':
            return u'\u2225';  // ‖ -> ∥
        case u'\u2014':
            return u'\u2015';  // — -> ―
        case u'\u00A5':
            return u'\uFFE5';  // ¥ -> ￥
        case u'\u00A2':
            return u'\uFFE0';  // ¢ -> ￠
        case u'\u00A3':
            return u'\uFFE1';  // £ -> ￡
        case u'\u00AC':
            return u'\uFFE2';  // ¬ -> ￢
        case u'\u00A6':
            return u'\uFFE4';  // ¦ -> ￤
        default:
            return c;
    }
}

bool HasTwin(const QString& text) {
    for (const QChar ch : text) {
        if (Twin(ch.unicode()) != ch.unicode()) {
            return true;
        }
    }
    return false;
}

QString WithTwins(const QString& text) {
    QString out = text;
    for (QChar& ch : out) {
        ch = QChar(Twin(ch.unicode()));
    }
    return out;
}

// Substitutes '?' like ICU's own substitute callback and counts each character it replaces.
void CountingSubstitute(const void* context, UConverterFromUnicodeArgs* args,
                        const UChar* codeUnits, int32_t length, UChar32 codePoint,
                        UConverterCallbackReason reason, UErrorCode* err) {
    if (reason <= UCNV_IRREGULAR) {  // unassigned, illegal or irregular input
        ++*static_cast<int*>(const_cast<void*>(context));
    }
    UCNV_FROM_U_CALLBACK_SUBSTITUTE(nullptr, args, codeUnits, length, codePoint, reason, err);
}

}  // namespace

QByteArray Encode(const QString& text, int* unmappable) {
    int count = 0;
    if (unmappable != nullptr) {
        *unmappable = 0;
    }
    if (text.isEmpty()) {
        return {};
    }
    UConverter* cnv = Converter();
    if (cnv == nullptr) {
        // No converter at all (ICU data missing): keep ASCII, count everything else as lost.
        QByteArray out;
        for (const QChar ch : text) {
            const bool ascii = ch.unicode() < 0x80;
            out += ascii ? static_cast<char>(ch.unicode()) : '?';
            count += ascii ? 0 : 1;
        }
        if (unmappable != nullptr) {
            *unmappable = count;
        }
        return out;
    }

    const QString source = HasTwin(text) ? WithTwins(text) : text;
    ucnv_reset(cnv);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(cnv, CountingSubstitute, &count, nullptr, nullptr, &status);

    // Two bytes per UTF-16 unit is always enough for CP932 ('?' for a surrogate pair is 1 byte).
    QByteArray out(source.size() * 2, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    const int32_t written = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()),
                                            reinterpret_cast<const UChar*>(source.utf16()),
                                            static_cast<int32_t>(source.size()), &status);
    UErrorCode resetStatus = U_ZERO_ERROR;
    ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                          &resetStatus);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
        out.clear();
    } else {
        out.truncate(written);
    }
    if (unmappable != nullptr) {
        *unmappable = count;
    }
    return out;
}

QString Decode(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return {};
    }
    UConverter* cnv = Converter();
    if (cnv == nullptr) {
        return QString::fromLatin1(bytes);
    }
    ucnv_reset(cnv);
    // One UTF-16 unit per byte is always enough: a CP932 character takes one or two bytes and
    // decodes to one BMP character (an invalid byte to one U+FFFD or U+001A).
    QString out(bytes.size(), Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    int32_t written =
        ucnv_toUChars(cnv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                      bytes.constData(), static_cast<int32_t>(bytes.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        // Not expected for this code page; the converter told us the size it needs.
        out.resize(written);
        ucnv_reset(cnv);
        status = U_ZERO_ERROR;
        written = ucnv_toUChars(cnv, reinterpret_cast<UChar*>(out.data()),
                                static_cast<int32_t>(out.size()), bytes.constData(),
                                static_cast<int32_t>(bytes.size()), &status);
    }
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
        return {};
    }
    out.truncate(written);
    return out;
}

int ByteWidth(const QString& text) {
    return static_cast<int>(Encode(text).size());
}

bool RoundTrips(const QString& text) {
    int unmappable = 0;
    const QByteArray bytes = Encode(text, &unmappable);
    return unmappable == 0 && !HasTwin(text) && Decode(bytes) == text;
}

}  // namespace ie::cp932
