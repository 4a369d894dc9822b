#include "platform/TextCase.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <map>
#include <memory>

#include "platform/Locale.h"

namespace platform {

namespace {

template <class Map>
std::string MapCodePoints(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const int32_t length = static_cast<int32_t>(text.size());
    int32_t i = 0;
    while (i < length) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) {  // malformed: keep the bytes as they are
            out.append(text.substr(start, i - start));
            continue;
        }
        const UChar32 mapped = map(c);
        char buf[4];
        int32_t n = 0;
        UBool error = false;
        U8_APPEND(reinterpret_cast<uint8_t*>(buf), n, 4, mapped, error);
        if (error) {
            out.append(text.substr(start, i - start));
        } else {
            out.append(buf, n);
        }
    }
    return out;
}

}  // namespace

std::string UpperCase(std::string_view utf8) {
    return MapCodePoints(utf8, [](UChar32 c) { return u_toupper(c); });
}

std::string FoldCase(std::string_view utf8) {
    return MapCodePoints(utf8, [](UChar32 c) { return u_foldCase(c, U_FOLD_CASE_DEFAULT); });
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && a == b) return true;
    return FoldCase(a) == FoldCase(b);
}

int CompareNoCaseLocale(std::string_view a, std::string_view b) {
    // One collator per locale name; the programs are single-threaded.
    static std::map<std::string, std::unique_ptr<icu::Collator>> collators;
    const std::string name = CurrentLocaleName();
    auto it = collators.find(name);
    if (it == collators.end()) {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> c(
            icu::Collator::createInstance(icu::Locale(name.c_str()), status));
        if (U_FAILURE(status) || !c) {
            status = U_ZERO_ERROR;
            c.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        }
        if (c) c->setStrength(icu::Collator::SECONDARY);
        it = collators.emplace(name, std::move(c)).first;
    }
    if (!it->second) {
        const std::string fa = FoldCase(a), fb = FoldCase(b);
        return fa < fb ? -1 : (fa == fb ? 0 : 1);
    }
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r =
        it->second->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                                icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
    return r == UCOL_LESS ? -1 : (r == UCOL_EQUAL ? 0 : 1);
}

}  // namespace platform
