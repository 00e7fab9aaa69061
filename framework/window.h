// The window layer of Quietfall: window and dialog objects whose windows send
// every message to the object through a per-object procedure (a thunk).
//
//   CWindow                      the window handle
//   CMessageMap                  the message handler (first virtual slot)
//   CWindowImplRoot<TBase>       both of the above, the thunk, the message in
//                                progress and the destroyed flag
//   CWindowImplBaseT<TBase, T>   windows the object creates or takes over
//   CWindowImpl<T, TBase, T>     plus the object's window class
//   CDialogImplBaseT<TBase>      dialogs
//   CDialogImpl<T, TBase>        modal dialogs from template T::IDD
//
// Virtual slots, in order: ProcessWindowMessage, the destructor,
// GetWindowProc / GetDialogProc, OnFinalMessage.
//
// The first message of a new window reaches the object through the module's
// list of windows under creation: the creating call puts the object there
// for its thread, the start procedure takes it out, installs the thunk as the
// window's procedure and hands the message on. There is no HWND map.
//
// Unhandled messages go to DefWindowProcW for created windows, to the
// previous procedure for a taken-over window, and to the dialog manager's
// default processing (FALSE) for dialogs. No C++ exception leaves a window
// procedure: one that escapes a handler is caught there and the message gets
// its fall-back processing.
#pragma once
#include <windows.h>

#include <cstdint>

#include "framework/thunk.h"

namespace qf_framework {

// Entry of the list of windows under creation: the object whose window the
// thread is creating.
struct CreateWndData {
    void* object;
    DWORD threadId;
    CreateWndData* next;
};

// The layer's module object: its lock (the only one in the program) guards
// class registration, the list of windows under creation and thunk memory.
class CWindowModule {
public:
    CWindowModule();
    ~CWindowModule();
    CWindowModule(const CWindowModule&) = delete;
    CWindowModule& operator=(const CWindowModule&) = delete;

    void Lock() { EnterCriticalSection(&lock_); }
    void Unlock() { LeaveCriticalSection(&lock_); }

    // Puts `object` in the list for the calling thread.
    void AddCreateWndData(CreateWndData* data, void* object);
    // Takes the calling thread's latest entry out of the list; null if none.
    void* ExtractCreateWndData();
    // Takes `data` out if nobody took it (creation failed before the first
    // message), so no stale entry stays behind.
    void RemoveCreateWndData(CreateWndData* data);

private:
    CRITICAL_SECTION lock_;
    CreateWndData* createList_ = nullptr;
};

// Scoped hold of the module lock.
class CModuleLock {
public:
    explicit CModuleLock(CWindowModule& module) : module_(module) { module_.Lock(); }
    ~CModuleLock() { module_.Unlock(); }
    CModuleLock(const CModuleLock&) = delete;
    CModuleLock& operator=(const CModuleLock&) = delete;

private:
    CWindowModule& module_;
};

// The module (exe or DLL) the layer is linked into: its resources and its
// window classes.
HINSTANCE ModuleInstance();
CWindowModule& WindowModule();

// Calls the handler and keeps any exception inside; false when it threw.
template <class Handler>
bool CallHandlerSafely(Handler&& handler, BOOL& handled) noexcept {
    try {
        handled = handler();
        return true;
    } catch (...) {
        handled = FALSE;
        return false;
    }
}

}  // namespace qf_framework

// ---------------------------------------------------------------------------

class CWindow {
public:
    HWND m_hWnd;

    explicit CWindow(HWND hWnd = nullptr) : m_hWnd(hWnd) {}
    operator HWND() const { return m_hWnd; }

    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
    BOOL DestroyWindow() { return ::DestroyWindow(m_hWnd); }
};

class CMessageMap {
public:
    // Reports whether the message was handled; when it was, lResult is its
    // result. Only msgMapId 0 is served.
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                      LRESULT& lResult, DWORD msgMapId) = 0;

protected:
    ~CMessageMap() = default;
};

template <class TBase = CWindow>
class CWindowImplRoot : public TBase, public CMessageMap {
public:
    enum : DWORD { kStateDestroyed = 0x1 };

    qf_framework::CWndProcThunk m_thunk;
    const MSG* m_pCurrentMsg = nullptr;
    DWORD m_dwState = 0;

    CWindowImplRoot() = default;
    CWindowImplRoot(const CWindowImplRoot&) = delete;
    CWindowImplRoot& operator=(const CWindowImplRoot&) = delete;
    // Releases the thunk with the object (m_thunk's destructor). The window
    // must be gone or given back by then.
    virtual ~CWindowImplRoot() = default;

    // The message being processed, or null outside a message.
    const MSG* GetCurrentMessage() const { return m_pCurrentMsg; }

protected:
    // What the window and the dialog procedure share: makes the message the
    // one in progress, has the message map handle it (no exception gets
    // out), lets `answer(window, handled, result)` finish it the way the
    // procedure's kind asks, marks the window gone at WM_NCDESTROY, and once
    // no message of this object is in progress any more after that, forgets
    // the handle and calls `final(window)` (the final-message hand-off).
    // Returns what `answer` returned.
    template <class Answer, class Final>
    auto RouteMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, Answer&& answer, Final&& final) {
        const HWND window = this->m_hWnd;
        MSG msg = {window, uMsg, wParam, lParam, 0, {0, 0}};
        const MSG* outer = m_pCurrentMsg;
        m_pCurrentMsg = &msg;

        LRESULT result = 0;
        BOOL handled = FALSE;
        qf_framework::CallHandlerSafely(
            [&] { return this->ProcessWindowMessage(window, uMsg, wParam, lParam, result, 0); }, handled);
        const auto answered = answer(window, handled, result);
        if (uMsg == WM_NCDESTROY)
            m_dwState |= kStateDestroyed;

        m_pCurrentMsg = outer;
        if (outer == nullptr && (m_dwState & kStateDestroyed)) {
            m_dwState &= ~kStateDestroyed;
            this->m_hWnd = nullptr;
            final(window);
        }
        return answered;
    }
};

// Window traits: the styles a window gets when Create is given none.
template <DWORD t_dwStyle = 0, DWORD t_dwExStyle = 0>
class CWinTraits {
public:
    static DWORD GetWndStyle(DWORD dwStyle) { return dwStyle == 0 ? t_dwStyle : dwStyle; }
    static DWORD GetWndExStyle(DWORD dwExStyle) { return dwExStyle == 0 ? t_dwExStyle : dwExStyle; }
};

using CControlWinTraits = CWinTraits<WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0>;
using CFrameWinTraits = CWinTraits<WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0>;

template <class TBase = CWindow, class TWinTraits = CControlWinTraits>
class CWindowImplBaseT : public CWindowImplRoot<TBase> {
public:
    WNDPROC m_prevWndProc = ::DefWindowProcW;

    virtual WNDPROC GetWindowProc() { return WindowProc; }
    // Called once the window's last message has been processed and the
    // object has forgotten the handle.
    virtual void OnFinalMessage(HWND) {}

    static DWORD GetWndStyle(DWORD dwStyle) { return TWinTraits::GetWndStyle(dwStyle); }
    static DWORD GetWndExStyle(DWORD dwExStyle) { return TWinTraits::GetWndExStyle(dwExStyle); }

    // The class's first procedure: takes the object from the list of windows
    // under creation, makes its thunk the window's procedure and passes this
    // first message on through it.
    static LRESULT CALLBACK StartWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
        auto* self = static_cast<CWindowImplBaseT*>(qf_framework::WindowModule().ExtractCreateWndData());
        if (self == nullptr)
            return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
        self->m_hWnd = hWnd;
        // The thunk was allocated before CreateWindowExW, so this only writes data.
        self->m_thunk.Init(qf_framework::ProcAddress(self->GetWindowProc()), self);
        WNDPROC proc = self->m_thunk.GetWNDPROC();
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
        return proc(hWnd, uMsg, wParam, lParam);
    }

    // Reached through the thunk: hWnd is the object.
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CWindowImplBaseT*>(hWnd);
        const WNDPROC previous = self->m_prevWndProc;
        const auto answer = [&](HWND window, BOOL handled, LRESULT result) {
            if (uMsg == WM_NCDESTROY) {
                // Last message of the window: let the previous procedure see
                // it, and give that procedure back unless somebody replaced
                // ours since.
                if (!handled)
                    result = self->DefWindowProc(uMsg, wParam, lParam);
                if (self->m_prevWndProc != ::DefWindowProcW &&
                    ::GetWindowLongPtrW(window, GWLP_WNDPROC) ==
                        reinterpret_cast<LONG_PTR>(self->m_thunk.GetWNDPROC()))
                    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->m_prevWndProc));
            } else if (!handled) {
                // A handler may have given the window back (the link does so
                // on WM_DESTROY); the message still belongs to the procedure
                // that was in place when it arrived, and to the window itself.
                result = ::CallWindowProcW(previous, window, uMsg, wParam, lParam);
            }
            return result;
        };
        return self->RouteMessage(uMsg, wParam, lParam, answer, [self](HWND window) {
            self->m_prevWndProc = ::DefWindowProcW;
            self->OnFinalMessage(window);
        });
    }

    // Creates the window of class `atom` for this object. Null when the
    // class is not registered, the thunk cannot be allocated (last error
    // ERROR_OUTOFMEMORY, nothing created) or CreateWindowExW fails.
    HWND Create(HWND hWndParent, const RECT& rect, LPCWSTR windowName, DWORD dwStyle, DWORD dwExStyle,
                HMENU menu, ATOM atom, LPVOID createParam) {
        if (atom == 0 || this->m_hWnd != nullptr)
            return nullptr;
        if (!this->m_thunk.Allocate()) {
            ::SetLastError(ERROR_OUTOFMEMORY);
            return nullptr;
        }
        qf_framework::CreateWndData data;
        qf_framework::WindowModule().AddCreateWndData(&data, static_cast<CWindowImplBaseT*>(this));
        HWND hWnd = ::CreateWindowExW(dwExStyle, MAKEINTATOM(atom), windowName, dwStyle, rect.left, rect.top,
                                      rect.right - rect.left, rect.bottom - rect.top, hWndParent, menu,
                                      qf_framework::ModuleInstance(), createParam);
        qf_framework::WindowModule().RemoveCreateWndData(&data);
        return hWnd;
    }

    // Takes over an existing window: its messages come to this object first,
    // the rest go on to its previous procedure.
    BOOL SubclassWindow(HWND hWnd) {
        if (this->m_hWnd != nullptr || !::IsWindow(hWnd))
            return FALSE;
        if (!this->m_thunk.Init(qf_framework::ProcAddress(GetWindowProc()), this)) {
            ::SetLastError(ERROR_OUTOFMEMORY);
            return FALSE;
        }
        WNDPROC proc = this->m_thunk.GetWNDPROC();
        auto previous = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
        if (previous == nullptr)
            return FALSE;
        m_prevWndProc = previous;
        this->m_hWnd = hWnd;
        return TRUE;
    }

    // Gives a taken-over window its previous procedure back, but only while
    // the window's procedure is still this object's (force: in any case).
    // Returns the window, or null when nothing was given back.
    HWND UnsubclassWindow(BOOL force = FALSE) {
        HWND hWnd = this->m_hWnd;
        if (hWnd == nullptr)
            return nullptr;
        const LONG_PTR ours = reinterpret_cast<LONG_PTR>(this->m_thunk.GetWNDPROC());
        if (!force && ::GetWindowLongPtrW(hWnd, GWLP_WNDPROC) != ours)
            return nullptr;
        if (::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevWndProc)) == 0)
            return nullptr;
        m_prevWndProc = ::DefWindowProcW;
        this->m_hWnd = nullptr;
        return hWnd;
    }

    // The fall-back for messages the map does not handle.
    LRESULT DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
        return ::CallWindowProcW(m_prevWndProc, this->m_hWnd, uMsg, wParam, lParam);
    }
    LRESULT DefWindowProc() {
        const MSG* msg = this->m_pCurrentMsg;
        return msg ? DefWindowProc(msg->message, msg->wParam, msg->lParam) : 0;
    }
};

namespace qf_framework {

// The fields of a window class. The background is a system colour index
// (COLOR_...), registered as index + 1; 0 means no background brush.
struct CWndClassInfo {
    LPCWSTR className;
    UINT style;
    LPCWSTR cursor;  // system cursor id, null for none
    int backgroundColor;
    ATOM atom;

    // Registers the class once per process (under the module lock) with
    // `startProc` as its procedure; returns its atom, 0 on failure.
    ATOM Register(WNDPROC startProc);
};

}  // namespace qf_framework

// Declares the window class of a CWindowImpl, e.g.
//   DECLARE_WND_CLASS_EX(L"QuietfallClass", 0, COLOR_WINDOW)
#define DECLARE_WND_CLASS_EX(name, style, background)                                  \
    static ::qf_framework::CWndClassInfo& GetWndClassInfo() {                          \
        static ::qf_framework::CWndClassInfo info = {name, style, IDC_ARROW, (background) + 1, 0}; \
        return info;                                                                   \
    }

template <class T, class TBase = CWindow, class TWinTraits = CControlWinTraits>
class CWindowImpl : public CWindowImplBaseT<TBase, TWinTraits> {
public:
    // Registers T's class on first use and creates the window; styles of 0
    // take the traits' styles.
    HWND Create(HWND hWndParent, const RECT& rect, LPCWSTR windowName = nullptr, DWORD dwStyle = 0,
                DWORD dwExStyle = 0, HMENU menu = nullptr, LPVOID createParam = nullptr) {
        ATOM atom = T::GetWndClassInfo().Register(&CWindowImplBaseT<TBase, TWinTraits>::StartWindowProc);
        dwStyle = TWinTraits::GetWndStyle(dwStyle);
        dwExStyle = TWinTraits::GetWndExStyle(dwExStyle);
        return CWindowImplBaseT<TBase, TWinTraits>::Create(hWndParent, rect, windowName, dwStyle, dwExStyle,
                                                           menu, atom, createParam);
    }
};

template <class TBase = CWindow>
class CDialogImplBaseT : public CWindowImplRoot<TBase> {
public:
    virtual DLGPROC GetDialogProc() { return DialogProc; }
    virtual void OnFinalMessage(HWND) {}

    // First procedure of the dialog: takes the object from the list of
    // windows under creation and makes its thunk the dialog procedure.
    static INT_PTR CALLBACK StartDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
        auto* self = static_cast<CDialogImplBaseT*>(qf_framework::WindowModule().ExtractCreateWndData());
        if (self == nullptr)
            return FALSE;
        self->m_hWnd = hWnd;
        self->m_thunk.Init(qf_framework::ProcAddress(self->GetDialogProc()), self);
        DLGPROC proc = self->m_thunk.GetDLGPROC();
        ::SetWindowLongPtrW(hWnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
        return proc(hWnd, uMsg, wParam, lParam);
    }

    // Reached through the thunk: hWnd is the object.
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CDialogImplBaseT*>(hWnd);
        const auto answer = [&](HWND window, BOOL handled, LRESULT result) -> INT_PTR {
            if (!handled)
                return FALSE;
            switch (uMsg) {
            // These messages answer through the return value itself.
            case WM_COMPAREITEM:
            case WM_VKEYTOITEM:
            case WM_CHARTOITEM:
            case WM_INITDIALOG:
            case WM_QUERYDRAGICON:
            case WM_CTLCOLORMSGBOX:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORLISTBOX:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLORDLG:
            case WM_CTLCOLORSCROLLBAR:
            case WM_CTLCOLORSTATIC:
                return static_cast<INT_PTR>(result);
            default:
                if (uMsg != WM_NCDESTROY)
                    ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
                return TRUE;
            }
        };
        return self->RouteMessage(uMsg, wParam, lParam, answer, [self](HWND window) { self->OnFinalMessage(window); });
    }

    BOOL EndDialog(int result) { return ::EndDialog(this->m_hWnd, result); }
};

template <class T, class TBase = CWindow>
class CDialogImpl : public CDialogImplBaseT<TBase> {
public:
    // Runs dialog template T::IDD modally and returns its end code; -1 when
    // the dialog cannot be created. When no thunk can be allocated it sets
    // ERROR_OUTOFMEMORY and returns -1 without creating anything.
    INT_PTR RunModal(HWND owner, LPARAM initParam = 0) {
        if (this->m_hWnd != nullptr)
            return -1;
        if (!this->m_thunk.Allocate()) {
            ::SetLastError(ERROR_OUTOFMEMORY);
            return -1;
        }
        qf_framework::CreateWndData data;
        qf_framework::WindowModule().AddCreateWndData(&data, static_cast<CDialogImplBaseT<TBase>*>(this));
        INT_PTR result = ::DialogBoxParamW(qf_framework::ModuleInstance(), MAKEINTRESOURCEW(T::IDD), owner,
                                           CDialogImplBaseT<TBase>::StartDialogProc, initParam);
        qf_framework::WindowModule().RemoveCreateWndData(&data);
        return result;
    }
};

// ---------------------------------------------------------------------------
// Message maps that read like a table:
//
//   BEGIN_MSG_MAP(CMyWnd)
//       MESSAGE_HANDLER(WM_TIMER, OnTimer)
//       COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
//   END_MSG_MAP()
//
// Message handlers:  LRESULT OnX(UINT msg, WPARAM, LPARAM, BOOL& handled)
// Command handlers:  LRESULT OnY(WORD code, WORD id, HWND control, BOOL& handled)
// `handled` comes in TRUE; a handler that clears it lets the search go on.

#define BEGIN_MSG_MAP(theClass)                                                                 \
public:                                                                                         \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult, \
                              DWORD msgMapId) override {                                        \
        (void)sizeof(theClass);                                                                 \
        (void)hWnd;                                                                             \
        (void)uMsg;                                                                             \
        (void)lResult;                                                                          \
        (void)wParam;                                                                           \
        (void)lParam;                                                                           \
        BOOL bHandled = TRUE;                                                                   \
        (void)bHandled;                                                                         \
        if (msgMapId != 0)                                                                      \
            return FALSE;

#define MESSAGE_HANDLER(msg, func)                             \
    if (uMsg == (msg)) {                                       \
        bHandled = TRUE;                                       \
        lResult = func(uMsg, wParam, lParam, bHandled);        \
        if (bHandled)                                          \
            return TRUE;                                       \
    }

#define COMMAND_HANDLER(id, code, func)                                                       \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) {           \
        bHandled = TRUE;                                                                      \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
        if (bHandled)                                                                         \
            return TRUE;                                                                      \
    }

#define COMMAND_ID_HANDLER(id, func)                                                          \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                       \
        bHandled = TRUE;                                                                      \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
        if (bHandled)                                                                         \
            return TRUE;                                                                      \
    }

#define END_MSG_MAP() \
    return FALSE;     \
    }
