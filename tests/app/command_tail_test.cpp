// The programs take their command tail from the lpCmdLine that the C runtime
// hands to wWinMain. These tests start a probe built exactly like them with
// exact command lines and compare what it received with the rule: the name
// ends at the first character at or below U+0020 outside double quotes (each
// quote toggles), then every character from U+0001 to U+0020 is skipped.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/app/command_tail_rule.h"
#include "tests/support/harness.h"

using namespace qf_test;

namespace {

std::wstring ProbeTail(const std::wstring& commandLine, bool* ok) {
    const std::wstring dir = MakeTempDir(L"tail");
    const std::wstring out = dir + L"tail.bin";
    Program probe;
    *ok = probe.Start(BinDir() + L"tail_probe.exe", commandLine, LaunchOptions{false, {}, {{L"QF_PROBE_OUT", out}}}) &&
          probe.WaitForExit(15000) && probe.ExitCode() == 0;
    std::wstring tail;
    HANDLE file = CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        wchar_t buffer[4096];
        DWORD got = 0;
        ReadFile(file, buffer, sizeof buffer, &got, nullptr);
        tail.assign(buffer, got / sizeof(wchar_t));
        CloseHandle(file);
    } else {
        *ok = false;
    }
    RemoveTree(dir);
    return tail;
}

}  // namespace

TEST(CommandTail, RuntimeTailFollowsTheRuleInEveryCase) {
    const std::wstring cases[] = {
        L"probe.exe",
        L"probe.exe /x",
        L"probe.exe   /x",
        L"probe.exe\t\t/x",
        L"probe.exe \x01\x02\x1f /x",
        L"probe.exe /x  ",
        L"probe.exe /x \"y z\"  w",
        L"\"C:\\dir with blanks\\probe.exe\" /x",
        L"\"C:\\dir with blanks\\probe.exe\"/x",
        L"C:\\pro\"gram fi\"les\\probe.exe /x",
        L"\"\" /x",
        L"\"a\"b c",
        L"\"a\tb\" c",
        L"abc\"def ghi",
        L"name \"/shutdown\"",
        L"name \x00a0/x",
        L"name",
        L"name ",
        L"name\t",
    };
    for (const std::wstring& commandLine : cases) {
        SCOPED_TRACE(Narrow(commandLine));
        bool ok = false;
        const std::wstring tail = ProbeTail(commandLine, &ok);
        ASSERT_TRUE(ok);
        EXPECT_EQ(Narrow(tail), Narrow(CommandTailOf(commandLine)));
    }
}

TEST(CommandTail, OracleAgreesWithHandWorkedExamples) {
    EXPECT_EQ(CommandTailOf(L"\"C:\\a b\\q.exe\"  /restart "), L"/restart ");
    EXPECT_EQ(CommandTailOf(L"q.exe"), L"");
    EXPECT_EQ(CommandTailOf(L"q\"x y\"z /s"), L"/s");
    EXPECT_EQ(CommandTailOf(L"q\"x y /s"), L"");
    EXPECT_EQ(CommandTailOf(L""), L"");
}
