// A window with one static control turned into a link, for tests that watch
// the link's shell calls from outside through Wine's relay trace.
//   link_probe.exe              ends at once (a harmless target to "open")
//   link_probe.exe --empty      the link gets an empty URL
//   link_probe.exe <url>        the link opens <url>
// The window (class "QfLinkProbe") holds the static as control 100; the
// program ends when the window is closed.
#include <windows.h>

#include <string>

#include "controls/hyperlink.h"

namespace {

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR tail, int) {
    std::wstring url = tail ? tail : L"";
    if (url.empty())
        return 0;
    if (url == L"--empty")
        url.clear();

    WNDCLASSW wc = {};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"QfLinkProbe";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, L"QfLinkProbe", L"link probe", WS_POPUP | WS_VISIBLE | WS_BORDER, 40, 40,
                                  320, 80, nullptr, nullptr, instance, nullptr);
    HWND label = CreateWindowExW(0, L"STATIC", L"Link probe", WS_CHILD | WS_VISIBLE, 10, 10, 200, 30, window,
                                 reinterpret_cast<HMENU>(100), instance, nullptr);
    XHyperLinkStatic link;
    if (!link.AttachLink(label, url))
        return 2;

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
