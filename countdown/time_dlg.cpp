#include "countdown/time_dlg.h"

#include <powrprof.h>

#include <string>

#include "countdown/countdown_math.h"
#include "localisation/language_manager.h"

namespace {

// The message line has no id of its own in the template.
constexpr int kMessageLineId = -1;

// The action names, in list order (the index is the CountdownMethod).
constexpr const wchar_t* kMethodKeys[5] = {
    L"TEXT_METHOD_SHUDOWN",
    L"TEXT_METHOD_LOGOUT",
    L"TEXT_METHOD_RESTART",
    L"TEXT_METHOD_HIBERNATE",
    L"TEXT_METHOD_SUSPEND",
};

// The message line's own wording of each action, "Herunterfahren in" where
// the list says "Ausschalten". A language file without them shows its list
// names on the line.
constexpr const wchar_t* kCountdownKeys[5] = {
    L"TEXT_COUNTDOWN_SHUTDOWN",
    L"TEXT_COUNTDOWN_LOGOUT",
    L"TEXT_COUNTDOWN_RESTART",
    L"TEXT_COUNTDOWN_HIBERNATE",
    L"TEXT_COUNTDOWN_SUSPEND",
};

}  // namespace

bool PowerGatePasses(const PowerGateInput& caps) {
    return caps.hiberFilePresent && (caps.s1 || caps.s2 || caps.s3);
}

bool SystemPowerGatePasses() {
    SYSTEM_POWER_CAPABILITIES caps;
    ZeroMemory(&caps, sizeof caps);
    GetPwrCapabilities(&caps);  // a failure leaves the structure zero
    return PowerGatePasses(PowerGateInput{caps.HiberFilePresent != FALSE, caps.SystemS1 != FALSE,
                                          caps.SystemS2 != FALSE, caps.SystemS3 != FALSE});
}

CTimeDlg::CTimeDlg()
    : m_nRemain(0),
      m_nMethod(kMethodShutdown),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_QUIETFALL))),
      m_hCombo(nullptr) {
    for (int i = 0; i < 5; ++i) {
        m_methodText[i] = g_languageManager.GetText(kMethodKeys[i]);
        m_lineText[i] = g_languageManager.GetOwnTextOr(kCountdownKeys[i], kMethodKeys[i]);
    }
}

CTimeDlg::~CTimeDlg() {
    // The window, and with it the link's control, is gone by now. The link
    // lets go of its strings and underlined font first, then the fonts made
    // here are deleted (members alone would run the other way round).
    m_link.ReleaseLink();
    for (HFONT font : m_fontList)
        DeleteObject(font);
}

LRESULT CTimeDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    CentreOnOwner();

    SetWindowTextW(m_hWnd, g_languageManager.GetText(L"APP_TITLE"));
    SetDlgItemTextW(m_hWnd, IDCANCEL, g_languageManager.GetText(L"TEXT_IDCANCEL"));
    SetDlgItemTextW(m_hWnd, IDC_STATIC_HOMEPAGE, g_languageManager.GetText(L"TEXT_STATIC_HOMEPAGE"));

    EnlargeMessageFont();

    // The link captures the control's text now, so the text is set above.
    m_link.AttachLink(::GetDlgItem(m_hWnd, IDC_STATIC_HOMEPAGE), g_languageManager.GetText(L"URL_HOME"));

    UpdateMessage();

    SetTimer(m_hWnd, kTickTimerId, kTickMilliseconds, nullptr);

    m_hCombo = ::GetDlgItem(m_hWnd, IDC_COMBO_METHOD);
    for (int i = 0; i < 3; ++i)
        ::SendMessageW(m_hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_methodText[i]));
    if (SystemPowerGatePasses()) {
        ::SendMessageW(m_hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_methodText[kMethodHibernate]));
        ::SendMessageW(m_hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_methodText[kMethodSuspend]));
    }
    ::SendMessageW(m_hCombo, CB_SETCURSEL, static_cast<WPARAM>(m_nMethod), 0);

    return TRUE;  // the platform focuses the first tab stop: Cancel
}

LRESULT CTimeDlg::OnOk(WORD, WORD, HWND, BOOL&) {
    // Enter in the action list arrives as IDOK; it must not end the countdown.
    return 0;
}

LRESULT CTimeDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
    EndDialog(2);
    return 0;
}

LRESULT CTimeDlg::OnPlus(WORD, WORD, HWND, BOOL&) {
    m_nRemain = countdown::AfterPlus(m_nRemain);
    UpdateMessage();
    return 0;
}

LRESULT CTimeDlg::OnMinus(WORD, WORD, HWND, BOOL&) {
    // A count brought to 0 here ends the dialog on the next tick, not now.
    m_nRemain = countdown::AfterMinus(m_nRemain);
    UpdateMessage();
    return 0;
}

LRESULT CTimeDlg::OnMethodChange(WORD, WORD, HWND, BOOL&) {
    m_nMethod = static_cast<CountdownMethod>(::SendMessageW(m_hCombo, CB_GETCURSEL, 0, 0));
    UpdateMessage();
    return 0;
}

LRESULT CTimeDlg::OnTimer(UINT, WPARAM, LPARAM, BOOL&) {
    // Any timer id counts as a tick.
    m_nRemain = countdown::AfterTick(m_nRemain);
    UpdateMessage();
    if (m_nRemain <= 0)
        EndDialog(1);
    return 0;
}

LRESULT CTimeDlg::OnMouseWheel(UINT, WPARAM wParam, LPARAM, BOOL&) {
    // The sign of the rotation sits in the high half, so the whole parameter
    // read as signed has the same sign; each message is one step.
    m_nRemain = countdown::AfterWheel(m_nRemain, static_cast<std::int32_t>(static_cast<DWORD>(wParam)));
    UpdateMessage();
    return 0;
}

LRESULT CTimeDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
    // The timer ends with the window.
    return 0;
}

void CTimeDlg::UpdateMessage() {
    m_nRemain = countdown::ClampRemain(m_nRemain);
    // Built to its full length whatever the language file makes of the name.
    const wchar_t* name = (m_nMethod >= 0 && m_nMethod < 5) ? m_lineText[m_nMethod] : L"";
    std::wstring line = countdown::MessageLine(name, m_nRemain);
    SetDlgItemTextW(m_hWnd, kMessageLineId, line.c_str());
}

void CTimeDlg::EnlargeMessageFont() {
    HWND line = ::GetDlgItem(m_hWnd, kMessageLineId);
    auto font = reinterpret_cast<HFONT>(::SendMessageW(line, WM_GETFONT, 0, 0));
    if (!font)
        return;  // the line keeps the dialog font
    LOGFONTW description = {};
    if (GetObjectW(font, sizeof description, &description) != sizeof description)
        return;
    description.lfHeight -= 10;  // the dialog font's height is negative: 10 units taller
    description.lfWeight = FW_BOLD;
    HFONT bold = CreateFontIndirectW(&description);
    if (!bold)
        return;
    ::SendMessageW(line, WM_SETFONT, reinterpret_cast<WPARAM>(bold), FALSE);
    m_fontList.push_back(bold);
}

void CTimeDlg::CentreOnOwner() {
    // The owner is the reference only while it is shown and not minimised.
    HWND candidate = GetWindow(m_hWnd, GW_OWNER);
    if (candidate) {
        LONG style = GetWindowLongW(candidate, GWL_STYLE);
        if (!(style & WS_VISIBLE) || (style & WS_MINIMIZE))
            candidate = nullptr;
    }
    HMONITOR monitor = MonitorFromWindow(candidate ? candidate : m_hWnd, MONITOR_DEFAULTTONEAREST);
    if (!monitor)
        return;
    MONITORINFO info;
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info))
        return;
    countdown::Box area{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
    countdown::Box reference = area;
    if (candidate) {
        RECT owner;
        GetWindowRect(candidate, &owner);
        reference = countdown::Box{owner.left, owner.top, owner.right, owner.bottom};
    }
    RECT self;
    GetWindowRect(m_hWnd, &self);
    countdown::Position at = countdown::CentredPosition(reference, area, self.right - self.left,
                                                        self.bottom - self.top);
    SetWindowPos(m_hWnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
