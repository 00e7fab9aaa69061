/* Baseline for Quietfall's start-up: a program that only shows a popup menu
   at the mouse cursor, owned by a hidden window, and ends when it closes.
   The owner window has the class fields and style of Quietfall's (arrow
   cursor, COLOR_WINDOW background, title, clipping styles), and the menu the
   shape of Quietfall's (three items, a sub-menu of four, a separator, a
   sub-menu of two, an item), so that the comparison shows what Quietfall's
   code adds to showing such a menu. (Under Wine the class's cursor and
   background alone cost about 3 ms of the first window.)
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
    wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    RegisterClassExW(&wc);
    HWND owner = CreateWindowExW(0, L"BareMenuOwner", L"Quietfall",
                                 WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0, NULL, NULL,
                                 instance, NULL);
    HMENU timers = CreatePopupMenu();
    AppendMenuW(timers, MF_STRING, 11, L"Shut down in 10 minutes");
    AppendMenuW(timers, MF_STRING, 12, L"Shut down in 30 minutes");
    AppendMenuW(timers, MF_STRING, 13, L"Shut down in 60 minutes");
    AppendMenuW(timers, MF_STRING, 14, L"Shut down in 120 minutes");
    HMENU more = CreatePopupMenu();
    AppendMenuW(more, MF_STRING, 21, L"Hibernate");
    AppendMenuW(more, MF_STRING, 22, L"Suspend");
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"Shut down");
    AppendMenuW(menu, MF_STRING, 2, L"Log off");
    AppendMenuW(menu, MF_STRING, 3, L"Restart");
    AppendMenuW(menu, MF_POPUP, (UINT_PTR)timers, L"Timer");
    AppendMenuW(menu, MF_SEPARATOR, 0, NULL);
    AppendMenuW(menu, MF_POPUP, (UINT_PTR)more, L"More");
    AppendMenuW(menu, MF_STRING, 4, L"Help");
    POINT at = {0, 0};
    GetCursorPos(&at);
    SetFocus(owner);
    TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, NULL);
    DestroyMenu(menu);
    DestroyWindow(owner);
    return 0;
}
