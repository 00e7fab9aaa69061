#include "controls/link_flags.h"

#include <gtest/gtest.h>

using link_flags::DrawFlagsForStyle;

TEST(LinkDrawFlags, BaseFromStyle) {
    EXPECT_EQ(DrawFlagsForStyle(0x00000000u), 0x10u);     // word-wrapped
    EXPECT_EQ(DrawFlagsForStyle(0x50020000u), 0x10u);     // the countdown dialog's link
    EXPECT_EQ(DrawFlagsForStyle(0x00000200u), 0x24u);     // SS_CENTERIMAGE: one centred line
    EXPECT_EQ(DrawFlagsForStyle(0x00000004u), 0x20u);     // bit 4: one line at the top
    EXPECT_EQ(DrawFlagsForStyle(0x00000008u), 0x20u);     // bit 8 too
    EXPECT_EQ(DrawFlagsForStyle(0x0000000Cu), 0x20u);     // SS_SIMPLE/LEFTNOWORDWRAP bits
    EXPECT_EQ(DrawFlagsForStyle(0x0000020Cu), 0x24u);     // centre-image decides first
}

TEST(LinkDrawFlags, AdditionsAreIndependent) {
    EXPECT_EQ(DrawFlagsForStyle(0x0001u), 0x11u);          // SS_CENTER
    EXPECT_EQ(DrawFlagsForStyle(0x0002u), 0x12u);          // SS_RIGHT
    EXPECT_EQ(DrawFlagsForStyle(0x0003u), 0x13u);          // both alignment bits
    EXPECT_EQ(DrawFlagsForStyle(0x4000u), 0x8010u);        // SS_ENDELLIPSIS
    EXPECT_EQ(DrawFlagsForStyle(0x8000u), 0x4010u);        // SS_PATHELLIPSIS
    EXPECT_EQ(DrawFlagsForStyle(0xC000u), 0xC010u);        // SS_WORDELLIPSIS adds both
    EXPECT_EQ(DrawFlagsForStyle(0x50020201u), 0x25u);      // the dialog's message line
    EXPECT_EQ(DrawFlagsForStyle(0xC20Fu), 0xC027u);
    EXPECT_EQ(DrawFlagsForStyle(0x5002C006u), 0xC022u);
}

static_assert(DrawFlagsForStyle(0x0201u) == 0x25u, "usable at compile time");
