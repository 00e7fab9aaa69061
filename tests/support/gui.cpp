#include "tests/support/gui.h"

#include "tests/support/harness.h"

namespace qf_test {

namespace {

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
    auto* texts = reinterpret_cast<std::vector<std::wstring>*>(param);
    wchar_t text[512] = {};
    SendMessageTimeoutW(child, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    texts->push_back(text);
    return TRUE;
}

void SendMouse(int x, int y, DWORD buttonFlags) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((x * 65535LL + width / 2) / (width - 1));
    input.mi.dy = static_cast<LONG>((y * 65535LL + height / 2) / (height - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttonFlags;
    SendInput(1, &input, sizeof input);
}

// State of one measurement: the timer fires inside the menu's own loop.
struct Measure {
    HWND owner;
    HMENU popup;
    PopupLayout* layout;
};
Measure* g_measure = nullptr;

void CALLBACK MeasureTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (!g_measure)
        return;
    RECT& window = g_measure->layout->window;
    if (HWND menu = FindWindowW(L"#32768", nullptr))
        GetWindowRect(menu, &window);
    const int count = GetMenuItemCount(g_measure->popup);
    for (int i = 0; i < count; ++i) {
        RECT rect = {};
        GetMenuItemRect(g_measure->owner, g_measure->popup, i, &rect);
        // Windows answers in screen coordinates, Wine relative to the menu
        // window; bring both to the screen.
        POINT corner = {rect.left, rect.top};
        if (!PtInRect(&window, corner))
            OffsetRect(&rect, window.left, window.top);
        g_measure->layout->items.push_back(rect);
    }
    EndMenu();
}

}  // namespace

std::vector<HWND> WaitForWindows(DWORD processId, const wchar_t* className, size_t count, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        std::vector<HWND> found = WindowsOf(processId, className);
        if (found.size() >= count || GetTickCount() - start > timeoutMs)
            return found;
        Sleep(25);
    }
}

void PostKeys(HWND window, std::initializer_list<UINT> virtualKeys, DWORD pauseMs) {
    for (UINT key : virtualKeys) {
        PostMessageW(window, WM_KEYDOWN, key, 1);
        PostMessageW(window, WM_KEYUP, key, 0xC0000001);
        Sleep(pauseMs);
    }
}

namespace {

// Runs the X server's own input tool (Wine starts a Unix program given by its
// path). Its events come from the X server like a person's, so they reach a
// popup menu of another process, which holds the pointer grab and ignores
// pointer moves injected through Wine. False when the tool is not there.
bool XInput(const std::wstring& arguments) {
    std::wstring commandLine = L"xdotool " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(L"Z:\\usr\\bin\\xdotool", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return false;
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    Sleep(80);
    return true;
}

std::wstring Coordinates(int x, int y) { return std::to_wstring(x) + L" " + std::to_wstring(y); }

}  // namespace

void MoveMouse(int x, int y) {
    if (XInput(L"mousemove " + Coordinates(x, y)))
        return;
    SendMouse(x, y, 0);
    Sleep(50);
}

void ClickAt(int x, int y) {
    // Point first and let the target see the pointer arrive, as a hand would.
    if (XInput(L"mousemove " + Coordinates(x, y))) {
        Sleep(250);
        XInput(L"click 1");
        return;
    }
    SendMouse(x, y, 0);
    Sleep(50);
    SendMouse(x, y, MOUSEEVENTF_LEFTDOWN);
    Sleep(50);
    SendMouse(x, y, MOUSEEVENTF_LEFTUP);
    Sleep(50);
}

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

PopupLayout MeasurePopup(HMENU popup, POINT at) {
    PopupLayout layout;
    HWND owner = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
    Measure measure = {owner, popup, &layout};
    g_measure = &measure;
    SetTimer(nullptr, 0, 200, MeasureTimer);
    TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
    g_measure = nullptr;
    DestroyWindow(owner);
    // Let this process finish with the pointer (the menu grabbed it), so the
    // next clicks reach the program under test.
    FlushEvents(300);
    return layout;
}

POINT CentreOf(const RECT& rect, int dx, int dy) {
    return {(rect.left + rect.right) / 2 + dx, (rect.top + rect.bottom) / 2 + dy};
}

std::vector<std::wstring> ChildTexts(HWND window) {
    std::vector<std::wstring> texts;
    EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

}  // namespace qf_test
