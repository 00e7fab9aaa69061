#include "countdown/countdown_math.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using namespace countdown;

TEST(CountdownSteps, PlusAndMinusTakeATenthButAtLeastAMinute) {
    EXPECT_EQ(AfterPlus(600), 660);
    EXPECT_EQ(AfterMinus(600), 540);
    EXPECT_EQ(AfterPlus(7200), 7920);
    EXPECT_EQ(AfterMinus(7200), 6480);
    EXPECT_EQ(AfterPlus(45), 105);
    EXPECT_EQ(AfterMinus(45), 0);
    EXPECT_EQ(AfterPlus(0), 60);
    EXPECT_EQ(AfterMinus(0), 0);
    EXPECT_EQ(AfterPlus(1999), 1999 + 199);
    EXPECT_EQ(StepSize(599), 60);
    EXPECT_EQ(StepSize(610), 61);
}

TEST(CountdownSteps, NegativeCountsEndAtZero) {
    EXPECT_EQ(AfterPlus(-100), 0);  // -100 + 60, then the update stores 0
    EXPECT_EQ(AfterPlus(-10), 50);
    EXPECT_EQ(AfterMinus(-5), 0);
    EXPECT_EQ(AfterMinus(INT_MIN), 0);
    EXPECT_EQ(AfterTick(INT_MIN), 0);
    EXPECT_EQ(AfterWheel(INT_MIN, -120), 0);
    EXPECT_EQ(ClampRemain(-1), 0);
    EXPECT_EQ(ClampRemain(5), 5);
}

TEST(CountdownSteps, WheelMovesOneMinutePerMessageBySign) {
    EXPECT_EQ(AfterWheel(600, 120 << 16), 660);
    EXPECT_EQ(AfterWheel(600, 1), 660);
    EXPECT_EQ(AfterWheel(600, 0), 540);  // not above 0 counts as backwards
    EXPECT_EQ(AfterWheel(600, static_cast<std::int32_t>(0xFF880000u)), 540);
    EXPECT_EQ(AfterWheel(600, 2400 << 16), 660);  // rotation amount does not matter
    EXPECT_EQ(AfterWheel(30, -(120 << 16)), 0);
}

TEST(CountdownSteps, TickLowersByOneAndStopsAtZero) {
    EXPECT_EQ(AfterTick(600), 599);
    EXPECT_EQ(AfterTick(1), 0);
    EXPECT_EQ(AfterTick(0), 0);
}

TEST(CountdownSteps, PlusAndWheelSaturateAtTheBound) {
    EXPECT_EQ(kMaxRemainSeconds, INT_MAX);
    EXPECT_EQ(AfterPlus(INT_MAX), INT_MAX);
    EXPECT_EQ(AfterPlus(INT_MAX - 5), INT_MAX);
    EXPECT_EQ(AfterPlus(2000000000), INT_MAX);  // 2e9 + 2e8 would overflow
    EXPECT_EQ(AfterWheel(INT_MAX, 1), INT_MAX);
    EXPECT_EQ(AfterWheel(INT_MAX - 59, 1), INT_MAX);
    EXPECT_EQ(AfterWheel(INT_MAX - 60, 1), INT_MAX);
    EXPECT_EQ(AfterWheel(INT_MAX - 61, 1), INT_MAX - 1);
    // Going down from the bound works as anywhere else.
    EXPECT_EQ(AfterMinus(INT_MAX), INT_MAX - INT_MAX / 10);
    EXPECT_EQ(AfterTick(INT_MAX), INT_MAX - 1);
    // Many presses never wrap round.
    std::int32_t remain = 600;
    for (int i = 0; i < 400; ++i) {
        std::int32_t next = AfterPlus(remain);
        ASSERT_GE(next, remain);
        remain = next;
    }
    EXPECT_EQ(remain, INT_MAX);
}

TEST(CountdownClock, SplitsIntoHoursMinutesSeconds) {
    Clock c = SplitRemain(3725);
    EXPECT_EQ(c.hours, 1);
    EXPECT_EQ(c.minutes, 2);
    EXPECT_EQ(c.seconds, 5);
    c = SplitRemain(360000);
    EXPECT_EQ(c.hours, 100);
    EXPECT_EQ(c.minutes, 0);
    EXPECT_EQ(c.seconds, 0);
    c = SplitRemain(-7);
    EXPECT_EQ(c.hours + c.minutes + c.seconds, 0);
}

TEST(CountdownClock, MessageLineFormats) {
    EXPECT_EQ(MessageLine(L"Shut down", 600), L"Shut down 00:10:00");
    EXPECT_EQ(MessageLine(L"Shut down", 599), L"Shut down 00:09:59");
    EXPECT_EQ(MessageLine(L"X", 3725), L"X 01:02:05");
    EXPECT_EQ(MessageLine(L"X", 360000), L"X 100:00:00");
    EXPECT_EQ(MessageLine(L"X", 0), L"X 00:00:00");
    EXPECT_EQ(MessageLine(L"X", -30), L"X 00:00:00");
    EXPECT_EQ(MessageLine(L"X", INT_MAX), L"X 596523:14:07");
    EXPECT_EQ(MessageLine(L"", 61), L" 00:01:01");
    EXPECT_EQ(MessageLine(nullptr, 61), L" 00:01:01");
    // Whatever a language file supplies is carried in full, percent signs too.
    EXPECT_EQ(MessageLine(L"100% %s %d", 1), L"100% %s %d 00:00:01");
}

TEST(CountdownClock, LongNameIsKeptWhole) {
    std::wstring name(100000, L'a');
    std::wstring line = MessageLine(name.c_str(), 3725);
    ASSERT_EQ(line.size(), name.size() + 9);
    EXPECT_EQ(line.substr(0, name.size()), name);
    EXPECT_EQ(line.substr(name.size()), L" 01:02:05");
}

TEST(CountdownCentre, CentresOnReference) {
    Box area{0, 0, 1280, 1000};
    Position p = CentredPosition(area, area, 400, 200);
    EXPECT_EQ(p.x, 440);
    EXPECT_EQ(p.y, 400);
    // Odd sizes use integer division on both halves.
    p = CentredPosition(Box{0, 0, 101, 51}, Box{0, 0, 1000, 1000}, 21, 11);
    EXPECT_EQ(p.x, 50 - 10);
    EXPECT_EQ(p.y, 25 - 5);
    // Centred on an owner window inside the area.
    p = CentredPosition(Box{100, 100, 500, 300}, area, 200, 100);
    EXPECT_EQ(p.x, 200);
    EXPECT_EQ(p.y, 150);
}

TEST(CountdownCentre, PushedBackIntoTheArea) {
    Box area{0, 0, 1280, 984};
    // Owner near the bottom-right corner: the dialog stays inside.
    Position p = CentredPosition(Box{1200, 950, 1400, 1050}, area, 300, 100);
    EXPECT_EQ(p.x, 1280 - 300);
    EXPECT_EQ(p.y, 984 - 100);
    // Owner off the top-left: pushed to the left and top edges.
    p = CentredPosition(Box{-500, -400, -300, -200}, area, 300, 100);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    // Larger than the area: the left and top edges win.
    p = CentredPosition(area, area, 2000, 1500);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    // Area not at the origin (a second monitor, a task bar on the left).
    Box right{1280, 40, 2560, 1024};
    p = CentredPosition(right, right, 400, 200);
    EXPECT_EQ(p.x, 1920 - 200);
    EXPECT_EQ(p.y, 532 - 100);
}

TEST(CountdownCentre, ExtremeCoordinatesDoNotOverflow) {
    Box huge{INT32_MAX - 10, INT32_MAX - 10, INT32_MAX, INT32_MAX};
    Position p = CentredPosition(huge, huge, 4, 4);
    EXPECT_EQ(p.x, INT32_MAX - 5 - 2);
    EXPECT_EQ(p.y, INT32_MAX - 5 - 2);
}
