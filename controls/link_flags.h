// Drawing flags of the link control, derived from the static control's
// style. Plain numbers, free of Win32, so the table is tested on any host.
#pragma once

#include <cstdint>

namespace link_flags {

// Static control styles the table looks at.
constexpr std::uint32_t kSsCenter = 0x0001;
constexpr std::uint32_t kSsRight = 0x0002;
constexpr std::uint32_t kSsOneLineBits = 0x000C;  // any of these: one line at the top
constexpr std::uint32_t kSsCenterImage = 0x0200;
constexpr std::uint32_t kSsEndEllipsis = 0x4000;
constexpr std::uint32_t kSsPathEllipsis = 0x8000;

// DrawText flags it produces.
constexpr std::uint32_t kDtCenter = 0x0001;
constexpr std::uint32_t kDtRight = 0x0002;
constexpr std::uint32_t kDtVCenter = 0x0004;
constexpr std::uint32_t kDtWordBreak = 0x0010;
constexpr std::uint32_t kDtSingleLine = 0x0020;
constexpr std::uint32_t kDtPathEllipsis = 0x4000;
constexpr std::uint32_t kDtEndEllipsis = 0x8000;

// The base comes from the first matching line (vertically centred single
// line, single line, word-wrapped); the alignment and ellipsis additions are
// independent, so a word-ellipsis style (both ellipsis bits) adds both.
constexpr std::uint32_t DrawFlagsForStyle(std::uint32_t style) {
    std::uint32_t flags = 0;
    if (style & kSsCenterImage)
        flags = kDtSingleLine | kDtVCenter;
    else if (style & kSsOneLineBits)
        flags = kDtSingleLine;
    else
        flags = kDtWordBreak;
    if (style & kSsCenter)
        flags |= kDtCenter;
    if (style & kSsRight)
        flags |= kDtRight;
    if (style & kSsEndEllipsis)
        flags |= kDtEndEllipsis;
    if (style & kSsPathEllipsis)
        flags |= kDtPathEllipsis;
    return flags;
}

}  // namespace link_flags
