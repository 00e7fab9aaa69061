// The countdown arithmetic: any sequence of "+", "-", wheel messages and
// ticks from any start value, and the centring of the dialog.
//
// Input: bytes 0-3 the start count (any signed 32-bit value, as a caller
// could set it); then one step per byte, chosen by its low two bits: "+",
// "-", a wheel message (the first parameter from a table indexed by the other
// bits), a tick. The first 40 bytes, when there are that many, also give a
// reference rectangle, an area and a size for the centring.
//
// The bound: the count never leaves 0..kMaxRemainSeconds (INT_MAX, where "+"
// and the forward wheel saturate). Properties after every step:
//  - the count is within the bound;
//  - each step equals the rule worked out in 64 bits: "+" adds a tenth of the
//    count but at least 60, "-" takes as much away, the wheel moves 60 by the
//    sign of its parameter, a tick takes 1; below 0 reads 0, above the
//    bound reads the bound;
//  - "-" and a tick never raise the count as the dialog shows it (a
//    negative start shows as 0); "+" and a forward wheel never lower it;
//  - the clock splits the count exactly (minutes and seconds 0..59) and the
//    message line ends in " HH:MM:SS" with those numbers;
//  - the centred position equals the rule in 64 bits and lies inside a
//    well-formed area whenever the window fits in it.
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "countdown/countdown_math.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using countdown::kMaxRemainSeconds;

std::int64_t Bounded(std::int64_t value) {
    if (value < 0) return 0;
    return value > kMaxRemainSeconds ? kMaxRemainSeconds : value;
}

std::int32_t Read32(const std::uint8_t* p) {
    std::uint32_t u = 0;
    std::memcpy(&u, p, 4);
    return static_cast<std::int32_t>(u);
}

const std::int32_t kWheelParams[] = {
    120 << 16, -(120 << 16), 1, 0, -1, INT_MAX, INT_MIN, 240 << 16, static_cast<std::int32_t>(0xFF880000u),
    0x0000FFFF, static_cast<std::int32_t>(0x8000FFFFu), 0x7FFF0000, 3 << 16, -(3 << 16), 0x10000, -0x10000,
};

void CheckClock(std::int32_t remain) {
    const countdown::Clock clock = countdown::SplitRemain(remain);
    FUZZ_CHECK(clock.minutes >= 0 && clock.minutes < 60 && clock.seconds >= 0 && clock.seconds < 60);
    FUZZ_CHECK(clock.hours >= 0);
    FUZZ_CHECK(static_cast<std::int64_t>(clock.hours) * 3600 + clock.minutes * 60 + clock.seconds == remain);

    const std::wstring line = countdown::MessageLine(L"Shut down", remain);
    wchar_t want[40];
    std::swprintf(want, 40, L"Shut down %02d:%02d:%02d", clock.hours, clock.minutes, clock.seconds);
    FUZZ_CHECK(line == want);
}

std::int32_t CentreModel(std::int32_t refLow, std::int32_t refHigh, std::int32_t areaLow, std::int32_t areaHigh,
                         std::int32_t size) {
    std::int64_t pos = (static_cast<std::int64_t>(refLow) + refHigh) / 2 - size / 2;
    if (pos + size > areaHigh) pos = static_cast<std::int64_t>(areaHigh) - size;
    if (pos < areaLow) pos = areaLow;
    return static_cast<std::int32_t>(pos < INT32_MIN ? INT32_MIN : (pos > INT32_MAX ? INT32_MAX : pos));
}

void CheckCentring(const std::uint8_t* p) {
    const countdown::Box reference{Read32(p), Read32(p + 4), Read32(p + 8), Read32(p + 12)};
    const countdown::Box area{Read32(p + 16), Read32(p + 20), Read32(p + 24), Read32(p + 28)};
    const std::int32_t width = Read32(p + 32), height = Read32(p + 36);
    const countdown::Position at = countdown::CentredPosition(reference, area, width, height);
    FUZZ_CHECK(at.x == CentreModel(reference.left, reference.right, area.left, area.right, width));
    FUZZ_CHECK(at.y == CentreModel(reference.top, reference.bottom, area.top, area.bottom, height));
    if (width >= 0 && area.left <= area.right) {
        if (width <= static_cast<std::int64_t>(area.right) - area.left)
            FUZZ_CHECK(at.x >= area.left && static_cast<std::int64_t>(at.x) + width <= area.right);
        else
            FUZZ_CHECK(at.x == area.left);
    }
    if (height >= 0 && area.top <= area.bottom) {
        if (height <= static_cast<std::int64_t>(area.bottom) - area.top)
            FUZZ_CHECK(at.y >= area.top && static_cast<std::int64_t>(at.y) + height <= area.bottom);
        else
            FUZZ_CHECK(at.y == area.top);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4 || size > 4096) return 0;
    if (size >= 40) CheckCentring(data);

    std::int32_t remain = Read32(data);
    for (std::size_t i = 4; i < size; ++i) {
        const std::int64_t shown = Bounded(remain);  // what the message line shows before the step
        const std::int64_t step = remain / 10 < 60 ? 60 : remain / 10;
        std::int32_t next = 0;
        switch (data[i] & 3) {
        case 0:
            next = countdown::AfterPlus(remain);
            FUZZ_CHECK(next == Bounded(static_cast<std::int64_t>(remain) + step));
            FUZZ_CHECK(next >= shown);
            break;
        case 1:
            next = countdown::AfterMinus(remain);
            FUZZ_CHECK(next == Bounded(static_cast<std::int64_t>(remain) - step));
            FUZZ_CHECK(next <= shown);
            break;
        case 2: {
            const std::int32_t param = kWheelParams[(data[i] >> 2) % (sizeof kWheelParams / sizeof kWheelParams[0])];
            next = countdown::AfterWheel(remain, param);
            FUZZ_CHECK(next == Bounded(static_cast<std::int64_t>(remain) + (param > 0 ? 60 : -60)));
            FUZZ_CHECK(param > 0 ? next >= shown : next <= shown);
            break;
        }
        default:
            next = countdown::AfterTick(remain);
            FUZZ_CHECK(next == Bounded(static_cast<std::int64_t>(remain) - 1));
            FUZZ_CHECK(next <= shown);
            break;
        }
        FUZZ_CHECK(next >= 0 && next <= kMaxRemainSeconds);
        CheckClock(next);
        remain = next;
    }
    return 0;
}
