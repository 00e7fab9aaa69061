#include "localisation/text_rules.h"

namespace textrules {

bool NamesEqual(const wchar_t* a, std::size_t aLen, const wchar_t* b, std::size_t bLen) {
    if (aLen != bLen) return false;
    for (std::size_t i = 0; i < aLen; ++i) {
        if (a[i] != b[i] && FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

std::uint32_t HashName(const wchar_t* s, std::size_t len) {
    // FNV-1a over the folded UTF-16 units.
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < len; ++i) {
        h ^= static_cast<std::uint32_t>(FoldAscii(s[i])) & 0xFFFFu;
        h *= 16777619u;
    }
    return h;
}

void TrimRange(const wchar_t*& begin, const wchar_t*& end, const LocalisationPlatform& platform) {
    while (begin < end && IsWhiteSpace(*begin, platform)) ++begin;
    while (end > begin && IsWhiteSpace(end[-1], platform)) --end;
}

std::uint32_t ParseUnsignedDecimal(const std::wstring& text, const LocalisationPlatform& platform) {
    const wchar_t* p = text.c_str();
    while (*p != 0 && IsWhiteSpace(*p, platform)) ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') {
        negative = (*p == L'-');
        ++p;
    }
    std::uint32_t value = 0;
    bool overflow = false;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        const std::uint32_t digit = static_cast<std::uint32_t>(*p - L'0');
        if (value > (0xFFFFFFFFu - digit) / 10u) overflow = true;
        if (!overflow) value = value * 10u + digit;
    }
    if (overflow) return 0xFFFFFFFFu;  // like wcstoul: ULONG_MAX, sign or not
    return negative ? static_cast<std::uint32_t>(0u - value) : value;
}

void ReplaceEscape(std::wstring& text, wchar_t letter, wchar_t replacement) {
    std::size_t out = 0;
    const std::size_t n = text.size();
    for (std::size_t in = 0; in < n; ++in) {
        if (text[in] == L'\\' && in + 1 < n && text[in + 1] == letter) {
            text[out++] = replacement;
            ++in;
        } else {
            text[out++] = text[in];
        }
    }
    text.resize(out);
}

}  // namespace textrules
