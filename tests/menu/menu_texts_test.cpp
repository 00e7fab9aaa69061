// Menu 109 as the program carries it, and its texts once localised: loaded
// from Quietfall.exe as a data file and localised in this process, since
// another process's menu cannot be read under Wine.
#include <gtest/gtest.h>

#include <string>

#include "localisation/language_manager.h"
#include "resources/resource.h"
#include "tests/support/harness.h"

using namespace qf_test;

namespace {

struct Entry {
    const wchar_t* key;
    UINT id;       // 0 for separators and sub-menus
    bool subMenu;
};

const Entry kPopup[] = {
    {L"MENUSTR_SHUTDOWN", IDM_SHUTDOWN, false}, {L"MENUSTR_LOGOUT", IDM_LOGOFF, false},
    {L"MENUSTR_RESTART", IDM_RESTART, false},   {L"MENUSTR_TIMER", 0, true},
    {nullptr, 0, false},                        {L"MENUSTR_ETC", 0, true},
    {L"MENUSTR_HELP_PAGE", IDM_HELP_PAGE, false},
};
const Entry kTimer[] = {
    {L"MENUSTR_SHUTDOWN_10M", IDM_SHUTDOWN_10M, false},
    {L"MENUSTR_SHUTDOWN_30M", IDM_SHUTDOWN_30M, false},
    {L"MENUSTR_SHUTDOWN_60M", IDM_SHUTDOWN_60M, false},
    {L"MENUSTR_SHUTDOWN_120M", IDM_SHUTDOWN_120M, false},
};
const Entry kEtc[] = {
    {L"MENUSTR_HIBERNATE", IDM_HIBERNATE, false},
    {L"MENUSTR_SUSPEND", IDM_SUSPEND, false},
};

struct Item {
    UINT type = 0;
    UINT state = 0;
    UINT id = 0;
    HMENU subMenu = nullptr;
    std::wstring text;
};

Item ItemAt(HMENU menu, int position) {
    wchar_t text[256] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 256;
    Item item;
    if (GetMenuItemInfoW(menu, position, TRUE, &info)) {
        item.type = info.fType;
        item.state = info.fState;
        item.id = info.wID;
        item.subMenu = info.hSubMenu;
        item.text = text;
    }
    return item;
}

class MenuResource : public testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW((BinDir() + L"Quietfall.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr);
        menu_ = LoadMenuW(module_, MAKEINTRESOURCEW(IDR_ACTIONMENU));
        ASSERT_NE(menu_, nullptr);
        popup_ = GetSubMenu(menu_, 0);
        ASSERT_NE(popup_, nullptr);
    }
    void TearDown() override {
        if (menu_)
            DestroyMenu(menu_);
        if (module_)
            FreeLibrary(module_);
        g_languageManager.Reset();
    }

    // Checks the entries' kinds, ids and sub-menus, and their texts: the
    // key itself, or what `text` gives for it.
    template <size_t N, class TextOf>
    void ExpectEntries(HMENU menu, const Entry (&entries)[N], TextOf text) {
        ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(N));
        for (size_t i = 0; i < N; ++i) {
            SCOPED_TRACE(testing::Message() << "position " << i);
            const Item item = ItemAt(menu, static_cast<int>(i));
            if (!entries[i].key) {
                EXPECT_TRUE(item.type & MFT_SEPARATOR);
                continue;  // a separator always reports itself disabled
            }
            EXPECT_EQ(item.state, 0u) << "nothing greyed, checked or default in the resource";
            EXPECT_FALSE(item.type & MFT_SEPARATOR);
            EXPECT_EQ(item.text, text(entries[i].key));
            EXPECT_EQ(item.subMenu != nullptr, entries[i].subMenu);
            if (!entries[i].subMenu) {
                EXPECT_EQ(item.id, entries[i].id);
            }
        }
    }

    HMODULE module_ = nullptr;
    HMENU menu_ = nullptr;
    HMENU popup_ = nullptr;
};

std::wstring Same(const wchar_t* key) { return key; }

TEST_F(MenuResource, BarHasOnePopupCaptionedFile) {
    ASSERT_EQ(GetMenuItemCount(menu_), 1);
    const Item bar = ItemAt(menu_, 0);
    EXPECT_EQ(bar.text, L"&File");
    EXPECT_EQ(bar.subMenu, popup_);
}

TEST_F(MenuResource, EntriesCarryKeysAndCommandIds) {
    ExpectEntries(popup_, kPopup, Same);
    ExpectEntries(GetSubMenu(popup_, 3), kTimer, Same);
    ExpectEntries(GetSubMenu(popup_, 5), kEtc, Same);
}

TEST_F(MenuResource, EnglishTextsReplaceTheKeysAndKeepIdsAndSubMenus) {
    ASSERT_EQ(g_languageManager.Load(L"", BinDir() + L"lang\\English.ini", L""), 1);
    g_languageManager.LocalizeMenu(popup_);
    auto english = [](const wchar_t* key) { return g_languageManager.MenuText(key); };
    // A key without English text would keep its key, which differs from "".
    EXPECT_EQ(english(L"MENUSTR_SHUTDOWN"), L"&Shut down");
    ExpectEntries(popup_, kPopup, english);
    ExpectEntries(GetSubMenu(popup_, 3), kTimer, english);
    ExpectEntries(GetSubMenu(popup_, 5), kEtc, english);
}

TEST_F(MenuResource, AnotherLanguageFileGivesItsTextsWithEnglishForTheRest) {
    const std::wstring dir = MakeTempDir(L"menulang");
    ASSERT_FALSE(dir.empty());
    const std::wstring path = dir + L"Testish.ini";
    const std::wstring content =
        L"\xFEFF[MENU]\r\nMENUSTR_SHUTDOWN=&Abschalten\r\nMENUSTR_TIMER=&Zeitschaltung\\tT\r\n"
        L"MENUSTR_SUSPEND=&Schlummern\r\n";
    ASSERT_TRUE(WriteFileBytes(path, std::string(reinterpret_cast<const char*>(content.data()),
                                                 content.size() * sizeof(wchar_t))));
    ASSERT_EQ(g_languageManager.Load(path, BinDir() + L"lang\\English.ini", L""), 1);
    g_languageManager.LocalizeMenu(popup_);
    RemoveTree(dir);

    EXPECT_EQ(ItemAt(popup_, 0).text, L"&Abschalten");
    EXPECT_EQ(ItemAt(popup_, 0).id, static_cast<UINT>(IDM_SHUTDOWN));
    EXPECT_EQ(ItemAt(popup_, 1).text, g_languageManager.MenuText(L"MENUSTR_LOGOUT"));
    EXPECT_EQ(ItemAt(popup_, 1).text, L"&Log off");
    EXPECT_EQ(ItemAt(popup_, 3).text, L"&Zeitschaltung\tT");
    EXPECT_NE(ItemAt(popup_, 3).subMenu, nullptr);
    HMENU etc = GetSubMenu(popup_, 5);
    EXPECT_EQ(ItemAt(etc, 1).text, L"&Schlummern");
    EXPECT_EQ(ItemAt(etc, 1).id, static_cast<UINT>(IDM_SUSPEND));
    EXPECT_EQ(ItemAt(etc, 0).text, L"&Hibernate");
}

}  // namespace
