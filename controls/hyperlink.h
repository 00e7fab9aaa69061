// XHyperLinkStatic: turns an existing static text control into a web link.
// It takes over the control's window procedure, paints the text captured at
// attachment in blue (red and underlined while the mouse is over it), shows
// the hand cursor and opens its URL through the shell when the left button is
// released over it. It never creates a window of its own; an empty URL leaves
// the control blank and inert.
#pragma once

#include <windows.h>

#include <string>

#include "framework/window.h"

class XHyperLinkStatic
    : public CWindowImpl<XHyperLinkStatic, CWindow, CWinTraits<0x56000000, 0>> {
public:
    // Text colours (COLORREF, red in the low byte).
    static constexpr COLORREF kNormalColour = 0x00FF0000;  // blue
    static constexpr COLORREF kHoverColour = 0x000000FF;   // red

    XHyperLinkStatic();
    ~XHyperLinkStatic() override;
    XHyperLinkStatic(const XHyperLinkStatic&) = delete;
    XHyperLinkStatic& operator=(const XHyperLinkStatic&) = delete;

    // Takes over the static control `window` and makes it a link to `url`.
    // FALSE when the window procedure cannot be replaced; the control then
    // stays plain text and nothing else changes.
    BOOL AttachLink(HWND window, const std::wstring& url);
    // Releases what the link holds: both strings and the underlined font.
    // The destructor does so too; an owner calls it to choose the moment,
    // which must come after the control's window is gone (it paints with
    // that font).
    void ReleaseLink();

    BEGIN_MSG_MAP(XHyperLinkStatic)
        MESSAGE_HANDLER(WM_NCHITTEST, OnNcHitTest)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBkgnd)
        MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
        MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
        MESSAGE_HANDLER(WM_MOUSELEAVE, OnMouseLeave)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

    std::wstring m_strUrl;     // opened on click; empty switches the link off
    std::wstring m_strText;    // drawn; the control's text at attachment
    HFONT m_hFont;             // the control's font, not owned
    HFONT m_hUnderlineFont;    // underlined copy of m_hFont, owned
    BOOL m_bHover;             // mouse over the control, leaving is tracked
    HCURSOR m_hHandCursor;     // system hand cursor, shared

private:
    LRESULT OnNcHitTest(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnEraseBkgnd(UINT, WPARAM wParam, LPARAM, BOOL& handled);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnMouseLeave(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled);
};
