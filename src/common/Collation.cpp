#include "common/Collation.h"

#include <unicode/ucol.h>

#include <memory>

namespace ie {

namespace {

struct CollatorClose {
    void operator()(UCollator* c) const { ucol_close(c); }
};

// One collator per thread: ICU collators must not be shared between threads while in use.
UCollator* JapaneseCollator() {
    thread_local const std::unique_ptr<UCollator, CollatorClose> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* c = ucol_open("ja", &status);
        if (U_FAILURE(status)) {
            ucol_close(c);
            c = nullptr;
        }
        return std::unique_ptr<UCollator, CollatorClose>(c);
    }();
    return collator.get();
}

}  // namespace

QByteArray JapaneseSortKey(const QString& text) {
    UCollator* c = JapaneseCollator();
    if (c == nullptr)
        return {};
    const auto* s = reinterpret_cast<const UChar*>(text.utf16());
    const auto n = static_cast<int32_t>(text.size());
    QByteArray key(64, Qt::Uninitialized);
    int32_t needed = ucol_getSortKey(c, s, n, reinterpret_cast<uint8_t*>(key.data()),
                                     static_cast<int32_t>(key.size()));
    if (needed > key.size()) {
        key.resize(needed);
        needed = ucol_getSortKey(c, s, n, reinterpret_cast<uint8_t*>(key.data()), needed);
    }
    // The key's length counts its closing zero byte, which memcmp order does not need.
    key.resize(needed > 0 ? needed - 1 : 0);
    return key;
}

}  // namespace ie
