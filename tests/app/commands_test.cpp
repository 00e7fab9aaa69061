#include "app/commands.h"

#include <gtest/gtest.h>

TEST(CommandFromSwitch, EverySwitchNamesItsCommand) {
    EXPECT_EQ(CommandFromSwitch(L"/shutdown"), 32773);
    EXPECT_EQ(CommandFromSwitch(L"/logoff"), 32775);
    EXPECT_EQ(CommandFromSwitch(L"/logout"), 32775);
    EXPECT_EQ(CommandFromSwitch(L"/restart"), 32777);
    EXPECT_EQ(CommandFromSwitch(L"/reboot"), 32777);
    EXPECT_EQ(CommandFromSwitch(L"/hibernate"), 32788);
    EXPECT_EQ(CommandFromSwitch(L"/suspend"), 32790);
}

TEST(CommandFromSwitch, OnlyTheWholeTailInTheExactCaseMatches) {
    for (const wchar_t* tail : {L"/Shutdown", L"/SHUTDOWN", L"/shutdown ", L" /shutdown", L"\"/shutdown\"",
                                L"/shutdown now", L"/shut", L"/shutdownx", L"shutdown", L"-shutdown",
                                L"/restart\t", L"/reboot/reboot"}) {
        EXPECT_EQ(CommandFromSwitch(tail), 0) << "tail: " << testing::PrintToString(std::wstring(tail));
    }
}

TEST(CommandFromSwitch, EmptyAndNullTailsAreNoCommand) {
    EXPECT_EQ(CommandFromSwitch(nullptr), 0);
    EXPECT_EQ(CommandFromSwitch(L""), 0);
    // A tail that ends early at U+0000 is compared only up to there.
    EXPECT_EQ(CommandFromSwitch(L"\0/shutdown"), 0);
}

TEST(CommandFromSwitch, TimersAndHelpHaveNoSwitch) {
    for (const wchar_t* tail : {L"/timer", L"/help", L"/10", L"/shutdown10", L"/?"})
        EXPECT_EQ(CommandFromSwitch(tail), 0);
}

TEST(TimerSeconds, OnlyTheFourTimerCommandsStartACountdown) {
    EXPECT_EQ(TimerSeconds(32780), 600);
    EXPECT_EQ(TimerSeconds(32781), 1800);
    EXPECT_EQ(TimerSeconds(32783), 3600);
    EXPECT_EQ(TimerSeconds(32784), 7200);
    for (int id : {0, 32773, 32775, 32777, 32782, 32785, 32787, 32788, 32790, 65535})
        EXPECT_EQ(TimerSeconds(static_cast<CommandId>(id)), 0) << id;
}
