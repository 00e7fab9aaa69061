#include "tests/menu/menu_session.h"

#include <fstream>
#include <sstream>

using namespace qf_test;

namespace qf_menu_test {

namespace {

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(Narrow(path), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace

const std::vector<std::wstring>& TracedFunctions() {
    static const std::vector<std::wstring> functions = {
        L"powrprof.GetPwrCapabilities", L"powrprof.SetSuspendState",
        L"user32.CreateWindowExW",      L"user32.SetFocus",
        L"user32.LoadMenuW",            L"user32.GetSubMenu",
        L"user32.GetCursorPos",         L"user32.ModifyMenuW",
        L"user32.EnableMenuItem",       L"user32.TrackPopupMenu",
        L"user32.DestroyMenu",          L"user32.DestroyWindow",
        L"user32.GetActiveWindow",      L"user32.ExitWindowsEx",
        L"shell32.ShellExecuteW",       L"kernel32.LoadLibraryW",
        L"kernelbase.LoadLibraryW",     L"kernel32.GetProcAddress",
        L"kernelbase.GetProcAddress",   L"advapi32.OpenProcessToken",
        L"kernelbase.OpenProcessToken", L"advapi32.LookupPrivilegeValueW",
        L"advapi32.AdjustTokenPrivileges", L"kernelbase.AdjustTokenPrivileges",
    };
    return functions;
}

size_t CountActions(const Outcome& outcome) {
    // SetSuspendState of the stand-in is counted from its record.
    size_t suspends = 0;
    for (char c : outcome.powerLog)
        suspends += c == '\n';
    return ArgsOf(outcome.calls, "ExitWindowsEx").size() + ArgsOf(outcome.calls, "ShellExecuteW").size() +
           suspends;
}

MenuSandbox::MenuSandbox() {
    dir_ = MakeTempDir(L"menu");
    if (dir_.empty())
        return;
    CreateDirectoryW((dir_ + L"lang").c_str(), nullptr);
    ready_ = CopyInto(BinDir() + L"Quietfall.exe", dir_) &&
             CopyInto(BinDir() + L"lang\\English.ini", dir_ + L"lang\\") &&
             CopyInto(BinDir() + L"stubs\\powrprof.dll", dir_);
}

MenuSandbox::~MenuSandbox() { RemoveTree(dir_); }

Outcome MenuSandbox::Run(const std::wstring& power, const std::function<void(Program&, HWND)>& drive,
                         const std::wstring& tail, const std::function<void(Program&, HWND)>& onDialog) {
    Outcome outcome;
    const std::wstring log = dir_ + L"power.log";
    DeleteFileW(log.c_str());

    LaunchOptions options;
    options.relay = true;
    options.workingDir = dir_;
    options.environment = {{L"QF_TEST_POWER", power},
                           {L"QF_TEST_POWER_LOG", log}};
    Program program;
    std::wstring commandLine = L"\"" + Exe() + L"\"";
    if (!tail.empty())
        commandLine += L" " + tail;
    outcome.started = program.Start(Exe(), commandLine, options);
    if (!outcome.started)
        return outcome;

    if (tail.empty()) {
        HWND menu = program.WaitForWindow(L"#32768", 20000);
        outcome.menuShown = menu != nullptr;
        if (menu) {
            outcome.menuRect = WindowRect(menu);
            drive(program, menu);
        }
    }

    // A timer command may open the countdown dialog; take it out of the way.
    const DWORD start = GetTickCount();
    while (program.Running() && GetTickCount() - start < 15000) {
        if (HWND dialog = program.FindWindowOf(L"#32770")) {
            if (onDialog)
                onDialog(program, dialog);
            else
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            Sleep(500);
            continue;
        }
        if (!WindowsOf(program.ProcessId(), L"#32768").empty() && outcome.menuShown &&
            GetTickCount() - start > 5000)
            outcome.leftWindows = true;
        Sleep(50);
    }
    outcome.exited = program.WaitForExit(1000);
    outcome.exitCode = program.ExitCode();
    program.Kill();
    outcome.calls = program.Calls();
    outcome.powerLog = ReadAll(log);
    return outcome;
}

}  // namespace qf_menu_test
