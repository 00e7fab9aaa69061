#include "countdown/countdown_math.h"

namespace countdown {

namespace {

// Brings a 64-bit intermediate back into the range the count may take.
std::int32_t Saturate(std::int64_t value) {
    if (value < 0)
        return 0;
    if (value > kMaxRemainSeconds)
        return kMaxRemainSeconds;
    return static_cast<std::int32_t>(value);
}

// Appends a non-negative number with at least two digits. Written by hand:
// the library's number formatting would pull a whole printf into the program.
void AppendTwoDigits(std::wstring& out, std::int32_t value) {
    wchar_t digits[12];
    int n = 0;
    std::uint32_t rest = value < 0 ? 0u : static_cast<std::uint32_t>(value);
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (n < 2)
        digits[n++] = L'0';
    while (n > 0)
        out += digits[--n];
}

// One axis of the centring rule.
std::int32_t CentreAxis(std::int32_t refLow, std::int32_t refHigh, std::int32_t areaLow,
                        std::int32_t areaHigh, std::int32_t size) {
    std::int64_t pos = (static_cast<std::int64_t>(refLow) + refHigh) / 2 - size / 2;
    if (pos + size > areaHigh)
        pos = static_cast<std::int64_t>(areaHigh) - size;
    if (pos < areaLow)
        pos = areaLow;
    if (pos > INT32_MAX)
        pos = INT32_MAX;
    if (pos < INT32_MIN)
        pos = INT32_MIN;
    return static_cast<std::int32_t>(pos);
}

}  // namespace

std::int32_t ClampRemain(std::int32_t remain) { return remain < 0 ? 0 : remain; }

std::int32_t StepSize(std::int32_t remain) {
    std::int32_t step = remain / 10;
    return step < kMinStepSeconds ? kMinStepSeconds : step;
}

std::int32_t AfterPlus(std::int32_t remain) {
    return Saturate(static_cast<std::int64_t>(remain) + StepSize(remain));
}

std::int32_t AfterMinus(std::int32_t remain) {
    return Saturate(static_cast<std::int64_t>(remain) - StepSize(remain));
}

std::int32_t AfterWheel(std::int32_t remain, std::int32_t wheelParam) {
    std::int64_t step = wheelParam > 0 ? kWheelStepSeconds : -kWheelStepSeconds;
    return Saturate(static_cast<std::int64_t>(remain) + step);
}

std::int32_t AfterTick(std::int32_t remain) {
    return Saturate(static_cast<std::int64_t>(remain) - 1);
}

Clock SplitRemain(std::int32_t remain) {
    remain = ClampRemain(remain);
    std::int32_t minutesTotal = remain / 60;
    return Clock{minutesTotal / 60, minutesTotal % 60, remain % 60};
}

std::wstring MessageLine(const wchar_t* name, std::int32_t remain) {
    Clock clock = SplitRemain(remain);
    std::wstring line = name ? name : L"";
    line += L' ';
    AppendTwoDigits(line, clock.hours);
    line += L':';
    AppendTwoDigits(line, clock.minutes);
    line += L':';
    AppendTwoDigits(line, clock.seconds);
    return line;
}

Position CentredPosition(const Box& reference, const Box& area, std::int32_t width,
                         std::int32_t height) {
    return Position{CentreAxis(reference.left, reference.right, area.left, area.right, width),
                    CentreAxis(reference.top, reference.bottom, area.top, area.bottom, height)};
}

}  // namespace countdown
