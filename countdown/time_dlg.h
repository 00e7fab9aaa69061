// CTimeDlg: the modal countdown that stands between a timer command and its
// power action. It shows the chosen action's name and the time left, ticks
// once a second, lets the user lengthen or shorten the time ("+", "-", the
// wheel), pick another action or cancel, and ends with 1 when a tick brings
// the count to zero. It never performs an action itself: the caller reads
// m_nMethod after result 1.
#pragma once

#include <windows.h>

#include <vector>

#include "controls/hyperlink.h"
#include "countdown/countdown_method.h"
#include "framework/window.h"
#include "resources/resource.h"

// The platform's power capabilities, as far as the dialog looks at them.
struct PowerGateInput {
    bool hiberFilePresent;
    bool s1, s2, s3;
};
// Hibernate and suspend are offered together, and only when there is a
// hibernation file and at least one sleep state.
bool PowerGatePasses(const PowerGateInput& caps);
// Reads the system's capabilities into a zeroed structure (a failed query
// leaves it zero, so the gate fails) and applies the gate.
bool SystemPowerGatePasses();

class CTimeDlg : public CDialogImpl<CTimeDlg, CWindow> {
public:
    enum { IDD = IDD_TIMEDLG };

    // Timer that drives the ticks.
    static constexpr UINT_PTR kTickTimerId = 1;
    static constexpr UINT kTickMilliseconds = 1000;

    CTimeDlg();
    ~CTimeDlg() override;
    CTimeDlg(const CTimeDlg&) = delete;
    CTimeDlg& operator=(const CTimeDlg&) = delete;

    BEGIN_MSG_MAP(CTimeDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_HANDLER(IDOK, BN_CLICKED, OnOk)
        COMMAND_HANDLER(IDCANCEL, BN_CLICKED, OnCancel)
        COMMAND_HANDLER(IDC_BUTTON_PLUS, BN_CLICKED, OnPlus)
        COMMAND_HANDLER(IDC_BUTTON_MINUS, BN_CLICKED, OnMinus)
        COMMAND_HANDLER(IDC_COMBO_METHOD, CBN_SELCHANGE, OnMethodChange)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        MESSAGE_HANDLER(WM_MOUSEWHEEL, OnMouseWheel)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

    int m_nRemain;                     // seconds left; set by the caller
    CountdownMethod m_nMethod;         // chosen action; read by the caller
    HICON m_hIcon;                     // icon 107, shared
    std::vector<HFONT> m_fontList;     // fonts made here, deleted at destruction
    XHyperLinkStatic m_link;           // the home-page line (control 1000)
    HWND m_hCombo;                     // the action list (control 1001)
    const wchar_t* m_methodText[5];    // action names, owned by the language manager
    const wchar_t* m_lineText[5];      // what the message line puts before the time

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnOk(WORD, WORD, HWND, BOOL& handled);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL& handled);
    LRESULT OnPlus(WORD, WORD, HWND, BOOL& handled);
    LRESULT OnMinus(WORD, WORD, HWND, BOOL& handled);
    LRESULT OnMethodChange(WORD, WORD, HWND, BOOL& handled);
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnMouseWheel(UINT, WPARAM wParam, LPARAM, BOOL& handled);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled);

    void CentreOnOwner();
    void EnlargeMessageFont();
    void UpdateMessage();
};
