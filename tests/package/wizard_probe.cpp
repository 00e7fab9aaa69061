// Starts Setup (the arguments after the first are its own), goes through its
// wizard as a user would and prints, in UTF-8, one line per thing seen:
//   page|<text>|<text>...   the texts of the wizard and its page: the first
//                           page, then the language page after Next
//   selected|<text>         the language list's selection
//   confirm|<text>|...      the texts of the question Cancel asks
//   exit|<code>             Setup's exit code after Cancel and Yes
// Every wait has a time limit; when one runs out the probe prints
// "timeout|<what>" and exits with 1, and Setup is ended.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/gui.h"
#include "tests/support/harness.h"

namespace {

constexpr DWORD kWaitMs = 30000;

// One line of UTF-8: line breaks in a text become blanks.
std::string Utf8(std::wstring text) {
    for (wchar_t& c : text)
        c = (c == L'\r' || c == L'\n') ? L' ' : c;
    return qf_test::Narrow(text);
}

void PrintTexts(const char* tag, HWND window) {
    std::string line = tag;
    for (const std::wstring& text : qf_test::ChildTexts(window))
        line += "|" + Utf8(text);
    std::printf("%s\n", line.c_str());
}

// Waits while Setup runs until found() gives a window.
template <typename Found>
HWND WaitFor(const qf_test::Program& setup, Found found) {
    for (DWORD waited = 0; waited < kWaitMs && setup.Running(); waited += 100) {
        if (HWND window = found())
            return window;
        Sleep(100);
    }
    return nullptr;
}

// A dialog of Setup's with a control of this id: the wizard's Back button
// is 3, the question's Yes button IDYES.
HWND DialogWith(const qf_test::Program& setup, int controlId) {
    for (HWND dialog : qf_test::WindowsOf(setup.ProcessId(), L"#32770"))
        if (GetDlgItem(dialog, controlId))
            return dialog;
    return nullptr;
}

// The wizard's current page, a dialog inside it, and a control of it.
HWND PageControl(HWND wizard, const wchar_t* className) {
    HWND page = FindWindowExW(wizard, nullptr, L"#32770", nullptr);
    return page ? FindWindowExW(page, nullptr, className, nullptr) : nullptr;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam = 0) {
    DWORD_PTR result = static_cast<DWORD_PTR>(LB_ERR);
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

int GiveUp(const char* what) {
    std::printf("timeout|%s\n", what);
    return 1;  // the Program ends Setup
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
    qf_test::Program setup;
    if (!setup.Start(argv[1], command))
        return GiveUp("Setup did not start");

    HWND wizard = WaitFor(setup, [&] { return DialogWith(setup, 3); });
    // The folder page: its edit box holds the folder once the page is shown.
    if (!wizard || !WaitFor(setup, [&] { return PageControl(wizard, L"Edit"); }))
        return GiveUp("no folder page");
    Sleep(500);
    PrintTexts("page", wizard);
    // Posted, not sent: a page that refuses the folder shows a message box.
    PostMessageW(wizard, WM_COMMAND, IDOK, 0);
    HWND list = WaitFor(setup, [&] { return PageControl(wizard, L"ListBox"); });
    if (!list)
        return GiveUp("no language page");
    Sleep(500);
    PrintTexts("page", wizard);
    const LRESULT selected = Ask(list, LB_GETCURSEL, 0);
    const LRESULT length = Ask(list, LB_GETTEXTLEN, selected);
    std::wstring item(length > 0 ? length + 1 : 0, L'\0');
    if (length > 0)
        Ask(list, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(item.data()));
    std::printf("selected|%s\n", Utf8(item.c_str()).c_str());

    PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
    HWND question = WaitFor(setup, [&] { return DialogWith(setup, IDYES); });
    if (!question)
        return GiveUp("no question after Cancel");
    PrintTexts("confirm", question);
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    if (!setup.WaitForExit(kWaitMs))
        return GiveUp("Setup still runs after Cancel");
    std::printf("exit|%lu\n", setup.ExitCode());
    return 0;
}
