// Under Wine: real menus, localised by LocalizeMenu and read back with the
// menu queries.
#include <windows.h>

#include <string>

#include "localisation/language_manager.h"
#include "loc_test_support.h"

using loctest::TempDir;
using loctest::Utf16Le;

namespace {

const wchar_t kEnglish[] =
    L"[MENU]\r\n"
    L"MENUSTR_SHUTDOWN=&Shut down\r\n"
    L"MENUSTR_LOGOUT=&Log off\r\n"
    L"MENUSTR_TIMER=&Timed shutdown\r\n"
    L"MENUSTR_SHUTDOWN_10M=In &10 minutes\\tF10\r\n"
    L"MENUSTR_ETC=&Other actions\r\n"
    L"MENUSTR_DEEP=Deeper\r\n"
    L"MENUSTR_DEEPEST=Deepest\\n\\tend\r\n"
    L"MENUSTR_HIBERNATE=&Hibernate\r\n";

const wchar_t kChosen[] =
    L"[MENU]\r\n"
    L"MENUSTR_SHUTDOWN=Herunter&fahren\r\n"
    L"MENUSTR_LOGOUT=\r\n"  // empty: English is used
    L"MENUSTR_ETC=W&eitere\r\n"
    L"; a localised text that is itself a key:\r\n"
    L"MENUSTR_HIBERNATE=MENUSTR_SHUTDOWN\r\n";

std::wstring ItemText(HMENU menu, int position) {
    wchar_t text[2048] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 2048, MF_BYPOSITION);
    return text;
}

class MenuTest : public ::testing::Test {
protected:
    MenuTest() : manager(TestPlatform()) {}

    void SetUp() override {
        english = dir.Write("English.ini", Utf16Le(kEnglish));
        chosen = dir.Write("Deutsch.ini", Utf16Le(kChosen));
        ASSERT_EQ(manager.Load(chosen, english, L""), 1);

        // A popup like the program's own, with a sub-menu two levels deep.
        deepest = CreatePopupMenu();
        AppendMenuW(deepest, MF_STRING, 501, L"MENUSTR_DEEPEST");
        deep = CreatePopupMenu();
        AppendMenuW(deep, MF_STRING, 401, L"MENUSTR_SHUTDOWN_10M");
        AppendMenuW(deep, MF_POPUP, reinterpret_cast<UINT_PTR>(deepest), L"MENUSTR_DEEP");
        timer = CreatePopupMenu();
        AppendMenuW(timer, MF_STRING, 32780, L"MENUSTR_SHUTDOWN_10M");
        AppendMenuW(timer, MF_POPUP, reinterpret_cast<UINT_PTR>(deep), L"MENUSTR_DEEP");
        etc = CreatePopupMenu();
        AppendMenuW(etc, MF_STRING, 32788, L"MENUSTR_HIBERNATE");
        popup = CreatePopupMenu();
        AppendMenuW(popup, MF_STRING, 32773, L"MENUSTR_SHUTDOWN");
        AppendMenuW(popup, MF_STRING, 32775, L"MENUSTR_LOGOUT");
        AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(timer), L"MENUSTR_TIMER");
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(etc), L"MENUSTR_ETC");
        AppendMenuW(popup, MF_STRING, 32787, L"MENUSTR_HELP_PAGE");
    }
    void TearDown() override {
        if (popup) DestroyMenu(popup);  // takes the sub-menus with it
    }

    TempDir dir;
    LanguageManager manager;
    std::wstring english, chosen;
    HMENU popup = nullptr, timer = nullptr, deep = nullptr, deepest = nullptr, etc = nullptr;
};

TEST_F(MenuTest, TextsComeFromTheChosenFileOrEnglish) {
    manager.LocalizeMenu(popup);
    ASSERT_EQ(GetMenuItemCount(popup), 6);
    EXPECT_EQ(ItemText(popup, 0), L"Herunter&fahren");
    EXPECT_EQ(ItemText(popup, 1), L"&Log off");
    EXPECT_EQ(ItemText(popup, 2), L"&Timed shutdown");
    EXPECT_EQ(ItemText(popup, 4), L"W&eitere");
    EXPECT_EQ(ItemText(popup, 5), L"MENUSTR_HELP_PAGE");  // in neither file
}

TEST_F(MenuTest, SubMenusAtEveryDepthAreLocalised) {
    manager.LocalizeMenu(popup);
    EXPECT_EQ(ItemText(timer, 0), L"In &10 minutes\tF10");
    EXPECT_EQ(ItemText(timer, 1), L"Deeper");
    EXPECT_EQ(ItemText(deep, 0), L"In &10 minutes\tF10");
    EXPECT_EQ(ItemText(deepest, 0), L"Deepest\\n\tend");  // only \t is a sequence here
    EXPECT_EQ(ItemText(etc, 0), L"MENUSTR_SHUTDOWN");
}

TEST_F(MenuTest, IdsSubMenuHandlesAndSeparatorsAreKept) {
    manager.LocalizeMenu(popup);
    EXPECT_EQ(GetMenuItemID(popup, 0), 32773u);
    EXPECT_EQ(GetMenuItemID(popup, 1), 32775u);
    EXPECT_EQ(GetSubMenu(popup, 2), timer);
    EXPECT_EQ(GetMenuItemID(popup, 2), static_cast<UINT>(-1));
    EXPECT_EQ(GetSubMenu(popup, 4), etc);
    EXPECT_EQ(GetMenuItemID(popup, 5), 32787u);
    EXPECT_EQ(GetSubMenu(timer, 1), deep);
    EXPECT_EQ(GetSubMenu(deep, 1), deepest);
    EXPECT_EQ(GetMenuItemID(deepest, 0), 501u);
    EXPECT_EQ(GetMenuItemID(etc, 0), 32788u);

    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoW(popup, 3, TRUE, &info));
    EXPECT_TRUE(info.fType & MFT_SEPARATOR);
}

TEST_F(MenuTest, SecondPassChangesOnlyTextsThatAreKeysThemselves) {
    manager.LocalizeMenu(popup);
    manager.LocalizeMenu(popup);
    EXPECT_EQ(ItemText(popup, 0), L"Herunter&fahren");
    EXPECT_EQ(ItemText(popup, 2), L"&Timed shutdown");
    EXPECT_EQ(ItemText(etc, 0), L"Herunter&fahren");  // "MENUSTR_SHUTDOWN" was looked up again
    EXPECT_EQ(GetSubMenu(popup, 2), timer);
    EXPECT_EQ(GetMenuItemID(etc, 0), 32788u);
}

TEST_F(MenuTest, NothingLoadedKeepsEveryKey) {
    manager.Load(dir.File("none.ini"), dir.File("none-either.ini"), L"");
    manager.LocalizeMenu(popup);
    EXPECT_EQ(ItemText(popup, 0), L"MENUSTR_SHUTDOWN");
    EXPECT_EQ(ItemText(timer, 0), L"MENUSTR_SHUTDOWN_10M");
}

TEST_F(MenuTest, FailedHeaderLoadStillLocalises) {
    EXPECT_EQ(manager.Load(chosen, english, dir.File("missing.h")), 0);
    manager.LocalizeMenu(popup);
    EXPECT_EQ(ItemText(popup, 0), L"Herunter&fahren");
}

TEST_F(MenuTest, EmptyOrInvalidMenusAreLeftAlone) {
    HMENU empty = CreatePopupMenu();
    manager.LocalizeMenu(empty);
    EXPECT_EQ(GetMenuItemCount(empty), 0);
    DestroyMenu(empty);
    manager.LocalizeMenu(nullptr);
    manager.LocalizeMenu(reinterpret_cast<HMENU>(static_cast<UINT_PTR>(0x7777)));
}

TEST_F(MenuTest, MenuBarWithPopups) {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, 9, L"MENUSTR_LOGOUT");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"MENUSTR_ETC");
    manager.LocalizeMenu(bar);
    EXPECT_EQ(ItemText(bar, 0), L"W&eitere");
    EXPECT_EQ(GetSubMenu(bar, 0), file);
    EXPECT_EQ(ItemText(file, 0), L"&Log off");
    EXPECT_EQ(GetMenuItemID(file, 0), 9u);
    DestroyMenu(bar);
}

TEST_F(MenuTest, KeysAreReadUpTo1023Characters) {
    const std::wstring longKey(1100, L'K');
    const std::wstring file = dir.Write("Long.ini", "[MENU]\n" + std::string(1023, 'K') + "=found by its first 1023\n");
    manager.Load(file, L"", L"");
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 5, longKey.c_str());
    manager.LocalizeMenu(menu);
    EXPECT_EQ(ItemText(menu, 0), L"found by its first 1023");
    DestroyMenu(menu);
}

}  // namespace
