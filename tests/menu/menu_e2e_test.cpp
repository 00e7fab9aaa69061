// The action menu end to end: the real program under Wine in the virtual
// display, used from outside with posted keys and real mouse clicks, its
// calls read from the relay trace and its power capabilities given by the
// stand-in power library beside it.
#include <gtest/gtest.h>

#include <regex>

#include "localisation/language_manager.h"
#include "resources/resource.h"
#include "tests/menu/menu_session.h"

using namespace qf_test;
using namespace qf_menu_test;

namespace {

constexpr int kCursorX = 211;
constexpr int kCursorY = 173;

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::function<void(Program&, HWND)> Keys(std::initializer_list<UINT> keys) {
    std::vector<UINT> list(keys);
    return [list](Program&, HWND menu) {
        Sleep(200);
        for (UINT key : list)
            PostKeys(menu, {key});
    };
}

std::string FirstArg(const std::string& args) { return args.substr(0, args.find(',')); }

// The privilege is enabled before the action, and the action is the last
// thing done.
void ExpectPrivilegeBefore(const Outcome& outcome, const std::string& action) {
    const int menu = IndexOf(outcome.calls, "TrackPopupMenu");
    const int token = IndexOf(outcome.calls, "OpenProcessToken");
    const int lookup = IndexOf(outcome.calls, "LookupPrivilegeValueW");
    const int adjust = IndexOf(outcome.calls, "AdjustTokenPrivileges");
    ASSERT_GE(menu, 0);
    EXPECT_GT(token, menu);
    EXPECT_GT(lookup, token);
    EXPECT_GT(adjust, lookup);
    if (!action.empty()) {
        const int act = IndexOf(outcome.calls, action);
        if (act >= 0) {
            EXPECT_GT(act, adjust);
        }
    }
    const auto lookups = ArgsOf(outcome.calls, "LookupPrivilegeValueW");
    ASSERT_FALSE(lookups.empty());
    EXPECT_NE(lookups[0].find("L\"SeShutdownPrivilege\""), std::string::npos);
}

class ActionMenu : public testing::Test {
protected:
    static void SetUpTestSuite() {
        SetRelayInclude(TracedFunctions());
        UseStandInPowerLibrary(true);
        sandbox_ = new MenuSandbox;
    }
    static void TearDownTestSuite() {
        delete sandbox_;
        sandbox_ = nullptr;
        UseStandInPowerLibrary(false);
    }
    void SetUp() override {
        ASSERT_TRUE(sandbox_->Ready()) << "Quietfall.exe, lang\\English.ini or stubs\\powrprof.dll missing";
        PlacePointer();
    }

    // The pointer is put where the menu should open before the program starts.
    static void PlacePointer() {
        SetCursorPos(kCursorX, kCursorY);
        MoveMouse(kCursorX, kCursorY);
        Sleep(100);
    }

    static Outcome Run(const std::wstring& power, const std::function<void(Program&, HWND)>& drive,
                       const std::wstring& tail = L"",
                       const std::function<void(Program&, HWND)>& onDialog = nullptr) {
        Outcome outcome = sandbox_->Run(power, drive, tail, onDialog);
        EXPECT_TRUE(outcome.started);
        EXPECT_TRUE(outcome.exited) << "the program did not end by itself";
        EXPECT_EQ(outcome.exitCode, 0u);
        EXPECT_FALSE(outcome.leftWindows) << "a menu stayed on screen";
        if (tail.empty()) {
            EXPECT_TRUE(outcome.menuShown);
        }
        return outcome;
    }

    static MenuSandbox* sandbox_;
};
MenuSandbox* ActionMenu::sandbox_ = nullptr;

TEST_F(ActionMenu, OpensAtTheCursorInItsOrderAndEscapeDoesNothing) {
    Outcome o = Run(L"", Keys({VK_ESCAPE}));
    EXPECT_EQ(o.menuRect.left, kCursorX);
    EXPECT_EQ(o.menuRect.top, kCursorY);
    EXPECT_EQ(CountActions(o), 0u);

    const auto& c = o.calls;
    int create = -1;
    std::string createArgs;
    for (size_t i = 0; i < c.size(); ++i) {
        if (Matches(c[i], "user32.CreateWindowExW") && c[i].args.find("L\"Quietfall\"") != std::string::npos) {
            create = static_cast<int>(i);
            createArgs = c[i].args;
            break;
        }
    }
    const int focus = IndexOf(c, "SetFocus");
    const int load = IndexOf(c, "LoadMenuW");
    const int sub = IndexOf(c, "GetSubMenu", load < 0 ? 0 : load);
    const int cursor = IndexOf(c, "GetCursorPos", sub < 0 ? 0 : sub);
    const int modify = IndexOf(c, "ModifyMenuW");
    const int track = IndexOf(c, "TrackPopupMenu");
    const int destroyMenu = IndexOf(c, "DestroyMenu", track < 0 ? 0 : track);
    // (Calls into the stand-in, a native DLL, are not in the relay trace.)
    ASSERT_GE(create, 0);
    ASSERT_GT(focus, create);
    ASSERT_GT(load, focus);
    ASSERT_GT(sub, load);
    ASSERT_GT(cursor, sub);
    ASSERT_GT(modify, cursor) << "the cursor is read before the texts are localised";
    ASSERT_GT(track, modify);
    ASSERT_GT(destroyMenu, track);

    // Hidden owner: no extended style, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN
    // | WS_CLIPSIBLINGS without WS_VISIBLE, at 0,0 with no size, no parent,
    // menu or creation data, the program's own module.
    EXPECT_TRUE(std::regex_match(
        createArgs, std::regex("00000000,0000[0-9a-f]{4},[0-9a-f]{8} L\"Quietfall\",06cf0000,00000000,00000000,"
                               "00000000,00000000,00000000,00000000," + std::string(kImageBaseArg) + ",00000000")))
        << createArgs;
    const std::string owner = FirstArg(c[focus].args);
    EXPECT_EQ(c[load].args, std::string(kImageBaseArg) + ",0000006d");
    const std::string wholeMenu = FirstArg(c[sub].args);
    EXPECT_EQ(c[sub].args, wholeMenu + ",00000000");
    EXPECT_EQ(c[track].args.substr(9), "00000102," + Hex(kCursorX) + "," + Hex(kCursorY) + ",00000000," + owner +
                                           ",00000000");
    EXPECT_NE(FirstArg(c[track].args), wholeMenu);
    EXPECT_EQ(c[destroyMenu].args, wholeMenu) << "the whole menu is destroyed";
    const int destroyWindow = IndexOf(c, "DestroyWindow", destroyMenu);
    ASSERT_GT(destroyWindow, destroyMenu);
    EXPECT_EQ(c[destroyWindow].args, owner);
    // Wine reports hibernation and S1 here: nothing is greyed.
    EXPECT_TRUE(ArgsOf(c, "EnableMenuItem").empty());
    ExpectPrivilegeBefore(o, "");
}

struct ImmediateCase {
    const char* name;
    std::initializer_list<UINT> keys;
    const char* function;  // relay function, or null for the stand-in's record
    const char* args;
};

TEST_F(ActionMenu, EveryImmediateItemCarriesOutItsCommand) {
    const ImmediateCase cases[] = {
        {"shut down", {VK_DOWN, VK_RETURN}, "ExitWindowsEx", "00000008,00000000"},
        {"log off", {VK_DOWN, VK_DOWN, VK_RETURN}, "ExitWindowsEx", "00000000,00000000"},
        {"restart", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, "ExitWindowsEx", "00000002,00000000"},
        {"hibernate", {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN}, nullptr,
         "SetSuspendState 1,0,1\n"},
        {"suspend", {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}, nullptr,
         "SetSuspendState 0,0,0\n"},
    };
    for (const ImmediateCase& item : cases) {
        SCOPED_TRACE(item.name);
        PlacePointer();
        Outcome o = Run(L"", Keys(item.keys));
        EXPECT_EQ(CountActions(o), 1u);
        if (item.function) {
            EXPECT_EQ(ArgsOf(o.calls, item.function), std::vector<std::string>{item.args});
            ExpectPrivilegeBefore(o, item.function);
        } else {
            EXPECT_EQ(o.powerLog, item.args);
            ExpectPrivilegeBefore(o, "");
        }
    }
}

TEST_F(ActionMenu, HelpItemOpensTheHelpPage) {
    Outcome o = Run(L"", Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}));
    const auto shell = ArgsOf(o.calls, "ShellExecuteW");
    ASSERT_EQ(shell.size(), 1u);
    EXPECT_TRUE(std::regex_match(shell[0], std::regex("00000000,[0-9a-f]{8} L\"open\",[0-9a-f]{8} L\"https?://[^\"]+\","
                                                      "00000000,00000000,00000001")))
        << shell[0];
    EXPECT_EQ(CountActions(o), 1u);
    ExpectPrivilegeBefore(o, "ShellExecuteW");
}

struct TimerCase {
    int downs;
    const wchar_t* shown[2];  // what the countdown shows right after it opens
};

TEST_F(ActionMenu, TimerItemsReachTheCountdown) {
    const TimerCase cases[] = {
        {0, {L"00:10:00", L"00:09:5"}},
        {1, {L"00:30:00", L"00:29:5"}},
        {2, {L"01:00:00", L"00:59:5"}},
        {3, {L"02:00:00", L"01:59:5"}},
    };
    for (const TimerCase& timer : cases) {
        SCOPED_TRACE(testing::Message() << "timer item " << timer.downs + 1);
        PlacePointer();
        auto drive = [&](Program&, HWND menu) {
            Sleep(200);
            PostKeys(menu, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT});
            for (int i = 0; i < timer.downs; ++i)
                PostKeys(menu, {VK_DOWN});
            PostKeys(menu, {VK_RETURN});
        };
        bool dialogShown = false;
        bool timeShown = false;
        auto onDialog = [&](Program&, HWND dialog) {
            dialogShown = true;
            for (const std::wstring& text : ChildTexts(dialog))
                for (const wchar_t* expected : timer.shown)
                    timeShown |= text.find(expected) != std::wstring::npos;
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        };
        Outcome o = Run(L"", drive, L"", onDialog);
        // A timer command asks for the active window to own the countdown;
        // no other command does.
        const int track = IndexOf(o.calls, "TrackPopupMenu");
        ASSERT_GE(track, 0);
        EXPECT_GT(IndexOf(o.calls, "GetActiveWindow", track), track);
        if (dialogShown) {
            EXPECT_TRUE(timeShown) << "the countdown does not show the chosen time";
        }
        // Cancelled (or not yet able to open): nothing is carried out.
        EXPECT_EQ(CountActions(o), 0u);
        ExpectPrivilegeBefore(o, "");
    }
}

// Waits for a click to close the menu; when it stays open the click never
// arrived, and the menu is closed with Escape so the program still ends.
bool ClickArrived(Program& program, HWND menu) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 3000) {
        if (!IsWindow(menu) || !IsWindowVisible(menu) || !program.Running())
            return true;
        Sleep(50);
    }
    PostKeys(menu, {VK_ESCAPE, VK_ESCAPE, VK_ESCAPE});
    return false;
}

const char kClicksIgnored[] =
    "the clicks did not reach the menu of the program under test";

TEST_F(ActionMenu, ClickOutsideClosesTheMenuWithNothingDone) {
    bool arrived = true;
    Outcome o = Run(L"", [&](Program& program, HWND menu) {
        Sleep(300);
        const RECT r = WindowRect(menu);
        ClickAt(r.right + 300, r.bottom + 200);
        arrived = ClickArrived(program, menu);
    });
    if (!arrived)
        FAIL() << kClicksIgnored;
    EXPECT_EQ(CountActions(o), 0u);
    EXPECT_LT(IndexOf(o.calls, "GetActiveWindow", std::max(0, IndexOf(o.calls, "TrackPopupMenu"))), 0);
}

// --- Mouse ----------------------------------------------------------------

// Where the items lie when the menu opens at the test's cursor point, taken
// from the same resource and English texts shown in this process.
PopupLayout MeasureActionMenu(const std::wstring& exe) {
    PopupLayout layout;
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return layout;
    HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(IDR_ACTIONMENU));
    if (menu) {
        g_languageManager.Load(L"", BinDir() + L"lang\\English.ini", L"");
        HMENU popup = GetSubMenu(menu, 0);
        g_languageManager.LocalizeMenu(popup);
        layout = MeasurePopup(popup, {kCursorX, kCursorY});
        DestroyMenu(menu);
    }
    FreeLibrary(module);
    return layout;
}

struct ClickCase {
    const char* name;
    int item;
    int subItem;  // -1: the item itself
    const char* function;
    const char* args;
};

TEST_F(ActionMenu, MouseClicksChooseItems) {
    const PopupLayout layout = MeasureActionMenu(sandbox_->Exe());
    ASSERT_EQ(layout.items.size(), 7u);
    const int itemHeight = layout.items[0].bottom - layout.items[0].top;
    const int topBorder = layout.items[0].top - layout.window.top;
    ASSERT_GT(itemHeight, 4);

    const ClickCase cases[] = {
        {"shut down", 0, -1, "ExitWindowsEx", "00000008,00000000"},
        {"restart", 2, -1, "ExitWindowsEx", "00000002,00000000"},
        {"30 minutes", 3, 1, "GetActiveWindow", nullptr},
        {"suspend", 5, 1, nullptr, "SetSuspendState 0,0,0\n"},
        {"help", 6, -1, "ShellExecuteW", nullptr},
    };
    for (const ClickCase& item : cases) {
        SCOPED_TRACE(item.name);
        PlacePointer();
        bool subMenuShown = true;
        bool clicksArrived = true;
        Outcome o = Run(L"", [&](Program& program, HWND menu) {
            Sleep(300);
            // The menu opened where the layout was measured.
            const RECT r = WindowRect(menu);
            const int dx = r.left - layout.window.left;
            const int dy = r.top - layout.window.top;
            const POINT p = CentreOf(layout.items[item.item], dx, dy);
            ClickAt(p.x, p.y);
            if (item.subItem < 0) {
                clicksArrived = ClickArrived(program, menu);
                return;
            }
            std::vector<HWND> menus = WaitForWindows(program.ProcessId(), L"#32768", 2, 3000);
            subMenuShown = menus.size() >= 2;
            if (!subMenuShown) {
                clicksArrived = false;
                PostKeys(menu, {VK_ESCAPE, VK_ESCAPE});
                return;
            }
            HWND subMenu = menus[0] == menu ? menus[1] : menus[0];
            const RECT s = WindowRect(subMenu);
            ClickAt((s.left + s.right) / 2, s.top + topBorder + itemHeight * item.subItem + itemHeight / 2);
        });
        if (!clicksArrived)
            FAIL() << kClicksIgnored;
        EXPECT_TRUE(subMenuShown);
        if (item.function && item.args) {
            EXPECT_EQ(ArgsOf(o.calls, item.function), std::vector<std::string>{item.args});
        } else if (item.function) {
            EXPECT_EQ(ArgsOf(o.calls, item.function).size(), 1u);
        } else {
            EXPECT_EQ(o.powerLog, item.args);
        }
    }
}

// --- Greying, with capabilities from the stand-in --------------------------

std::vector<std::string> Greyed(const Outcome& o) {
    std::vector<std::string> ids;
    const int track = IndexOf(o.calls, "TrackPopupMenu");
    const std::string popup = track >= 0 ? FirstArg(o.calls[track].args) : "";
    for (const std::string& args : ArgsOf(o.calls, "EnableMenuItem")) {
        EXPECT_EQ(FirstArg(args), popup) << "greyed in the popup that is shown";
        ids.push_back(args.substr(9));
    }
    return ids;
}

TEST_F(ActionMenu, WithoutHibernationFileHibernateIsGreyAndCannotBeChosen) {
    Outcome o = Run(L"hiber=0;s4=1", Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN}));
    EXPECT_EQ(Greyed(o), std::vector<std::string>{"00008014,00000003"});
    EXPECT_EQ(CountActions(o), 0u);

    // The switch still acts: the capability test belongs to the menu.
    Outcome direct = Run(L"hiber=0", nullptr, L"/hibernate");
    EXPECT_EQ(direct.powerLog, "SetSuspendState 1,0,1\n");
    EXPECT_TRUE(ArgsOf(direct.calls, "EnableMenuItem").empty());
}

TEST_F(ActionMenu, OneSleepStateKeepsSuspend) {
    for (const wchar_t* power : {L"s1=1;s2=0;s3=0", L"s1=0;s2=1;s3=0", L"s1=0;s2=0;s3=1"}) {
        SCOPED_TRACE(Narrow(power));
        PlacePointer();
        Outcome o = Run(power, Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}));
        EXPECT_TRUE(Greyed(o).empty());
        EXPECT_EQ(o.powerLog, "SetSuspendState 0,0,0\n");
    }
}

TEST_F(ActionMenu, WithoutSleepStatesSuspendIsGreyAndCannotBeChosen) {
    Outcome o = Run(L"s1=0;s2=0;s3=0;s4=1",
                    Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN}));
    EXPECT_EQ(Greyed(o), std::vector<std::string>{"00008016,00000003"});
    EXPECT_EQ(CountActions(o), 0u);
}

TEST_F(ActionMenu, FailedCapabilityQueryGreysBoth) {
    Outcome o = Run(L"fail=1", Keys({VK_ESCAPE}));
    EXPECT_EQ(Greyed(o), (std::vector<std::string>{"00008014,00000003", "00008016,00000003"}));
    EXPECT_EQ(CountActions(o), 0u);
}

}  // namespace
