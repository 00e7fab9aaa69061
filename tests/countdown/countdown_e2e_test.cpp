// The countdown end to end, as a person uses it: Quietfall.exe (a copy,
// beside the stand-in power library) opens its menu, the 10-minute item is
// picked with the keyboard, and the dialog is used with real mouse clicks.
// What the program then does is read from Wine's relay trace.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "resources/resource.h"
#include "tests/support/gui.h"
#include "tests/support/harness.h"
#include "tests/support/power_standin.h"

using namespace qf_test;

namespace {

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

std::wstring LineOf(HWND dialog) { return TextOf(GetDlgItem(dialog, -1)); }

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void ClickControl(HWND dialog, int id) {
    POINT at = CentreOf(WindowRect(GetDlgItem(dialog, id)));
    ClickAt(at.x, at.y);
    Sleep(120);
}

// Presses "-" until the line shows 00:00:00; false if it never does.
bool MinusToZero(HWND dialog) {
    for (int i = 0; i < 25; ++i) {
        if (EndsWith(LineOf(dialog), L" 00:00:00"))
            return true;
        ClickControl(dialog, IDC_BUTTON_MINUS);
    }
    return EndsWith(LineOf(dialog), L" 00:00:00");
}

int ListCount(HWND dialog) {
    return static_cast<int>(SendMessageW(GetDlgItem(dialog, IDC_COMBO_METHOD), CB_GETCOUNT, 0, 0));
}

struct Outcome {
    bool dialogShown = false;
    bool exited = false;
    DWORD exitCode = STILL_ACTIVE;
    std::vector<std::string> exits;  // arguments of ExitWindowsEx
    int suspends = 0;                // SetSuspendState calls
};

class Countdown : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = MakeTempDir(L"countdown");
        CreateDirectoryW((dir_ + L"lang").c_str(), nullptr);
        ready_ = CopyInto(BinDir() + L"Quietfall.exe", dir_) &&
                 CopyInto(BinDir() + L"lang\\English.ini", dir_ + L"lang\\") &&
                 CopyInto(BinDir() + L"stubs\\powrprof.dll", dir_);
        SetRelayInclude({L"user32.ExitWindowsEx", L"powrprof.SetSuspendState"});
        UseStandInPowerLibrary(true);
    }
    static void TearDownTestSuite() {
        UseStandInPowerLibrary(false);
        RemoveTree(dir_);
    }
    void SetUp() override {
        ASSERT_TRUE(ready_) << "Quietfall.exe, lang\\English.ini or stubs\\powrprof.dll missing";
        SetCursorPos(200, 160);
        Sleep(100);
    }

    // Opens the menu, picks "in 10 minutes" and hands the dialog to `use`.
    static Outcome Run(const std::wstring& power, const std::function<void(HWND)>& use) {
        Outcome outcome;
        LaunchOptions options;
        options.relay = true;
        options.workingDir = dir_;
        options.environment = {{L"QF_TEST_POWER", power}};
        Program program;
        const std::wstring exe = dir_ + L"Quietfall.exe";
        if (!program.Start(exe, L"\"" + exe + L"\"", options))
            return outcome;
        if (HWND menu = program.WaitForWindow(L"#32768", 20000)) {
            Sleep(200);
            PostKeys(menu, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT});
            Sleep(200);
            if (HWND sub = WindowsOf(program.ProcessId(), L"#32768").front())
                PostKeys(sub, {VK_RETURN});
        }
        HWND dialog = program.WaitForWindow(L"#32770", 15000);
        outcome.dialogShown = dialog != nullptr;
        if (dialog) {
            Sleep(300);
            use(dialog);
        }
        outcome.exited = program.WaitForExit(15000);
        if (!outcome.exited && dialog && IsWindow(dialog))
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        outcome.exited = outcome.exited || program.WaitForExit(3000);
        outcome.exitCode = program.ExitCode();
        program.Kill();
        auto calls = program.Calls();
        outcome.exits = ArgsOf(calls, "ExitWindowsEx");
        outcome.suspends = static_cast<int>(ArgsOf(calls, "SetSuspendState").size());
        return outcome;
    }

    static std::wstring dir_;
    static bool ready_;

    // Opens the dialog with these power capabilities, counts the action
    // list's entries and cancels; nothing may be carried out.
    static int ListSizeWith(const wchar_t* power) {
        int count = -1;
        Outcome o = Run(power, [&](HWND d) {
            count = ListCount(d);
            ClickControl(d, IDCANCEL);
        });
        EXPECT_TRUE(o.dialogShown);
        EXPECT_TRUE(o.exits.empty());
        return count;
    }
};
std::wstring Countdown::dir_;
bool Countdown::ready_ = false;


}  // namespace

// A forced power-off under Wine ends the prefix's session with every process
// in it, this test included. So this case runs only under
// forced_poweroff_e2e.sh, which starts it from outside Wine with
// QF_FORCED_E2E_MARK set and then reads the relay trace itself: the test
// records what it saw before the count ran out and waits to be ended.
TEST_F(Countdown, MinusToZeroPowersOffWithForceAfterTheNextTick) {
    wchar_t mark[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"QF_FORCED_E2E_MARK", mark, MAX_PATH))
        GTEST_SKIP() << "run by forced_poweroff_e2e.sh: the forced power-off ends every Wine process";
    std::wstring first, atZero;
    int count = -1;
    std::wstring caption, cancel, link;
    LaunchOptions options;
    options.relay = true;
    options.workingDir = dir_;
    options.environment = {{L"QF_TEST_POWER", L""}};
    Program program;
    const std::wstring exe = dir_ + L"Quietfall.exe";
    ASSERT_TRUE(program.Start(exe, L"\"" + exe + L"\"", options));
    HWND menu = program.WaitForWindow(L"#32768", 20000);
    ASSERT_NE(menu, nullptr);
    Sleep(200);
    PostKeys(menu, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT});
    Sleep(200);
    PostKeys(WindowsOf(program.ProcessId(), L"#32768").front(), {VK_RETURN});
    HWND d = program.WaitForWindow(L"#32770", 15000);
    ASSERT_NE(d, nullptr);
    Sleep(300);
    first = LineOf(d);
    caption = TextOf(d);
    cancel = TextOf(GetDlgItem(d, IDCANCEL));
    link = TextOf(GetDlgItem(d, IDC_STATIC_HOMEPAGE));
    count = ListCount(d);
    std::wstring record = L"first=" + first + L"\ncaption=" + caption + L"\ncancel=" + cancel + L"\nlink=" + link +
                          L"\ncount=" + std::to_wstring(count) + L"\n";
    WriteFileBytes(mark, Narrow(record));  // before the clicks: the end may come fast
    const bool zero = MinusToZero(d);
    atZero = LineOf(d);
    WriteFileBytes(mark, Narrow(record + L"zero=" + atZero + L"\n"));
    ASSERT_TRUE(zero);
    // The next tick ends the dialog with 1 and the program powers off with
    // force. That may end this process too (the script then reads the trace);
    // when it does not, the test checks the call itself.
    ASSERT_TRUE(program.WaitForExit(15000)) << "the program did not end after the count ran out";
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(ArgsOf(program.Calls(), "ExitWindowsEx"), std::vector<std::string>{"0000000c,00000000"});
}

TEST_F(Countdown, CancelDoesNothing) {
    Outcome o = Run(L"", [](HWND d) { ClickControl(d, IDCANCEL); });
    ASSERT_TRUE(o.dialogShown);
    EXPECT_TRUE(o.exited);
    EXPECT_EQ(o.exitCode, 0u);
    EXPECT_TRUE(o.exits.empty());
    EXPECT_EQ(o.suspends, 0);
}

TEST_F(Countdown, EscapeDoesNothing) {
    Outcome o = Run(L"", [](HWND d) { PostKeys(GetDlgItem(d, IDCANCEL), {VK_ESCAPE}); });
    ASSERT_TRUE(o.dialogShown);
    EXPECT_TRUE(o.exited);
    EXPECT_EQ(o.exitCode, 0u);
    EXPECT_TRUE(o.exits.empty());
}

TEST_F(Countdown, RestartPickedInTheListRestarts) {
    std::wstring picked;
    Outcome o = Run(L"", [&](HWND d) {
        HWND combo = GetDlgItem(d, IDC_COMBO_METHOD);
        ClickControl(d, IDC_COMBO_METHOD);  // focus the list (it drops down)
        PostKeys(combo, {VK_ESCAPE});       // close the drop-down again
        PostKeys(combo, {VK_DOWN, VK_DOWN});
        Sleep(200);
        picked = LineOf(d);
        ASSERT_TRUE(MinusToZero(d));
    });
    ASSERT_TRUE(o.dialogShown);
    EXPECT_EQ(picked.rfind(L"Restart in 00:", 0), 0u) << Narrow(picked);
    EXPECT_TRUE(o.exited);
    EXPECT_EQ(o.exitCode, 0u);
    ASSERT_EQ(o.exits.size(), 1u);
    EXPECT_EQ(o.exits[0], "00000002,00000000");
}

TEST_F(Countdown, ListOffersThreeActionsWhenTheGateFails) {
    for (const wchar_t* power : {L"hiber=0", L"s1=0", L"fail=1"}) {
        SCOPED_TRACE(Narrow(power));
        EXPECT_EQ(ListSizeWith(power), 3);
    }
}

TEST_F(Countdown, ListOffersFiveActionsWhenTheGatePasses) {
    for (const wchar_t* power : {L"s1=0;s3=1", L"s1=0;s2=1"}) {
        SCOPED_TRACE(Narrow(power));
        EXPECT_EQ(ListSizeWith(power), 5);
    }
}

TEST(CountdownWithoutTemplate, RunModalReturnsMinusOne) {
    RunResult r = RunProgram(BinDir() + L"timedlg_probe.exe", L"timedlg_probe.exe", {}, 15000);
    ASSERT_TRUE(r.started);
    ASSERT_TRUE(r.exited) << "a dialog opened although there is no template";
    EXPECT_EQ(r.exitCode, 0xFFFFFFFFu);
}
