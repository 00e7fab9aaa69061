// Helpers for tests that use another program's windows as a person would:
// find its menus and dialogs, press keys in a popup menu, click with the real
// mouse, and measure where a popup menu's items lie.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/harness.h"

namespace qf_test {

// Waits until the process shows `count` windows of the class; returns them
// (fewer when the time ran out).
std::vector<HWND> WaitForWindows(DWORD processId, const wchar_t* className, size_t count, DWORD timeoutMs);

// Posts key presses (WM_KEYDOWN then WM_KEYUP) to a window, one after the
// other with a pause between them. A popup menu's loop reads these.
void PostKeys(HWND window, std::initializer_list<UINT> virtualKeys, DWORD pauseMs = 80);

// Moves the real mouse pointer and clicks the left button there, through the
// X server (xdotool) where it is installed, else with SendInput.
void MoveMouse(int x, int y);
void ClickAt(int x, int y);

RECT WindowRect(HWND window);

// Where the items of a popup menu lie when it is shown at `at`: shows the
// menu in this process for a moment and asks each item's rectangle.
struct PopupLayout {
    RECT window = {};              // the menu window
    std::vector<RECT> items;       // screen rectangles, by position
};
PopupLayout MeasurePopup(HMENU popup, POINT at);

// Centre of a rectangle shifted by (dx, dy).
POINT CentreOf(const RECT& rect, int dx = 0, int dy = 0);

// Texts of a window's children (for reading a dialog of another process).
std::vector<std::wstring> ChildTexts(HWND window);

}  // namespace qf_test
