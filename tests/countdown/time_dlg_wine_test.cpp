// The real countdown dialog, run modally in this process from template 129
// and driven from inside its own modal loop: a thread timer runs the steps
// of a test one after another, and a watchdog ends the dialog with
// kWatchdogResult should a step fail to end it, so no test can hang.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "countdown/countdown_math.h"
#include "countdown/time_dlg.h"
#include "framework/thunk.h"
#include "localisation/language_manager.h"
#include "localisation/language_setup.h"
#include "tests/support/harness.h"

namespace {

constexpr INT_PTR kWatchdogResult = 77;
constexpr int kMessageLine = -1;

using Step = std::function<void(HWND)>;

struct Drive {
    CTimeDlg* dialog = nullptr;
    std::vector<Step> steps;
    size_t next = 0;
    DWORD started = 0;
    DWORD limitMs = 0;
    bool watchdogFired = false;
};
Drive g_drive;

void CALLBACK DriveTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = g_drive.dialog ? g_drive.dialog->m_hWnd : nullptr;
    if (!dialog || !IsWindowVisible(dialog))
        return;
    if (GetTickCount() - g_drive.started > g_drive.limitMs) {
        g_drive.watchdogFired = true;
        EndDialog(dialog, kWatchdogResult);
        return;
    }
    if (g_drive.next < g_drive.steps.size())
        g_drive.steps[g_drive.next++](dialog);
}

// Runs the dialog; each step gets the dialog window, one every 30 ms.
INT_PTR RunDriven(CTimeDlg& dialog, std::vector<Step> steps, HWND owner = nullptr, DWORD limitMs = 4000) {
    g_drive = Drive{};
    g_drive.dialog = &dialog;
    g_drive.steps = std::move(steps);
    g_drive.started = GetTickCount();
    g_drive.limitMs = limitMs;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, DriveTimer);
    INT_PTR result = dialog.RunModal(owner);
    KillTimer(nullptr, timer);
    g_drive.dialog = nullptr;
    return result;
}

std::wstring TextOf(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
    return text;
}

MONITORINFO WorkInfo() {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    return info;
}

std::wstring Line(HWND dialog) { return TextOf(GetDlgItem(dialog, kMessageLine)); }
std::wstring Text(const wchar_t* key) { return g_languageManager.GetText(key); }
std::wstring Shutdown(const wchar_t* time) { return Text(L"TEXT_METHOD_SHUDOWN") + L" " + time; }

void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void Tick(HWND dialog) { SendMessageW(dialog, WM_TIMER, CTimeDlg::kTickTimerId, 0); }
void Cancel(HWND dialog) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }
Step Cancelling() { return [](HWND d) { Cancel(d); }; }

class LanguageEnvironment : public ::testing::Environment {
public:
    // The dialog reads its texts from the language files beside the test.
    void SetUp() override { SetupLanguage(); }
};
const auto* const g_language = ::testing::AddGlobalTestEnvironment(new LanguageEnvironment);

}  // namespace

TEST(TimeDlg, TextsComeFromTheLanguageFile) {
    // The delivered English file is beside the tests: real texts, not the
    // fixed text of a missing file.
    ASSERT_TRUE(g_languageManager.IsLoaded()) << "lang\\English.ini missing beside the test";
    EXPECT_EQ(Text(L"APP_TITLE"), L"Quietfall");
    EXPECT_EQ(Text(L"TEXT_METHOD_SHUDOWN"), L"Shut down in");

    CTimeDlg dialog;
    for (int i = 0; i < 5; ++i)
        EXPECT_NE(dialog.m_methodText[i], nullptr);
    EXPECT_EQ(dialog.m_methodText[0], g_languageManager.GetText(L"TEXT_METHOD_SHUDOWN"));
    EXPECT_EQ(dialog.m_methodText[4], g_languageManager.GetText(L"TEXT_METHOD_SUSPEND"));
    EXPECT_NE(dialog.m_hIcon, nullptr);
    EXPECT_EQ(dialog.m_nRemain, 0);
    EXPECT_EQ(dialog.m_nMethod, 0);

    dialog.m_nRemain = 600;
    INT_PTR result = RunDriven(dialog, {[&](HWND d) {
        EXPECT_EQ(TextOf(d), L"Quietfall");
        EXPECT_EQ(TextOf(GetDlgItem(d, IDCANCEL)), L"Cancel");
        EXPECT_EQ(TextOf(GetDlgItem(d, IDC_STATIC_HOMEPAGE)), L"Home page");
        EXPECT_EQ(Line(d), L"Shut down in 00:10:00");
        EXPECT_EQ(TextOf(GetDlgItem(d, IDC_BUTTON_PLUS)), L"+");
        EXPECT_EQ(TextOf(GetDlgItem(d, IDC_BUTTON_MINUS)), L"-");
        // The link took over control 1000 with the home page's URL and text.
        EXPECT_EQ(dialog.m_link.m_hWnd, GetDlgItem(d, IDC_STATIC_HOMEPAGE));
        EXPECT_EQ(dialog.m_link.m_strUrl, Text(L"URL_HOME"));
        EXPECT_EQ(dialog.m_link.m_strText, L"Home page");
        EXPECT_EQ(dialog.m_hCombo, GetDlgItem(d, IDC_COMBO_METHOD));
        // Both caption icons are icon 107.
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(d, WM_GETICON, ICON_BIG, 0)), dialog.m_hIcon);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(d, WM_GETICON, ICON_SMALL, 0)), dialog.m_hIcon);
        Cancel(d);
    }});
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(g_drive.watchdogFired);
}

TEST(TimeDlg, OneTickCountsDownOneSecond) {
    CTimeDlg dialog;
    dialog.m_nRemain = 600;
    INT_PTR result = RunDriven(dialog, {[](HWND d) {
        EXPECT_EQ(Line(d), Shutdown(L"00:10:00"));
        Tick(d);
        EXPECT_EQ(Line(d), Shutdown(L"00:09:59"));
        // Any timer id is a tick.
        SendMessageW(d, WM_TIMER, 4711, 0);
        EXPECT_EQ(Line(d), Shutdown(L"00:09:58"));
        Cancel(d);
    }});
    EXPECT_EQ(result, 2);
    EXPECT_EQ(dialog.m_nRemain, 598);
}

TEST(TimeDlg, ClockFormats) {
    CTimeDlg dialog;
    dialog.m_nRemain = 360000;
    RunDriven(dialog, {[&](HWND d) {
        EXPECT_EQ(Line(d), Shutdown(L"100:00:00"));
        dialog.m_nRemain = 3726;
        Tick(d);
        EXPECT_EQ(Line(d), Shutdown(L"01:02:05"));
        Cancel(d);
    }});
}

TEST(TimeDlg, PlusAndMinusSteps) {
    struct Case {
        int start, plus, minus;
    };
    for (Case c : {Case{600, 660, 540}, Case{7200, 7920, 6480}, Case{45, 105, 0}, Case{0, 60, 0}}) {
        SCOPED_TRACE(c.start);
        CTimeDlg dialog;
        dialog.m_nRemain = c.start;
        INT_PTR result = RunDriven(dialog, {[&](HWND d) {
            Click(d, IDC_BUTTON_PLUS);
            EXPECT_EQ(dialog.m_nRemain, c.plus);
            EXPECT_EQ(Line(d), countdown::MessageLine(dialog.m_lineText[0], c.plus));
            dialog.m_nRemain = c.start;
            Click(d, IDC_BUTTON_MINUS);
            EXPECT_EQ(dialog.m_nRemain, c.minus);
            EXPECT_EQ(Line(d), countdown::MessageLine(dialog.m_lineText[0], c.minus));
            Cancel(d);
        }});
        EXPECT_EQ(result, 2);
    }
}

TEST(TimeDlg, WheelStepsOneMinuteEitherWay) {
    CTimeDlg dialog;
    dialog.m_nRemain = 600;
    INT_PTR result = RunDriven(dialog, {[&](HWND d) {
        SendMessageW(d, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(10, 10));
        EXPECT_EQ(Line(d), Shutdown(L"00:11:00"));
        SendMessageW(d, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA * 3)), MAKELPARAM(10, 10));
        SendMessageW(d, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(10, 10));
        EXPECT_EQ(Line(d), Shutdown(L"00:09:00"));
        // A wheel message at the focused button travels up to the dialog.
        HWND focus = GetFocus();
        ASSERT_TRUE(focus && IsChild(d, focus));
        SendMessageW(focus, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(10, 10));
        EXPECT_EQ(dialog.m_nRemain, 600);
        dialog.m_nRemain = 30;
        SendMessageW(d, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
        EXPECT_EQ(dialog.m_nRemain, 0);
        EXPECT_EQ(Line(d), Shutdown(L"00:00:00"));
        EXPECT_TRUE(IsWindow(d));  // stays open until the next tick
        Cancel(d);
    }});
    EXPECT_EQ(result, 2);
}

TEST(TimeDlg, CountBroughtToZeroEndsOnTheNextTick) {
    CTimeDlg dialog;
    dialog.m_nRemain = 45;
    INT_PTR result = RunDriven(dialog, {
        [](HWND d) {
            Click(d, IDC_BUTTON_MINUS);
            EXPECT_EQ(Line(d), Shutdown(L"00:00:00"));
        },
        [](HWND d) {
            EXPECT_TRUE(IsWindowVisible(d)) << "\"-\" alone must not end the dialog";
            PostMessageW(d, WM_TIMER, CTimeDlg::kTickTimerId, 0);
        },
    });
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(g_drive.watchdogFired);
    EXPECT_EQ(dialog.m_nRemain, 0);
}

TEST(TimeDlg, LastTickShowsZeroAndEndsWithOne) {
    CTimeDlg dialog;
    dialog.m_nRemain = 1;
    std::wstring shown;
    INT_PTR result = RunDriven(dialog, {[&](HWND d) {
        Tick(d);
        shown = Line(d);
    }});
    EXPECT_EQ(result, 1);
    EXPECT_EQ(shown, Shutdown(L"00:00:00"));
}

TEST(TimeDlg, RealTimerTicksOncePerSecond) {
    CTimeDlg dialog;
    dialog.m_nRemain = 2;
    const DWORD start = GetTickCount();
    INT_PTR result = RunDriven(dialog, {}, nullptr, 6000);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(result, 1);
    EXPECT_GE(elapsed, 1800u);
    EXPECT_LE(elapsed, 4500u);
}

TEST(TimeDlg, SelectionChangeShowsTheNewNameAtOnce) {
    CTimeDlg dialog;
    dialog.m_nRemain = 600;
    INT_PTR result = RunDriven(dialog, {[&](HWND d) {
        HWND combo = GetDlgItem(d, IDC_COMBO_METHOD);
        EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
        // The user picks "restart": the list changes and tells the dialog.
        SendMessageW(combo, CB_SETCURSEL, 2, 0);
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_COMBO_METHOD, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        EXPECT_EQ(dialog.m_nMethod, kMethodRestart);
        EXPECT_EQ(Line(d), Text(L"TEXT_METHOD_RESTART") + L" 00:10:00");
        // With the keyboard: Up in the list moves to "log off".
        SetFocus(combo);
        SendMessageW(combo, WM_KEYDOWN, VK_UP, 0);
        EXPECT_EQ(dialog.m_nMethod, kMethodLogoff);
        EXPECT_EQ(Line(d), Text(L"TEXT_METHOD_LOGOUT") + L" 00:10:00");
        Cancel(d);
    }});
    EXPECT_EQ(result, 2);
    EXPECT_EQ(dialog.m_nMethod, kMethodLogoff);
}

TEST(TimeDlg, PresetMethodIsSelected) {
    CTimeDlg dialog;
    dialog.m_nRemain = 90;
    dialog.m_nMethod = kMethodRestart;
    RunDriven(dialog, {[](HWND d) {
        EXPECT_EQ(SendMessageW(GetDlgItem(d, IDC_COMBO_METHOD), CB_GETCURSEL, 0, 0), 2);
        EXPECT_EQ(Line(d), Text(L"TEXT_METHOD_RESTART") + L" 00:01:30");
        Cancel(d);
    }});
}

TEST(TimeDlg, ListFollowsThePowerGate) {
    CTimeDlg dialog;
    const bool gate = SystemPowerGatePasses();
    RunDriven(dialog, {[&](HWND d) {
        HWND combo = GetDlgItem(d, IDC_COMBO_METHOD);
        ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), gate ? 5 : 3);
        for (int i = 0; i < (gate ? 5 : 3); ++i) {
            wchar_t item[256] = {};
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            EXPECT_STREQ(item, dialog.m_methodText[i]) << i;  // in order, not sorted
        }
        Cancel(d);
    }});
    // Wine reports a hibernation file and S1, so the gate passes there.
    EXPECT_TRUE(gate);
}

TEST(TimeDlg, PowerGateRule) {
    EXPECT_TRUE(PowerGatePasses({true, true, false, false}));
    EXPECT_TRUE(PowerGatePasses({true, false, true, false}));
    EXPECT_TRUE(PowerGatePasses({true, false, false, true}));
    EXPECT_FALSE(PowerGatePasses({true, false, false, false}));
    EXPECT_FALSE(PowerGatePasses({false, true, true, true}));
    EXPECT_FALSE(PowerGatePasses({false, false, false, false}));  // a failed query
}

namespace {
void Key(HWND target, UINT key) {
    PostMessageW(target, WM_KEYDOWN, key, 0);
    PostMessageW(target, WM_KEYUP, key, 0);
}
// True inside Wine (its ntdll exports wine_get_version).
bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }
}  // namespace

TEST(TimeDlg, EnterOnCancelEndsWithTwo) {
    // Tab once round the four tab stops (Cancel, "+", "-", the list) back to
    // Cancel, then Enter: the dialog manager makes the focused push button
    // the default one, so Enter clicks Cancel.
    CTimeDlg dialog;
    dialog.m_nRemain = 600;
    // WM_INITDIALOG returned TRUE: the first tab stop, Cancel, has the focus.
    const int tabOrder[] = {IDCANCEL, IDC_BUTTON_PLUS, IDC_BUTTON_MINUS, IDC_COMBO_METHOD};
    std::vector<Step> steps;
    for (int id : tabOrder) {
        steps.push_back([id](HWND d) {
            EXPECT_EQ(GetFocus(), GetDlgItem(d, id)) << "control " << id;
            Key(GetFocus(), VK_TAB);
        });
    }
    steps.push_back([&](HWND d) {
        EXPECT_EQ(GetFocus(), GetDlgItem(d, IDCANCEL));
        EXPECT_EQ(dialog.m_nRemain, 600) << "Tab must not click anything";
        Key(GetFocus(), VK_RETURN);
    });
    INT_PTR result = RunDriven(dialog, std::move(steps));
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(g_drive.watchdogFired);
}

TEST(TimeDlg, EnterRightAfterOpeningCancels) {
    CTimeDlg dialog;
    dialog.m_nRemain = 600;
    bool wineWithoutDefault = false;
    INT_PTR result = RunDriven(dialog, {
        [&](HWND d) {
            HWND focus = GetFocus();
            EXPECT_EQ(focus, GetDlgItem(d, IDCANCEL));
            // Wine's dialog manager does not make the push button that gets
            // the initial focus the default one, so there Enter turns into
            // IDOK (which the dialog ignores) instead of clicking Cancel.
            if (UnderWine() && !(SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
                wineWithoutDefault = true;
                Cancel(d);
                return;
            }
            Key(focus, VK_RETURN);
        },
    });
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(g_drive.watchdogFired);
    if (wineWithoutDefault)
        GTEST_SKIP() << "Wine keeps IDOK as the default after the initial focus lands on Cancel";
}

TEST(TimeDlg, EscapeEndsWithTwo) {
    CTimeDlg dialog;
    dialog.m_nRemain = 600;
    INT_PTR result = RunDriven(dialog, {[](HWND d) { PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); (void)d; }});
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(g_drive.watchdogFired);
}

TEST(TimeDlg, CloseBoxEndsWithTwo) {
    CTimeDlg dialog;
    dialog.m_nRemain = 600;
    INT_PTR result = RunDriven(dialog, {[](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }});
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(g_drive.watchdogFired);
}

TEST(TimeDlg, OkAndEnterInTheListDoNothing) {
    CTimeDlg dialog;
    dialog.m_nRemain = 600;
    INT_PTR result = RunDriven(dialog, {
        [](HWND d) {
            SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            HWND combo = GetDlgItem(d, IDC_COMBO_METHOD);
            SetFocus(combo);
            PostMessageW(combo, WM_KEYDOWN, VK_RETURN, 0);
            PostMessageW(combo, WM_KEYUP, VK_RETURN, 0);
        },
        [](HWND) {},
        [](HWND d) {
            EXPECT_TRUE(IsWindowVisible(d));
            EXPECT_EQ(Line(d), Shutdown(L"00:10:00"));
            Cancel(d);
        },
    });
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(g_drive.watchdogFired);
}

TEST(TimeDlg, PlusAndWheelSaturate) {
    CTimeDlg dialog;
    dialog.m_nRemain = INT_MAX - 5;
    RunDriven(dialog, {[&](HWND d) {
        Click(d, IDC_BUTTON_PLUS);
        EXPECT_EQ(dialog.m_nRemain, countdown::kMaxRemainSeconds);
        EXPECT_EQ(Line(d), Shutdown(L"596523:14:07"));
        SendMessageW(d, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
        EXPECT_EQ(dialog.m_nRemain, INT_MAX);
        Click(d, IDC_BUTTON_PLUS);
        EXPECT_EQ(dialog.m_nRemain, INT_MAX);
        Tick(d);
        EXPECT_EQ(dialog.m_nRemain, INT_MAX - 1);
        Cancel(d);
    }});
}

TEST(TimeDlg, NegativeCountReadsZeroAndEndsOnTheFirstTick) {
    CTimeDlg dialog;
    dialog.m_nRemain = -5;
    std::wstring shown;
    INT_PTR result = RunDriven(dialog, {[&](HWND d) {
        shown = Line(d);
        Tick(d);
    }});
    EXPECT_EQ(shown, Shutdown(L"00:00:00"));
    EXPECT_EQ(result, 1);
}

TEST(TimeDlg, VeryLongActionNameIsShownWhole) {
    std::wstring name(20000, L'x');
    name += L"end";
    CTimeDlg dialog;
    dialog.m_lineText[0] = name.c_str();
    dialog.m_nRemain = 3725;
    INT_PTR result = RunDriven(dialog, {[&](HWND d) {
        std::wstring line = Line(d);
        EXPECT_EQ(line.size(), name.size() + 9);
        EXPECT_EQ(line, name + L" 01:02:05");
        Click(d, IDC_BUTTON_PLUS);
        EXPECT_EQ(Line(d), name + L" 01:08:17");
        Cancel(d);
    }});
    EXPECT_EQ(result, 2);
}

TEST(TimeDlg, MessageLineFontIsBoldAndLarger) {
    auto dialog = std::make_unique<CTimeDlg>();
    HFONT bold = nullptr;
    RunDriven(*dialog, {[&](HWND d) {
        ASSERT_EQ(dialog->m_fontList.size(), 1u);
        bold = dialog->m_fontList[0];
        EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageW(d, kMessageLine, WM_GETFONT, 0, 0)), bold);
        LOGFONTW big = {}, base = {};
        GetObjectW(bold, sizeof big, &big);
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(d, WM_GETFONT, 0, 0)), sizeof base, &base);
        EXPECT_EQ(big.lfWeight, FW_BOLD);
        EXPECT_LT(base.lfHeight, 0);
        EXPECT_EQ(big.lfHeight, base.lfHeight - 10);
        EXPECT_STREQ(big.lfFaceName, base.lfFaceName);
        Cancel(d);
    }});
    ASSERT_NE(bold, nullptr);
    EXPECT_EQ(GetObjectType(bold), static_cast<DWORD>(OBJ_FONT));
    HFONT underline = dialog->m_link.m_hUnderlineFont;
    EXPECT_NE(underline, nullptr);
    dialog.reset();  // the destructor deletes the fonts the dialog and its link made
    EXPECT_EQ(GetObjectType(bold), 0u);
    EXPECT_EQ(GetObjectType(underline), 0u);
}

TEST(TimeDlg, CentredOnTheWorkAreaWithoutOwner) {
    CTimeDlg dialog;
    RunDriven(dialog, {[](HWND d) {
        RECT r;
        GetWindowRect(d, &r);
        MONITORINFO info = WorkInfo();
        GetMonitorInfoW(MonitorFromWindow(d, MONITOR_DEFAULTTONEAREST), &info);
        countdown::Box area{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
        countdown::Position at = countdown::CentredPosition(area, area, r.right - r.left, r.bottom - r.top);
        EXPECT_EQ(r.left, at.x);
        EXPECT_EQ(r.top, at.y);
        EXPECT_NEAR((r.left + r.right) / 2, (info.rcWork.left + info.rcWork.right) / 2, 1);
        Cancel(d);
    }});
}

namespace {
HWND MakeOwner(int x, int y, int w, int h, int show) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, x, y, w, h, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ShowWindow(owner, show);
    qf_test::FlushEvents(50);
    return owner;
}
}  // namespace

TEST(TimeDlg, CentredOnAVisibleOwner) {
    HWND owner = MakeOwner(100, 120, 600, 400, SW_SHOWNOACTIVATE);
    ASSERT_NE(owner, nullptr);
    RECT o;
    GetWindowRect(owner, &o);
    CTimeDlg dialog;
    RunDriven(dialog, {[&](HWND d) {
        EXPECT_EQ(GetWindow(d, GW_OWNER), owner);
        RECT r;
        GetWindowRect(d, &r);
        EXPECT_EQ(r.left, (o.left + o.right) / 2 - (r.right - r.left) / 2);
        EXPECT_EQ(r.top, (o.top + o.bottom) / 2 - (r.bottom - r.top) / 2);
        Cancel(d);
    }}, owner);
    DestroyWindow(owner);
}

TEST(TimeDlg, OwnerPartlyOffScreenKeepsTheDialogInside) {
    HWND owner = MakeOwner(-300, -250, 400, 300, SW_SHOWNOACTIVATE);
    ASSERT_NE(owner, nullptr);
    CTimeDlg dialog;
    RunDriven(dialog, {[&](HWND d) {
        RECT r;
        GetWindowRect(d, &r);
        MONITORINFO info = WorkInfo();
        GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &info);
        EXPECT_EQ(r.left, info.rcWork.left);
        EXPECT_EQ(r.top, info.rcWork.top);
        Cancel(d);
    }}, owner);
    DestroyWindow(owner);
}

TEST(TimeDlg, MinimisedOwnerIsNoReference) {
    HWND owner = MakeOwner(0, 0, 300, 200, SW_SHOWMINNOACTIVE);
    ASSERT_NE(owner, nullptr);
    ASSERT_TRUE(IsIconic(owner));
    CTimeDlg dialog;
    RunDriven(dialog, {[&](HWND d) {
        RECT r;
        GetWindowRect(d, &r);
        MONITORINFO info = WorkInfo();
        GetMonitorInfoW(MonitorFromWindow(d, MONITOR_DEFAULTTONEAREST), &info);
        countdown::Box area{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
        countdown::Position at = countdown::CentredPosition(area, area, r.right - r.left, r.bottom - r.top);
        EXPECT_EQ(r.left, at.x);
        EXPECT_EQ(r.top, at.y);
        Cancel(d);
    }}, owner);
    DestroyWindow(owner);
}

TEST(TimeDlg, RunModalFailsWithoutThunkMemory) {
    CTimeDlg dialog;
    dialog.m_nRemain = 600;
    qf_framework::ForceThunkAllocationFailure(true);
    SetLastError(0);
    INT_PTR result = RunDriven(dialog, {Cancelling()});
    DWORD error = GetLastError();
    qf_framework::ForceThunkAllocationFailure(false);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_OUTOFMEMORY));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(TimeDlg, TemplateHeaderInTheModule) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_TIMEDLG), RT_DIALOG);
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    ASSERT_NE(bytes, nullptr);
    auto word = [&](size_t at) { return static_cast<WORD>(bytes[at] | (bytes[at + 1] << 8)); };
    auto dword = [&](size_t at) { return static_cast<DWORD>(word(at) | (word(at + 2) << 16)); };
    EXPECT_EQ(word(0), 1);           // dlgVer
    EXPECT_EQ(word(2), 0xFFFF);      // signature: extended template
    EXPECT_EQ(dword(4), 0u);         // help id
    EXPECT_EQ(dword(8), 0u);         // extended style
    EXPECT_EQ(dword(12), 0x80CA00C8u);
    EXPECT_EQ(word(16), 6);          // controls
    EXPECT_EQ(word(18), 0);          // x
    EXPECT_EQ(word(20), 0);          // y
    EXPECT_EQ(word(22), 238);
    EXPECT_EQ(word(24), 68);
    EXPECT_EQ(word(26), 0);          // no menu
    EXPECT_EQ(word(28), 0);          // no class
    const auto* caption = reinterpret_cast<const wchar_t*>(bytes + 30);
    EXPECT_STREQ(caption, L"TITLE");
    size_t at = 30 + (wcslen(caption) + 1) * 2;
    EXPECT_EQ(word(at), 8);          // points
    EXPECT_EQ(word(at + 2), 400);    // weight
    EXPECT_EQ(bytes[at + 4], 0);     // not italic
    EXPECT_EQ(bytes[at + 5], 1);     // charset
    const auto* face = reinterpret_cast<const wchar_t*>(bytes + at + 6);
    EXPECT_STREQ(face, L"MS Shell Dlg");
    at += 6 + (wcslen(face) + 1) * 2;

    struct Item {
        DWORD style;
        short x, y, cx, cy;
        DWORD id;
        WORD atom;
        const wchar_t* text;
    };
    const Item expected[6] = {
        {0x50010000, 180, 48, 50, 14, 2, 0x80, L"IDCANCEL"},
        {0x50020000, 8, 3, 64, 8, 1000, 0x82, L"IDC_STATIC_HOMEPAGE"},
        {0x50020201, 7, 12, 224, 27, 0xFFFFFFFF, 0x82, L"IDC_STATIC_MSG"},
        {0x50010000, 6, 48, 18, 14, 3, 0x80, L"+"},
        {0x50010000, 24, 48, 18, 14, 4, 0x80, L"-"},
        {0x50210003, 54, 48, 72, 126, 1001, 0x85, L""},
    };
    for (const Item& item : expected) {
        SCOPED_TRACE(item.id);
        at = (at + 3) & ~static_cast<size_t>(3);
        EXPECT_EQ(dword(at), 0u);      // help id
        EXPECT_EQ(dword(at + 4), 0u);  // extended style
        EXPECT_EQ(dword(at + 8), item.style);
        EXPECT_EQ(static_cast<short>(word(at + 12)), item.x);
        EXPECT_EQ(static_cast<short>(word(at + 14)), item.y);
        EXPECT_EQ(static_cast<short>(word(at + 16)), item.cx);
        EXPECT_EQ(static_cast<short>(word(at + 18)), item.cy);
        EXPECT_EQ(dword(at + 20), item.id);
        EXPECT_EQ(word(at + 24), 0xFFFF);
        EXPECT_EQ(word(at + 26), item.atom);
        const auto* text = reinterpret_cast<const wchar_t*>(bytes + at + 28);
        EXPECT_STREQ(text, item.text);
        at += 28 + (wcslen(text) + 1) * 2;
        EXPECT_EQ(word(at), 0);        // no creation data
        at += 2;
    }
}

namespace {

// Every DeleteObject this program makes through its import of gdi32, in
// order, while RecordingDeletes is alive (the import entry is redirected).
std::vector<HGDIOBJ> g_deleted;
using DeleteObjectFn = BOOL(WINAPI*)(HGDIOBJ);
DeleteObjectFn g_realDeleteObject = nullptr;

BOOL WINAPI RecordDeleteObject(HGDIOBJ object) {
    g_deleted.push_back(object);
    return g_realDeleteObject(object);
}

class RecordingDeletes {
public:
    RecordingDeletes() {
        g_deleted.clear();
        slot_ = ImportSlot("gdi32.dll", "DeleteObject");
        if (slot_) {
            g_realDeleteObject = reinterpret_cast<DeleteObjectFn>(*slot_);
            Write(reinterpret_cast<ULONG_PTR>(&RecordDeleteObject));
        }
    }
    ~RecordingDeletes() {
        if (slot_)
            Write(reinterpret_cast<ULONG_PTR>(g_realDeleteObject));
    }
    bool Active() const { return slot_ != nullptr; }

private:
    // The import address entry of `function` from `dll` in this program.
    static ULONG_PTR* ImportSlot(const char* dll, const char* function) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + imp->Name), dll) != 0)
                continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                    continue;
                auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                    return reinterpret_cast<ULONG_PTR*>(&slots->u1.Function);
            }
        }
        return nullptr;
    }
    void Write(ULONG_PTR value) {
        DWORD old = 0;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
        *slot_ = value;
        VirtualProtect(slot_, sizeof *slot_, old, &old);
    }

    ULONG_PTR* slot_ = nullptr;
};

}  // namespace

TEST(TimeDlg, DestructionReleasesTheLinkBeforeItsOwnFonts) {
    auto dialog = std::make_unique<CTimeDlg>();
    dialog->m_nRemain = 600;
    EXPECT_EQ(RunDriven(*dialog, {Cancelling()}), 2);
    const HGDIOBJ underline = dialog->m_link.m_hUnderlineFont;
    ASSERT_NE(underline, nullptr);
    ASSERT_EQ(dialog->m_fontList.size(), 1u);
    const HGDIOBJ bold = dialog->m_fontList[0];

    {
        RecordingDeletes recording;
        ASSERT_TRUE(recording.Active());
        dialog.reset();
    }
    EXPECT_EQ(g_deleted, (std::vector<HGDIOBJ>{underline, bold}));
    EXPECT_EQ(GetObjectType(underline), 0u);
    EXPECT_EQ(GetObjectType(bold), 0u);
}
