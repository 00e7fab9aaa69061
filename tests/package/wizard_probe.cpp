// Starts Setup (the arguments after the first are its own), goes through its
// wizard as a user would and prints, in UTF-8, one line per thing seen:
//   page|<text>|<text>...   the texts of the wizard and its page: the first
//                           page, then the language page after Next
//   selected|<text>         the language list's selection
//   confirm|<text>|...      the texts of the question Cancel asks
//   exit|<code>             Setup's exit code after Cancel and Yes
// Every wait has a time limit; when one runs out the probe prints
// "timeout|<what>", ends Setup and exits with 1.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr DWORD kWaitMs = 30000;
constexpr UINT kReplyMs = 5000;

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Text(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kReplyMs, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kReplyMs, &copied);
    text.resize(copied);
    return text;
}

BOOL CALLBACK CollectVisible(HWND child, LPARAM list) {
    if (IsWindowVisible(child))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> Descendants(HWND window) {
    std::vector<HWND> found;
    EnumChildWindows(window, CollectVisible, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct DialogSearch {
    DWORD processId;
    int controlId;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<DialogSearch*>(data);
    DWORD owner = 0;
    wchar_t className[16] = L"";
    GetWindowThreadProcessId(window, &owner);
    GetClassNameW(window, className, 16);
    if (owner == search->processId && IsWindowVisible(window) && lstrcmpW(className, L"#32770") == 0 &&
        GetDlgItem(window, search->controlId)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog of the process that has a control with this id (the
// wizard's Back button is 3, a question's Yes button IDYES).
HWND FindDialog(DWORD processId, int controlId) {
    DialogSearch search{processId, controlId, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindListBox(HWND wizard) {
    for (HWND child : Descendants(wizard)) {
        wchar_t className[16] = L"";
        GetClassNameW(child, className, 16);
        if (lstrcmpiW(className, L"ListBox") == 0)
            return child;
    }
    return nullptr;
}

template <typename Found>
auto WaitFor(Found found) -> decltype(found()) {
    for (DWORD waited = 0; waited < kWaitMs; waited += 100) {
        if (auto result = found())
            return result;
        Sleep(100);
    }
    return {};
}

void PrintTexts(const char* tag, HWND window) {
    std::string line = tag;
    for (HWND child : Descendants(window)) {
        std::wstring text = Text(child);
        for (wchar_t& c : text)
            c = (c == L'\r' || c == L'\n') ? L' ' : c;
        line += "|" + Utf8(text);
    }
    std::printf("%s\n", line.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: wizard_probe <setup.exe> [arguments]\n");
        return 2;
    }
    std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
    for (int i = 2; i < argc; ++i)
        command += L" " + std::wstring(argv[i]);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION setup = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &setup)) {
        std::printf("timeout|Setup did not start\n");
        return 1;
    }
    auto give_up = [&](const char* what) {
        std::printf("timeout|%s\n", what);
        TerminateProcess(setup.hProcess, 1);
        WaitForSingleObject(setup.hProcess, kWaitMs);
        return 1;
    };

    const DWORD id = setup.dwProcessId;
    HWND wizard = WaitFor([&] { return FindDialog(id, 3); });
    if (!wizard)
        return give_up("no wizard");
    // The wizard shows before its first page has filled in its texts.
    if (!WaitFor([&] { return !Text(GetDlgItem(wizard, IDOK)).empty(); }))
        return give_up("no first page");
    Sleep(500);
    PrintTexts("page", wizard);
    // Posted, not sent: a page that refuses the folder shows a message box.
    PostMessageW(wizard, WM_COMMAND, IDOK, 0);
    HWND list = WaitFor([&] { return FindListBox(wizard); });
    if (!list)
        return give_up("no language page");
    Sleep(500);
    PrintTexts("page", wizard);
    DWORD_PTR selected = LB_ERR;
    SendMessageTimeoutW(list, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, kReplyMs, &selected);
    DWORD_PTR length = 0;
    SendMessageTimeoutW(list, LB_GETTEXTLEN, selected, 0, SMTO_ABORTIFHUNG, kReplyMs, &length);
    std::wstring item(length == static_cast<DWORD_PTR>(LB_ERR) ? 0 : length + 1, L'\0');
    if (!item.empty())
        SendMessageTimeoutW(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(item.data()), SMTO_ABORTIFHUNG,
                            kReplyMs, &length);
    std::printf("selected|%s\n", Utf8(item.c_str()).c_str());

    PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
    HWND question = WaitFor([&] { return FindDialog(id, IDYES); });
    if (!question)
        return give_up("no question after Cancel");
    PrintTexts("confirm", question);
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    if (WaitForSingleObject(setup.hProcess, kWaitMs) != WAIT_OBJECT_0)
        return give_up("Setup still runs after Cancel");
    DWORD code = 0;
    GetExitCodeProcess(setup.hProcess, &code);
    std::printf("exit|%lu\n", code);
    return 0;
}
