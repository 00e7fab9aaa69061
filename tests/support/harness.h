// Helpers for tests that start the real programs under Wine and watch what
// they do: exact command lines, full exit codes, their windows, and the
// system calls they make (from Wine's relay trace of the program's thread).
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace qf_test {

// Folder that holds the test programs and the programs under test.
std::wstring BinDir();

// A new, empty folder under the temporary folder, removed by the caller.
std::wstring MakeTempDir(const std::wstring& hint);
void RemoveTree(const std::wstring& dir);
bool CopyInto(const std::wstring& file, const std::wstring& dir);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Limits Wine's relay trace to these functions, e.g. L"user32.ExitWindowsEx".
void SetRelayInclude(const std::vector<std::wstring>& functions);

// One "Call" line of the relay trace. Each number stands as 8 hex digits,
// the way the i686 trace prints it. The x86-64 trace prints an argument's
// whole register, whose upper half is left over when the argument is 32-bit
// ("200000005" for 5); there a number counts by its low half, which keeps
// handles, flags and sizes exact and pointers distinct (the image base
// 0x140000000 reads "40000000": kImageBaseArg).
struct RelayCall {
    std::string function;  // "user32.ExitWindowsEx"
    std::string args;      // "00000008,00000000" (strings appear as L"...")
};
// The programs' image base as a relay argument.
constexpr const char* kImageBaseArg = sizeof(void*) == 8 ? "40000000" : "00400000";

struct LaunchOptions {
    bool relay = false;  // trace the functions named by SetRelayInclude
    std::wstring workingDir;
    // Added to the child's; a WINEDEBUG here (e.g. L"trace+menu") replaces
    // the default "-all" when relay is off.
    std::vector<std::pair<std::wstring, std::wstring>> environment;
};

// Visible top-level windows of a process with this class (nullptr: any
// class), in Z order (the most recently opened popup menu comes first).
std::vector<HWND> WindowsOf(DWORD processId, const wchar_t* className);

class Program {
public:
    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();

    // commandLine is passed to CreateProcessW as it stands.
    bool Start(const std::wstring& exePath, const std::wstring& commandLine,
               const LaunchOptions& options = {});
    // True when the program ended within timeoutMs.
    bool WaitForExit(DWORD timeoutMs);
    DWORD ExitCode() const;
    DWORD ProcessId() const { return info_.dwProcessId; }
    bool Running() const;
    // Ends the program if it still runs (a failed test must not leave it behind).
    void Kill();

    // A visible top-level window of this program with the class (and title).
    HWND WaitForWindow(const wchar_t* className, DWORD timeoutMs, const wchar_t* title = nullptr) const;
    HWND FindWindowOf(const wchar_t* className, const wchar_t* title = nullptr) const;

    // Relay calls made by the program's main thread; read after it ended.
    std::vector<RelayCall> Calls() const;
    // Every line Wine's debug output got since the program started (other
    // channels than relay too, e.g. "trace:menu:"), as it stands.
    std::string Trace() const;
    // Wine's debug output of the program's main thread for one channel and
    // function ("trace:menu:ModifyMenuW"): the rest of each such line.
    std::vector<std::string> TraceLines(const std::string& channelAndFunction) const;
    // The texts the main thread handed ModifyMenuW, in order, from Wine's menu
    // channel (start the program with "+menu" or "trace+menu" in WINEDEBUG;
    // the relay trace shows only their address). Wine shortens texts of a few
    // hundred characters; a call without a text gives "<no string>".
    std::vector<std::wstring> MenuTexts() const;

private:
    PROCESS_INFORMATION info_ = {};
    long long traceOffset_ = 0;
    bool started_ = false;
};

// Starts a program, waits for it (killing it after timeoutMs) and returns its
// exit code, or STILL_ACTIVE when it had to be killed.
struct RunResult {
    bool started = false;
    bool exited = false;
    DWORD exitCode = 0;
    std::vector<RelayCall> calls;
};
RunResult RunProgram(const std::wstring& exePath, const std::wstring& commandLine,
              const LaunchOptions& options = {}, DWORD timeoutMs = 20000);

// True when the call is to this function: "user32.ExitWindowsEx", or a bare
// "ExitWindowsEx" for whichever DLL Wine names.
bool Matches(const RelayCall& call, const std::string& function);
// The arguments of the calls to one function, in order.
std::vector<std::string> ArgsOf(const std::vector<RelayCall>& calls, const std::string& function);
// Position of the first call to a function, or -1.
int IndexOf(const std::vector<RelayCall>& calls, const std::string& function, size_t from = 0);

// Pumps this thread's messages for a while, so posted work gets done.
void FlushEvents(DWORD ms = 50);

std::string Narrow(const std::wstring& text);

}  // namespace qf_test
