// Character rules of the language files, shared by the document, the
// language manager and the menu code.  No platform calls here; the one
// platform-dependent question (is a character above U+00FF a space?) is
// asked of the LocalisationPlatform the caller passes in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "localisation/localisation_platform.h"

namespace textrules {

// Trimming white space: U+0009..U+000D, U+0020, U+00A0, and above U+00FF
// whatever the platform's wide-character classification calls a space.
inline bool IsWhiteSpace(wchar_t c, const LocalisationPlatform& platform) {
    const std::uint32_t u = static_cast<std::uint32_t>(c);
    if (u <= 0xFF) return (u >= 0x09 && u <= 0x0D) || u == 0x20 || u == 0xA0;
    return platform.IsSpaceAbove00FF(c);
}

// The blanks that key/value lines may carry around "=".
inline bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Name comparison: only A..Z fold onto a..z.
inline wchar_t FoldAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
}

bool NamesEqual(const wchar_t* a, std::size_t aLen, const wchar_t* b, std::size_t bLen);
std::uint32_t HashName(const wchar_t* s, std::size_t len);

// Narrows [*begin, *end) so that it starts and ends with a non-space.
void TrimRange(const wchar_t*& begin, const wchar_t*& end, const LocalisationPlatform& platform);

// Reads an unsigned decimal number the way wcstoul(..., 10) does: leading
// white space, an optional sign, digits up to the first other character.
// Saturates at 4294967295; a leading "-" negates modulo 2^32.
std::uint32_t ParseUnsignedDecimal(const std::wstring& text, const LocalisationPlatform& platform);

// Replaces each two-character sequence backslash + `letter` by `replacement`,
// scanning left to right without overlap.
void ReplaceEscape(std::wstring& text, wchar_t letter, wchar_t replacement);

}  // namespace textrules
