// Arithmetic of the countdown dialog, kept free of Win32 so it builds and is
// tested on any host: the time steps, the split into hours, minutes and
// seconds, the text of the message line and the centring of the dialog.
#pragma once

#include <climits>
#include <cstdint>
#include <string>

namespace countdown {

// Upper bound of the remaining time. "+" and the forward wheel stop here
// instead of overflowing the signed 32-bit count: INT_MAX seconds (about 68
// years, shown as 596523:14:07), the largest count the member can hold, so
// every smaller count behaves exactly as if there were no bound at all.
constexpr std::int32_t kMaxRemainSeconds = INT_MAX;

// Smallest step of "+" and "-", and the fixed step of one wheel message.
constexpr std::int32_t kMinStepSeconds = 60;
constexpr std::int32_t kWheelStepSeconds = 60;

// A negative count reads as 0 (what the message-line update stores).
std::int32_t ClampRemain(std::int32_t remain);

// Size of a "+" or "-" step: a tenth of the count, at least 60 seconds.
std::int32_t StepSize(std::int32_t remain);

// The count after "+", "-", one wheel message (wheelParam is the message's
// first parameter read as signed: above 0 is forwards) and one tick. Each
// result is already what the message-line update leaves behind: never
// negative and never above kMaxRemainSeconds.
std::int32_t AfterPlus(std::int32_t remain);
std::int32_t AfterMinus(std::int32_t remain);
std::int32_t AfterWheel(std::int32_t remain, std::int32_t wheelParam);
std::int32_t AfterTick(std::int32_t remain);

struct Clock {
    std::int32_t hours;    // not limited to two digits
    std::int32_t minutes;  // 0..59
    std::int32_t seconds;  // 0..59
};
// Splits a count (negative counts read as 0) with integer division.
Clock SplitRemain(std::int32_t remain);

// "<name> HH:MM:SS", each field at least two digits wide, built to the length
// it needs whatever the length of the name; a null name reads as empty.
std::wstring MessageLine(const wchar_t* name, std::int32_t remain);

// Rectangles in screen coordinates, right and bottom exclusive.
struct Box {
    std::int32_t left, top, right, bottom;
};
struct Position {
    std::int32_t x, y;
};
// Centres a window of width by height on the reference rectangle, then
// pushes it back inside the area: first off the right (bottom) edge, then
// off the left (top) edge, so the left and top edges win when it is larger.
Position CentredPosition(const Box& reference, const Box& area, std::int32_t width,
                         std::int32_t height);

}  // namespace countdown
