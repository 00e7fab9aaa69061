#include "controls/hyperlink.h"

#include <commctrl.h>
#include <shellapi.h>

#include "controls/link_flags.h"

XHyperLinkStatic::XHyperLinkStatic()
    : m_hFont(nullptr),
      m_hUnderlineFont(nullptr),
      m_bHover(FALSE),
      m_hHandCursor(LoadCursorW(nullptr, IDC_HAND)) {}

XHyperLinkStatic::~XHyperLinkStatic() { ReleaseLink(); }

void XHyperLinkStatic::ReleaseLink() {
    if (m_hUnderlineFont)
        DeleteObject(m_hUnderlineFont);
    m_hUnderlineFont = nullptr;
    m_hFont = nullptr;  // the dialog's, not ours
    std::wstring().swap(m_strUrl);
    std::wstring().swap(m_strText);
}

BOOL XHyperLinkStatic::AttachLink(HWND window, const std::wstring& url) {
    if (!SubclassWindow(window))
        return FALSE;

    m_strUrl = url;

    int length = GetWindowTextLengthW(window);
    std::wstring text(length > 0 ? static_cast<size_t>(length) + 1 : 1, L'\0');
    int copied = GetWindowTextW(window, &text[0], static_cast<int>(text.size()));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    m_strText = text;

    if (!m_strUrl.empty()) {
        m_hFont = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
        // A static outside a dialog may carry no font of its own: draw it in
        // the default GUI font then, rather than in whatever the DC holds.
        if (!m_hFont)
            m_hFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        LOGFONTW description = {};
        if (GetObjectW(m_hFont, sizeof description, &description) == sizeof description) {
            description.lfUnderline = 1;
            m_hUnderlineFont = CreateFontIndirectW(&description);
        }
    }
    return TRUE;
}

LRESULT XHyperLinkStatic::OnNcHitTest(UINT, WPARAM, LPARAM, BOOL&) {
    // The whole control takes mouse input, although a static without
    // SS_NOTIFY would let it pass through to the dialog.
    return HTCLIENT;
}

LRESULT XHyperLinkStatic::OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    if (m_strUrl.empty() || !dc) {
        EndPaint(m_hWnd, &paint);
        return 0;
    }
    RECT client;
    GetClientRect(m_hWnd, &client);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));  // background mode stays opaque

    HFONT font = m_hFont;
    if (m_bHover) {
        SetTextColor(dc, kHoverColour);
        if (m_hUnderlineFont)
            font = m_hUnderlineFont;
    } else {
        SetTextColor(dc, kNormalColour);
    }
    HGDIOBJ kept = SelectObject(dc, font);

    auto style = static_cast<std::uint32_t>(GetWindowLongW(m_hWnd, GWL_STYLE));
    UINT flags = link_flags::DrawFlagsForStyle(style);
    DrawTextW(dc, m_strText.c_str(), static_cast<int>(m_strText.size()), &client, flags);

    SelectObject(dc, kept);
    EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT XHyperLinkStatic::OnEraseBkgnd(UINT, WPARAM wParam, LPARAM, BOOL&) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    RECT client;
    GetClientRect(m_hWnd, &client);
    COLORREF old = SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, L"", 0, nullptr);
    SetBkColor(dc, old);
    return 0;
}

LRESULT XHyperLinkStatic::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&) {
    // Only the release counts; the press is left to the static.
    if (!m_strUrl.empty())
        ShellExecuteW(nullptr, L"open", m_strUrl.c_str(), nullptr, nullptr, SW_SHOW);
    return 0;
}

LRESULT XHyperLinkStatic::OnMouseMove(UINT, WPARAM, LPARAM, BOOL& handled) {
    if (m_strUrl.empty())
        return 0;  // inert: handled, nothing else
    handled = FALSE;
    // Every move: WM_SETCURSOR goes on to the static, which would put the
    // arrow back, so the hand is set here each time.
    SetCursor(m_hHandCursor);
    if (m_bHover)
        return 0;
    InvalidateRect(m_hWnd, nullptr, FALSE);
    TRACKMOUSEEVENT track;
    track.cbSize = sizeof track;
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = m_hWnd;
    track.dwHoverTime = 1;
    // A refused request leaves the control plain; the next move asks again.
    // The common controls are loaded here, the first time the pointer
    // reaches the link (Quietfall delay-imports them).
    m_bHover = _TrackMouseEvent(&track);
    return 0;
}

LRESULT XHyperLinkStatic::OnMouseLeave(UINT, WPARAM, LPARAM, BOOL& handled) {
    m_bHover = FALSE;
    InvalidateRect(m_hWnd, nullptr, FALSE);
    handled = FALSE;
    return 0;
}

LRESULT XHyperLinkStatic::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
    handled = FALSE;
    // Give the control its own procedure back while ours is still the one in
    // place (the window's procedure is compared with this object's thunk); on
    // success the object forgets the window. If someone has subclassed over
    // us, the framework detaches at WM_NCDESTROY instead.
    UnsubclassWindow(FALSE);
    return 0;
}
