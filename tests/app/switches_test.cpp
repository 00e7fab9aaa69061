// Starts the real Quietfall.exe with exact command lines and checks, from
// Wine's relay trace, which power calls it makes with which arguments.
#include <gtest/gtest.h>

#include <regex>

#include "tests/support/harness.h"

using namespace qf_test;

namespace {

const std::vector<std::wstring> kTraced = {
    L"kernel32.LoadLibraryW",        L"kernelbase.LoadLibraryW",  L"kernel32.GetProcAddress",
    L"kernelbase.GetProcAddress",    L"kernel32.FreeLibrary",     L"kernelbase.FreeLibrary",
    L"advapi32.OpenProcessToken",    L"kernelbase.OpenProcessToken",
    L"advapi32.LookupPrivilegeValueW", L"advapi32.AdjustTokenPrivileges",
    L"kernelbase.AdjustTokenPrivileges", L"user32.ExitWindowsEx",  L"powrprof.SetSuspendState",
    L"shell32.ShellExecuteW",        L"user32.TrackPopupMenu",
};

const char* const kActions[] = {"ExitWindowsEx", "SetSuspendState", "ShellExecuteW"};

std::wstring Exe() { return BinDir() + L"Quietfall.exe"; }
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

class QuietfallSwitches : public testing::Test {
protected:
    static void SetUpTestSuite() { SetRelayInclude(kTraced); }

    // Runs the program; if it opens its menu, dismisses it with Escape.
    RunResult RunAndDismissMenu(const std::wstring& commandLine, bool* menuShown = nullptr) {
        Program program;
        RunResult result;
        result.started = program.Start(Exe(), commandLine, LaunchOptions{true, {}, {}});
        if (!result.started)
            return result;
        HWND menu = program.WaitForWindow(L"#32768", 15000);
        if (menuShown)
            *menuShown = menu != nullptr;
        if (menu) {
            PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageW(menu, WM_KEYUP, VK_ESCAPE, 0);
        }
        result.exited = program.WaitForExit(15000);
        result.exitCode = program.ExitCode();
        program.Kill();
        result.calls = program.Calls();
        return result;
    }

    static size_t CountActions(const RunResult& r) {
        size_t n = 0;
        for (const char* action : kActions)
            n += ArgsOf(r.calls, action).size();
        return n;
    }
};

struct SwitchCase {
    const wchar_t* tail;
    const char* function;
    const char* args;
};

}  // namespace

TEST_F(QuietfallSwitches, EachSwitchMakesExactlyItsOneCallAndExitsWithZero) {
    const SwitchCase cases[] = {
        {L"/shutdown", "ExitWindowsEx", "00000008,00000000"},
        {L"/logoff", "ExitWindowsEx", "00000000,00000000"},
        {L"/logout", "ExitWindowsEx", "00000000,00000000"},
        {L"/restart", "ExitWindowsEx", "00000002,00000000"},
        {L"/reboot", "ExitWindowsEx", "00000002,00000000"},
        {L"/hibernate", "SetSuspendState", "00000001,00000000,00000001"},
        {L"/suspend", "SetSuspendState", "00000000,00000000,00000000"},
    };
    for (const SwitchCase& c : cases) {
        SCOPED_TRACE(Narrow(c.tail));
        RunResult r = RunProgram(Exe(), Quoted(Exe()) + L" " + c.tail, LaunchOptions{true, {}, {}});
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0u);
        EXPECT_EQ(ArgsOf(r.calls, c.function), std::vector<std::string>{c.args});
        EXPECT_EQ(CountActions(r), 1u);
        EXPECT_EQ(IndexOf(r.calls, "TrackPopupMenu"), -1) << "a recognised switch opens no menu";
    }
}

TEST_F(QuietfallSwitches, ShutdownPrivilegeIsEnabledBeforeTheAction) {
    RunResult r = RunProgram(Exe(), Quoted(Exe()) + L" /restart", LaunchOptions{true, {}, {}});
    ASSERT_TRUE(r.exited);
    const int load = IndexOf(r.calls, "LoadLibraryW");
    ASSERT_GE(load, 0);
    EXPECT_NE(r.calls[load].args.find("L\"advapi32.dll\""), std::string::npos) << r.calls[load].args;

    // The three entry points are looked up by their ANSI names, in order.
    const int p1 = IndexOf(r.calls, "GetProcAddress", load);
    ASSERT_GE(p1, 0);
    EXPECT_NE(r.calls[p1].args.find("OpenProcessToken"), std::string::npos);
    const int p2 = IndexOf(r.calls, "GetProcAddress", p1 + 1);
    ASSERT_GE(p2, 0);
    EXPECT_NE(r.calls[p2].args.find("LookupPrivilegeValueW"), std::string::npos);
    const int p3 = IndexOf(r.calls, "GetProcAddress", p2 + 1);
    ASSERT_GE(p3, 0);
    EXPECT_NE(r.calls[p3].args.find("AdjustTokenPrivileges"), std::string::npos);

    const int open = IndexOf(r.calls, "OpenProcessToken", p3);
    ASSERT_GE(open, 0);
    EXPECT_EQ(r.calls[open].args.substr(0, 18), "ffffffff,00000028,") << "current process, ADJUST|QUERY";
    const int lookup = IndexOf(r.calls, "LookupPrivilegeValueW", open);
    ASSERT_GE(lookup, 0);
    EXPECT_EQ(r.calls[lookup].args.rfind("00000000,", 0), 0u) << "local system";
    EXPECT_NE(r.calls[lookup].args.find("L\"SeShutdownPrivilege\""), std::string::npos);
    const int adjust = IndexOf(r.calls, "AdjustTokenPrivileges", lookup);
    ASSERT_GE(adjust, 0);
    // Token, FALSE, new state, 0, no previous state, no return length.
    EXPECT_TRUE(std::regex_match(r.calls[adjust].args,
                                 std::regex("[0-9a-f]{8},00000000,[0-9a-f]{8},00000000,00000000,00000000")))
        << r.calls[adjust].args;
    const int release = IndexOf(r.calls, "FreeLibrary", adjust);
    ASSERT_GE(release, 0);
    const int action = IndexOf(r.calls, "ExitWindowsEx");
    EXPECT_GT(action, release) << "the privilege comes before the action";
}

TEST_F(QuietfallSwitches, SwitchAfterBlanksAndTabsIsStillRecognised) {
    RunResult r = RunProgram(Exe(), Quoted(Exe()) + L" \t  \t/reboot", LaunchOptions{true, {}, {}});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(ArgsOf(r.calls, "ExitWindowsEx"), std::vector<std::string>{"00000002,00000000"});
}

TEST_F(QuietfallSwitches, ProgramNameWithBlanksInQuotesIsNotPartOfTheTail) {
    const std::wstring dir = MakeTempDir(L"name with blanks");
    ASSERT_FALSE(dir.empty());
    ASSERT_TRUE(CopyInto(Exe(), dir));
    const std::wstring exe = dir + L"Quietfall.exe";
    RunResult r = RunProgram(exe, Quoted(exe) + L" /suspend", LaunchOptions{true, {}, {}});
    RemoveTree(dir);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(ArgsOf(r.calls, "SetSuspendState"), std::vector<std::string>{"00000000,00000000,00000000"});
}

TEST_F(QuietfallSwitches, AnythingButExactlyOneSwitchOpensTheMenuAndDoesNothing) {
    for (const wchar_t* tail : {L"", L"/Shutdown", L"/SHUTDOWN", L"/shutdown ", L"\"/shutdown\"",
                                L"/shutdown now", L"/timer", L"/help"}) {
        SCOPED_TRACE(Narrow(tail));
        bool menuShown = false;
        RunResult r = RunAndDismissMenu(Quoted(Exe()) + (*tail ? L" " : L"") + tail, &menuShown);
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0u);
        EXPECT_TRUE(menuShown);
        EXPECT_GE(IndexOf(r.calls, "TrackPopupMenu"), 0);
        EXPECT_EQ(CountActions(r), 0u);
        // The privilege is enabled even when the menu was dismissed.
        EXPECT_GE(IndexOf(r.calls, "AdjustTokenPrivileges"), 0);
    }
}
