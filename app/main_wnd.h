// The hidden window that owns the action menu while it is tracked. It is
// never shown and keeps nothing of its own beyond its window base.
#pragma once
#include <windows.h>

#include "framework/window.h"

class CMainWnd : public CWindowImpl<CMainWnd, CWindow, CFrameWinTraits> {
public:
    // Class style 0, arrow cursor, COLOR_WINDOW + 1 background, no icon.
    DECLARE_WND_CLASS_EX(L"QuietfallClass", 0, COLOR_WINDOW)

    static constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

    BEGIN_MSG_MAP(CMainWnd)
        MESSAGE_HANDLER(WM_KILLFOCUS, OnKillFocus)
    END_MSG_MAP()

    // Losing the focus to the menu needs no default processing.
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
};
