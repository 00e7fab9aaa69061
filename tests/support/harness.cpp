#include "tests/support/harness.h"

#include <shellapi.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace qf_test {

namespace {

std::wstring EnvVar(const wchar_t* name) {
    wchar_t buffer[1024];
    DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    return (n > 0 && n < 1024) ? std::wstring(buffer, n) : std::wstring();
}

// Wine writes the relay trace of every program to the Unix standard error it
// inherited; the test launcher points that at this file.
std::wstring TraceLogPath() { return EnvVar(L"QF_STDERR_LOG"); }

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string ReadFrom(const std::wstring& path, long long offset) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    LARGE_INTEGER pos;
    pos.QuadPart = offset;
    SetFilePointerEx(file, pos, nullptr, FILE_BEGIN);
    std::string data;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        data.append(chunk, got);
    CloseHandle(file);
    return data;
}

struct WindowSearch {
    DWORD pid;
    const wchar_t* className;
    std::vector<HWND>* found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window))
        return TRUE;
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    if (search->className == nullptr || lstrcmpW(name, search->className) == 0)
        search->found->push_back(window);
    return TRUE;
}

// Undoes Wine's debug quoting of a string: L"..." with \\, \", \n, \r, \t
// and \XXXX (four hex digits) for every other character.
std::wstring FromDebugString(const std::string& traced) {
    std::wstring text;
    const size_t open = traced.find("L\"");
    if (open == std::string::npos)
        return L"<no string>";
    for (size_t i = open + 2; i < traced.size() && traced[i] != '"'; ++i) {
        if (traced[i] != '\\') {
            text.push_back(static_cast<unsigned char>(traced[i]));
            continue;
        }
        const char next = i + 1 < traced.size() ? traced[++i] : '\\';
        switch (next) {
        case 'n': text.push_back(L'\n'); break;
        case 'r': text.push_back(L'\r'); break;
        case 't': text.push_back(L'\t'); break;
        case '\\': case '"': text.push_back(static_cast<wchar_t>(next)); break;
        default:
            text.push_back(static_cast<wchar_t>(std::stoul(traced.substr(i, 4), nullptr, 16)));
            i += 3;
        }
    }
    return text;
}

}  // namespace

std::string Narrow(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring BinDir() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L'\\') + 1);
}

std::wstring MakeTempDir(const std::wstring& hint) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        std::wstring dir = std::wstring(base) + L"qf-" + hint + L"-" +
                           std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        if (CreateDirectoryW(dir.c_str(), nullptr))
            return dir + L"\\";
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
}

void RemoveTree(const std::wstring& dir) {
    if (dir.empty())
        return;
    std::wstring from = dir;
    if (from.back() == L'\\')
        from.pop_back();
    from.push_back(L'\0');
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

bool CopyInto(const std::wstring& file, const std::wstring& dir) {
    std::wstring name = file.substr(file.find_last_of(L'\\') + 1);
    return CopyFileW(file.c_str(), (dir + name).c_str(), FALSE) != FALSE;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

void SetRelayInclude(const std::vector<std::wstring>& functions) {
    std::wstring list;
    for (const auto& f : functions)
        list += (list.empty() ? L"" : L";") + f;
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Debug", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"RelayInclude", 0, REG_SZ, reinterpret_cast<const BYTE*>(list.c_str()),
                   static_cast<DWORD>((list.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

Program::~Program() {
    Kill();
    if (started_) {
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

bool Program::Start(const std::wstring& exePath, const std::wstring& commandLine,
                    const LaunchOptions& options) {
    // The child inherits this process's environment; set the extra variables
    // around CreateProcessW and put the old values back afterwards.
    // A WINEDEBUG among them (more channels) replaces the default.
    std::vector<std::pair<std::wstring, std::wstring>> vars;
    vars.emplace_back(L"WINEDEBUG", options.relay ? L"+relay" : L"-all");
    vars.insert(vars.end(), options.environment.begin(), options.environment.end());
    std::vector<std::pair<std::wstring, std::wstring>> saved;
    for (const auto& [name, value] : vars) {
        saved.emplace_back(name, EnvVar(name.c_str()));
        SetEnvironmentVariableW(name.c_str(), value.c_str());
    }

    const std::wstring trace = TraceLogPath();
    traceOffset_ = trace.empty() ? 0 : FileSize(trace);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring mutableLine = commandLine;
    mutableLine.push_back(L'\0');
    started_ = CreateProcessW(exePath.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              options.workingDir.empty() ? nullptr : options.workingDir.c_str(), &startup,
                              &info_) != FALSE;

    // Backwards, so that a variable set twice gets its first value back.
    for (auto it = saved.rbegin(); it != saved.rend(); ++it)
        SetEnvironmentVariableW(it->first.c_str(), it->second.empty() ? nullptr : it->second.c_str());
    return started_;
}

bool Program::WaitForExit(DWORD timeoutMs) {
    return started_ && WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

bool Program::Running() const {
    return started_ && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Program::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (started_)
        GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void Program::Kill() {
    if (Running()) {
        TerminateProcess(info_.hProcess, 0xDEAD);
        WaitForSingleObject(info_.hProcess, 5000);
    }
}

std::vector<HWND> WindowsOf(DWORD processId, const wchar_t* className) {
    std::vector<HWND> found;
    WindowSearch search = {processId, className, &found};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return found;
}

HWND Program::FindWindowOf(const wchar_t* className, const wchar_t* title) const {
    for (HWND window : WindowsOf(info_.dwProcessId, className)) {
        if (title == nullptr)
            return window;
        wchar_t text[512] = {};
        GetWindowTextW(window, text, 512);
        if (lstrcmpW(text, title) == 0)
            return window;
    }
    return nullptr;
}

HWND Program::WaitForWindow(const wchar_t* className, DWORD timeoutMs, const wchar_t* title) const {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = FindWindowOf(className, title))
            return window;
        if (!Running() || GetTickCount() - start > timeoutMs)
            return nullptr;
        Sleep(25);
    }
}

std::string Program::Trace() const {
    const std::wstring trace = TraceLogPath();
    return started_ && !trace.empty() ? ReadFrom(trace, traceOffset_) : std::string();
}

namespace {

// The relay's argument list with every number as its low 32 bits in 8 hex
// digits (RelayCall); texts in quotes are kept as they are.
std::string LowHalves(const std::string& args) {
    std::string out;
    bool quoted = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (!quoted && (i == 0 || args[i - 1] == ',')) {
            size_t end = i;
            while (end < args.size() && std::isxdigit(static_cast<unsigned char>(args[end])))
                ++end;
            if (end - i > 8 && (end == args.size() || args[end] == ',' || args[end] == ' '))
                i = end - 8;
        }
        if (args[i] == '"' && (i == 0 || args[i - 1] != '\\'))
            quoted = !quoted;
        out += args[i];
    }
    return out;
}

}  // namespace

std::vector<RelayCall> Program::Calls() const {
    std::vector<RelayCall> calls;
    const std::wstring trace = TraceLogPath();
    if (!started_ || trace.empty())
        return calls;
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%04lx:Call ", static_cast<unsigned long>(info_.dwThreadId));
    std::istringstream lines(ReadFrom(trace, traceOffset_));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(prefix, 0) != 0)
            continue;
        std::string rest = line.substr(std::char_traits<char>::length(prefix));
        size_t open = rest.find('(');
        size_t close = rest.rfind(") ret=");
        // Lines of the loader ("Call PE DLL ...") and window procedures have no dll.function( form.
        if (open == std::string::npos || close == std::string::npos || close < open ||
            rest.find(' ') < open)
            continue;
        std::string args = rest.substr(open + 1, close - open - 1);
        calls.push_back({rest.substr(0, open), sizeof(void*) == 8 ? LowHalves(args) : args});
    }
    return calls;
}

std::vector<std::string> Program::TraceLines(const std::string& channelAndFunction) const {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%04lx:", static_cast<unsigned long>(info_.dwThreadId));
    const std::string head = prefix + channelAndFunction + " ";
    std::vector<std::string> found;
    std::istringstream lines(Trace());
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(head, 0) == 0)
            found.push_back(line.substr(head.size()));
    }
    return found;
}

std::vector<std::wstring> Program::MenuTexts() const {
    std::vector<std::wstring> texts;
    for (const std::string& line : TraceLines("trace:menu:ModifyMenuW"))
        texts.push_back(FromDebugString(line));
    return texts;
}

RunResult RunProgram(const std::wstring& exePath, const std::wstring& commandLine, const LaunchOptions& options,
              DWORD timeoutMs) {
    RunResult result;
    Program program;
    result.started = program.Start(exePath, commandLine, options);
    if (!result.started)
        return result;
    result.exited = program.WaitForExit(timeoutMs);
    if (!result.exited)
        program.Kill();
    result.exitCode = result.exited ? program.ExitCode() : STILL_ACTIVE;
    result.calls = program.Calls();
    return result;
}

bool Matches(const RelayCall& call, const std::string& function) {
    // Wine may report a forwarded export under the DLL that implements it
    // (kernelbase for kernel32, say), so a bare name matches any DLL.
    if (function.find('.') != std::string::npos)
        return _stricmp(call.function.c_str(), function.c_str()) == 0;
    const size_t dot = call.function.rfind('.');
    return call.function.compare(dot == std::string::npos ? 0 : dot + 1, std::string::npos, function) == 0;
}

std::vector<std::string> ArgsOf(const std::vector<RelayCall>& calls, const std::string& function) {
    std::vector<std::string> args;
    for (const auto& call : calls)
        if (Matches(call, function))
            args.push_back(call.args);
    return args;
}

int IndexOf(const std::vector<RelayCall>& calls, const std::string& function, size_t from) {
    for (size_t i = from; i < calls.size(); ++i)
        if (Matches(calls[i], function))
            return static_cast<int>(i);
    return -1;
}

void FlushEvents(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

}  // namespace qf_test
