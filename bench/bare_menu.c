/* Baseline for Quietfall's start-up: a program that only shows a popup menu
   at the mouse cursor, owned by a hidden window, and ends when it closes.
   Built with the same compiler and flags as Quietfall. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR tail, int show) {
    (void)previous;
    (void)tail;
    (void)show;
    WNDCLASSEXW wc;
    ZeroMemory(&wc, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = L"BareMenuOwner";
    RegisterClassExW(&wc);
    HWND owner = CreateWindowExW(0, L"BareMenuOwner", L"", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, NULL, NULL,
                                 instance, NULL);
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"One");
    AppendMenuW(menu, MF_STRING, 2, L"Two");
    POINT at = {0, 0};
    GetCursorPos(&at);
    SetFocus(owner);
    TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, NULL);
    DestroyMenu(menu);
    DestroyWindow(owner);
    return 0;
}
