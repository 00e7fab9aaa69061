// The window layer under Wine: routing through per-object thunks, fall-backs,
// taking over and giving back real windows, teardown and the final-message
// hook, class registration, modal dialogs and thunk allocation failure.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <new>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/window.h"
#include "tests/support/win32_thread.h"
#include "tests/framework/framework_test_ids.h"

namespace {

constexpr UINT WM_PING = WM_APP + 1;
constexpr UINT WM_THROW = WM_APP + 2;
constexpr UINT WM_END = WM_APP + 3;
constexpr UINT WM_ECHO = WM_APP + 4;

void Flush() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// A created window that records what reaches its object.
class CTestWnd : public CWindowImpl<CTestWnd, CWindow, CFrameWinTraits> {
public:
    DECLARE_WND_CLASS_EX(L"QfFrameworkTestClass", 0, COLOR_WINDOW)

    int id = 0;
    WPARAM echoedW = 0;
    LPARAM echoedL = 0;
    const CTestWnd* echoedBy = nullptr;
    std::vector<UINT> seen;
    std::vector<std::string> events;
    HWND finalWindow = nullptr;
    int finalCount = 0;
    bool hwndKeptDuringClose = false;

    BEGIN_MSG_MAP(CTestWnd)
        seen.push_back(uMsg);
        MESSAGE_HANDLER(WM_PING, OnPing)
        MESSAGE_HANDLER(WM_THROW, OnThrow)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
        MESSAGE_HANDLER(WM_ECHO, OnEcho)
    END_MSG_MAP()

    LRESULT OnPing(UINT, WPARAM, LPARAM, BOOL&) { return id; }
    LRESULT OnEcho(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
        echoedW = wParam;
        echoedL = lParam;
        echoedBy = this;
        return ~lParam;
    }
    LRESULT OnThrow(UINT, WPARAM, LPARAM, BOOL&) { throw std::runtime_error("handler failed"); }
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&) {
        DestroyWindow();
        // The window is gone, but this message is still in progress: the
        // object must keep its handle until it returns.
        hwndKeptDuringClose = m_hWnd != nullptr;
        events.push_back("close returns");
        return 0;
    }
    void OnFinalMessage(HWND window) override {
        events.push_back("final");
        finalWindow = window;
        ++finalCount;
    }

    bool Saw(UINT message) const {
        for (UINT m : seen)
            if (m == message)
                return true;
        return false;
    }
};

HWND CreateTestWindow(CTestWnd& wnd) {
    RECT rect = {0, 0, 100, 80};
    return wnd.Create(nullptr, rect, L"framework test");
}

TEST(WindowLayer, TwoWindowsOfOneClassReachTheirOwnObjects) {
    CTestWnd first, second;
    first.id = 11;
    second.id = 22;
    HWND a = CreateTestWindow(first);
    HWND b = CreateTestWindow(second);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(first.m_hWnd, a);
    EXPECT_EQ(second.m_hWnd, b);

    // Each window has its own procedure: its object's thunk.
    EXPECT_EQ(GetWindowLongPtrW(a, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(first.m_thunk.GetWNDPROC()));
    EXPECT_EQ(GetWindowLongPtrW(b, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(second.m_thunk.GetWNDPROC()));
    EXPECT_NE(first.m_thunk.GetWNDPROC(), second.m_thunk.GetWNDPROC());

    EXPECT_EQ(SendMessageW(a, WM_PING, 0, 0), 11);
    EXPECT_EQ(SendMessageW(b, WM_PING, 0, 0), 22);
    EXPECT_EQ(SendMessageW(a, WM_PING, 0, 0), 11);

    // The first message of each window (sent inside CreateWindowExW) already
    // reached the object.
    EXPECT_TRUE(first.Saw(WM_NCCREATE));
    EXPECT_TRUE(first.Saw(WM_CREATE));
    EXPECT_TRUE(second.Saw(WM_NCCREATE));

    EXPECT_TRUE(DestroyWindow(a));
    EXPECT_TRUE(DestroyWindow(b));
    EXPECT_EQ(first.m_hWnd, nullptr);
    EXPECT_EQ(second.m_hWnd, nullptr);
}

TEST(WindowLayer, CreatedWindowHasTheClassAndTraitsFields) {
    CTestWnd wnd;
    HWND window = CreateTestWindow(wnd);
    ASSERT_NE(window, nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExW(qf_framework::ModuleInstance(), L"QfFrameworkTestClass", &wc));
    EXPECT_EQ(wc.style, 0u);
    EXPECT_EQ(wc.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    EXPECT_EQ(wc.hCursor, LoadCursorW(nullptr, IDC_ARROW));
    WNDPROC start = &CWindowImplBaseT<CWindow, CFrameWinTraits>::StartWindowProc;
    EXPECT_EQ(wc.lpfnWndProc, start);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS),
              static_cast<LONG>(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS));
    EXPECT_FALSE(style & WS_VISIBLE);
    DestroyWindow(window);
}

TEST(WindowLayer, UnhandledMessagesGoToDefWindowProc) {
    CTestWnd wnd;
    HWND window = CreateTestWindow(wnd);
    ASSERT_NE(window, nullptr);
    // WM_SETTEXT and WM_GETTEXT are not in the map: DefWindowProcW keeps the
    // caption, and the object still saw both messages first.
    EXPECT_TRUE(SetWindowTextW(window, L"changed"));
    wchar_t text[32] = {};
    EXPECT_EQ(GetWindowTextW(window, text, 32), 7);
    EXPECT_STREQ(text, L"changed");
    EXPECT_TRUE(wnd.Saw(WM_SETTEXT));
    EXPECT_TRUE(wnd.Saw(WM_GETTEXT));
    // WM_NCHITTEST from DefWindowProcW: the client area of a window at 0,0.
    EXPECT_NE(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(-5000, -5000)), HTCLIENT);
    DestroyWindow(window);
}

TEST(WindowLayer, ExceptionInAHandlerDoesNotLeaveTheWindowProcedure) {
    CTestWnd wnd;
    wnd.id = 5;
    HWND window = CreateTestWindow(wnd);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageW(window, WM_THROW, 0, 0), 0);  // fell back to DefWindowProcW
    EXPECT_EQ(SendMessageW(window, WM_PING, 0, 0), 5);
    DestroyWindow(window);
}

TEST(WindowLayer, FinalMessageHookRunsAfterTheOutermostMessage) {
    CTestWnd wnd;
    HWND window = CreateTestWindow(wnd);
    ASSERT_NE(window, nullptr);
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(wnd.hwndKeptDuringClose);
    ASSERT_EQ(wnd.events.size(), 2u);
    EXPECT_EQ(wnd.events[0], "close returns");
    EXPECT_EQ(wnd.events[1], "final");
    EXPECT_EQ(wnd.finalCount, 1);
    EXPECT_EQ(wnd.finalWindow, window);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_TRUE(wnd.Saw(WM_NCDESTROY));
    EXPECT_EQ(wnd.seen.back(), static_cast<UINT>(WM_NCDESTROY));
}

TEST(WindowLayer, WindowsCanBeCreatedAgainAfterTheFinalMessage) {
    CTestWnd wnd;
    HWND first = CreateTestWindow(wnd);
    ASSERT_NE(first, nullptr);
    DestroyWindow(first);
    ASSERT_EQ(wnd.m_hWnd, nullptr);
    HWND second = CreateTestWindow(wnd);
    ASSERT_NE(second, nullptr);
    wnd.id = 3;
    EXPECT_EQ(SendMessageW(second, WM_PING, 0, 0), 3);
    DestroyWindow(second);
    EXPECT_EQ(wnd.finalCount, 2);
}

// ---------------------------------------------------------------------------
// Taking over existing windows.

// A window procedure of our own for a plain class, recording its messages, so
// the test can see what the previous procedure receives.
std::vector<UINT> g_baseSeen;
HWND g_baseDestroyed = nullptr;  // the window the base procedure saw WM_DESTROY for
LRESULT CALLBACK BaseProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_baseSeen.push_back(msg);
    if (msg == WM_DESTROY)
        g_baseDestroyed = hWnd;
    if (msg == WM_PING)
        return 1000;
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

HWND CreateBaseWindow() {
    static ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = BaseProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QfFrameworkBase";
        return RegisterClassW(&wc);
    }();
    g_baseSeen.clear();
    return CreateWindowW(MAKEINTATOM(atom), L"base", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

// Procedure installed over a taken-over window by somebody else.
WNDPROC g_outerPrevious = nullptr;
std::vector<UINT> g_outerSeen;
LONG_PTR g_procAfterNcDestroy = 0;
LRESULT CALLBACK OuterProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_outerSeen.push_back(msg);
    LRESULT result = CallWindowProcW(g_outerPrevious, hWnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY)
        g_procAfterNcDestroy = GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
    return result;
}

class CSubclassWnd : public CWindowImpl<CSubclassWnd> {
public:
    bool giveBackOnDestroy = false;
    HWND gaveBack = reinterpret_cast<HWND>(-1);
    std::vector<UINT> seen;
    int finalCount = 0;
    LONG_PTR procAtFinal = 0;

    BEGIN_MSG_MAP(CSubclassWnd)
        seen.push_back(uMsg);
        MESSAGE_HANDLER(WM_PING, OnPing)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

    LRESULT OnPing(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
        handled = wParam != 0;  // 0: let the previous procedure answer
        return 7;
    }
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
        if (giveBackOnDestroy)
            gaveBack = UnsubclassWindow();
        handled = FALSE;
        return 0;
    }
    void OnFinalMessage(HWND window) override {
        ++finalCount;
        procAtFinal = GetWindowLongPtrW(window, GWLP_WNDPROC);
    }
    bool Saw(UINT message) const {
        for (UINT m : seen)
            if (m == message)
                return true;
        return false;
    }
};

TEST(WindowLayer, TakenOverEditControlFallsBackToItsOwnProcedure) {
    HWND edit = CreateWindowW(L"EDIT", L"one", WS_OVERLAPPED | ES_MULTILINE, 0, 0, 100, 60, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    const LONG_PTR editProc = GetWindowLongPtrW(edit, GWLP_WNDPROC);
    CSubclassWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(edit));
    EXPECT_EQ(wnd.m_hWnd, edit);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(wnd.m_prevWndProc), editProc);
    EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(wnd.m_thunk.GetWNDPROC()));

    // The edit control's own procedure answers what the map leaves alone.
    SetWindowTextW(edit, L"a\r\nb\r\nc");
    EXPECT_EQ(SendMessageW(edit, EM_GETLINECOUNT, 0, 0), 3);
    EXPECT_TRUE(wnd.Saw(EM_GETLINECOUNT));
    EXPECT_EQ(SendMessageW(edit, WM_PING, 1, 0), 7);

    // Given back on request: the edit's procedure is in place again.
    EXPECT_EQ(wnd.UnsubclassWindow(), edit);
    EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC), editProc);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    wnd.seen.clear();
    EXPECT_EQ(SendMessageW(edit, EM_GETLINECOUNT, 0, 0), 3);
    EXPECT_TRUE(wnd.seen.empty());
    DestroyWindow(edit);
    EXPECT_EQ(wnd.finalCount, 0);
}

TEST(WindowLayer, TakenOverWindowIsGivenBackOnDestroy) {
    HWND base = CreateBaseWindow();
    ASSERT_NE(base, nullptr);
    CSubclassWnd wnd;
    wnd.giveBackOnDestroy = true;
    ASSERT_TRUE(wnd.SubclassWindow(base));
    EXPECT_EQ(SendMessageW(base, WM_PING, 0, 0), 1000);  // unhandled: previous procedure
    g_baseDestroyed = nullptr;
    DestroyWindow(base);
    EXPECT_EQ(wnd.gaveBack, base);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    // The WM_DESTROY that the object let go of still reached the window's own
    // procedure, for the window itself.
    EXPECT_EQ(g_baseDestroyed, base);
    // WM_NCDESTROY went straight to the previous procedure.
    EXPECT_FALSE(wnd.Saw(WM_NCDESTROY));
    ASSERT_FALSE(g_baseSeen.empty());
    EXPECT_EQ(g_baseSeen.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_EQ(wnd.finalCount, 0);
}

TEST(WindowLayer, TakenOverWindowDetachesAtNcDestroyWhenStillOurs) {
    HWND base = CreateBaseWindow();
    ASSERT_NE(base, nullptr);
    CSubclassWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(base));
    DestroyWindow(base);
    EXPECT_TRUE(wnd.Saw(WM_NCDESTROY));
    ASSERT_FALSE(g_baseSeen.empty());
    EXPECT_EQ(g_baseSeen.back(), static_cast<UINT>(WM_NCDESTROY));  // passed on
    EXPECT_EQ(wnd.finalCount, 1);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    // Ours was still installed, so the previous procedure was put back.
    EXPECT_EQ(wnd.procAtFinal, reinterpret_cast<LONG_PTR>(&BaseProc));
}

TEST(WindowLayer, ProcedureInstalledOverOursIsLeftAloneAtNcDestroy) {
    HWND base = CreateBaseWindow();
    ASSERT_NE(base, nullptr);
    CSubclassWnd wnd;
    wnd.giveBackOnDestroy = true;
    ASSERT_TRUE(wnd.SubclassWindow(base));
    g_outerSeen.clear();
    g_procAfterNcDestroy = 0;
    g_outerPrevious = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(base, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OuterProc)));
    ASSERT_EQ(g_outerPrevious, wnd.m_thunk.GetWNDPROC());

    DestroyWindow(base);
    // At WM_DESTROY the window's procedure was not ours: nothing given back.
    EXPECT_EQ(wnd.gaveBack, nullptr);
    // So the object detached at WM_NCDESTROY, after passing it on, without
    // touching the procedure installed over it.
    EXPECT_TRUE(wnd.Saw(WM_NCDESTROY));
    ASSERT_FALSE(g_baseSeen.empty());
    EXPECT_EQ(g_baseSeen.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_EQ(g_procAfterNcDestroy, reinterpret_cast<LONG_PTR>(&OuterProc));
    EXPECT_EQ(wnd.procAtFinal, reinterpret_cast<LONG_PTR>(&OuterProc));
    EXPECT_EQ(wnd.finalCount, 1);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
}

TEST(WindowLayer, SubclassingRefusesAWindowThatDoesNotExist) {
    CSubclassWnd wnd;
    HWND gone = CreateBaseWindow();
    DestroyWindow(gone);
    EXPECT_FALSE(wnd.SubclassWindow(gone));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
}

// ---------------------------------------------------------------------------
// Registration.

class CRaceWnd : public CWindowImpl<CRaceWnd, CWindow, CFrameWinTraits> {
public:
    DECLARE_WND_CLASS_EX(L"QfFrameworkRaceClass", 0, COLOR_WINDOW)
    BEGIN_MSG_MAP(CRaceWnd)
    END_MSG_MAP()
};

TEST(WindowLayer, ClassIsRegisteredOnceEvenWhenThreadsRace) {
    constexpr int kThreads = 8;
    std::atomic<int> ready{0};
    std::atomic<int> created{0};
    std::vector<std::unique_ptr<qf_test::Thread>> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.push_back(std::make_unique<qf_test::Thread>([&] {
            ++ready;
            while (ready < kThreads)
                SwitchToThread();
            CRaceWnd wnd;
            RECT rect = {0, 0, 10, 10};
            // Message-only: threads opening Xlib's input method at once corrupt Wine's heap.
            if (HWND window = wnd.Create(HWND_MESSAGE, rect, L"race")) {
                ++created;
                DestroyWindow(window);
            }
        }));
    }
    for (auto& t : threads)
        t->Join();
    // Without the lock, all but one RegisterClassExW would fail with
    // ERROR_CLASS_ALREADY_EXISTS and those windows would not be created.
    EXPECT_EQ(created.load(), kThreads);
    const ATOM atom = CRaceWnd::GetWndClassInfo().atom;
    EXPECT_NE(atom, 0);

    // The atom is kept: the class is not registered again. Once it has been
    // taken away behind the layer's back, creation fails instead.
    ASSERT_TRUE(UnregisterClassW(MAKEINTATOM(atom), qf_framework::ModuleInstance()));
    CRaceWnd again;
    RECT rect = {0, 0, 10, 10};
    EXPECT_EQ(again.Create(nullptr, rect, L"race"), nullptr);
    EXPECT_EQ(CRaceWnd::GetWndClassInfo().atom, atom);
}

// ---------------------------------------------------------------------------
// Thunks.

TEST(WindowLayer, ThunkCodeIsExecuteReadOnly) {
    CTestWnd wnd;
    ASSERT_TRUE(wnd.m_thunk.Allocate());
    MEMORY_BASIC_INFORMATION info = {};
    ASSERT_NE(VirtualQuery(wnd.m_thunk.StubAddress(), &info, sizeof info), 0u);
    EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_EXECUTE_READ));
    EXPECT_EQ(info.RegionSize % 4096, 0u);
}

TEST(WindowLayer, ManyObjectsGetDistinctWorkingThunks) {
    // More objects than one page of stubs holds.
    constexpr int kCount = 300;
    std::vector<CTestWnd> windows(kCount);
    for (int i = 0; i < kCount; ++i) {
        windows[i].id = i + 1;
        ASSERT_NE(CreateTestWindow(windows[i]), nullptr) << i;
    }
    for (int i = 0; i < kCount; i += 37)
        EXPECT_EQ(SendMessageW(windows[i].m_hWnd, WM_PING, 0, 0), i + 1);
    for (auto& w : windows)
        DestroyWindow(w.m_hWnd);
}

bool AboveFourGiB(const void* address) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(address)) >> 32 != 0;
}

// Memory above 4 GiB on x86-64, so that a stub that carried only the low 32
// bits of the object's address would reach another place; on i686 ordinary
// memory.
void* HighMemory(std::size_t size) {
    const DWORD kind = MEM_RESERVE | MEM_COMMIT;
    void* memory = VirtualAlloc(nullptr, size, kind | MEM_TOP_DOWN, PAGE_READWRITE);
    if constexpr (sizeof(void*) == 8) {
        for (std::uint64_t hint = 1ull << 40; !AboveFourGiB(memory) && hint > 0xFFFFFFFFull; hint >>= 1) {
            if (memory != nullptr)
                VirtualFree(memory, 0, MEM_RELEASE);
            memory = VirtualAlloc(reinterpret_cast<void*>(static_cast<std::uintptr_t>(hint)), size, kind,
                                  PAGE_READWRITE);
        }
    }
    return memory;
}

TEST(WindowLayer, ThunkPassesWholeValuesToAnObjectAboveFourGiB) {
    void* memory = HighMemory(sizeof(CTestWnd));
    ASSERT_NE(memory, nullptr);
    if (sizeof(void*) == 8) {
        ASSERT_TRUE(AboveFourGiB(memory)) << "no memory above 4 GiB";
    }
    auto* wnd = new (memory) CTestWnd;
    ASSERT_NE(CreateTestWindow(*wnd), nullptr);
    // Every bit of both arguments and of the result matters, the high half too.
    const WPARAM w = static_cast<WPARAM>(0xA5C3F00F12345678ull);
    const LPARAM l = static_cast<LPARAM>(0x8765432155AA33CCull);
    EXPECT_EQ(SendMessageW(wnd->m_hWnd, WM_ECHO, w, l), ~l);
    EXPECT_EQ(wnd->echoedW, w);
    EXPECT_EQ(wnd->echoedL, l);
    EXPECT_EQ(wnd->echoedBy, wnd);
    DestroyWindow(wnd->m_hWnd);
    wnd->~CTestWnd();
    VirtualFree(memory, 0, MEM_RELEASE);
}

struct ThunkFailure {
    ThunkFailure() { qf_framework::ForceThunkAllocationFailure(true); }
    ~ThunkFailure() { qf_framework::ForceThunkAllocationFailure(false); }
};

TEST(WindowLayer, CreateFailsCleanlyWithoutThunkMemory) {
    CTestWnd wnd;
    {
        ThunkFailure failure;
        SetLastError(0);
        RECT rect = {0, 0, 10, 10};
        EXPECT_EQ(wnd.Create(nullptr, rect, L"no thunk"), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OUTOFMEMORY));
    }
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_TRUE(wnd.seen.empty());  // no window was made
    EXPECT_EQ(FindWindowW(L"QfFrameworkTestClass", L"no thunk"), nullptr);
    // And the next window of the thread still reaches its own object.
    CTestWnd next;
    next.id = 9;
    HWND window = CreateTestWindow(next);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageW(window, WM_PING, 0, 0), 9);
    DestroyWindow(window);
}

TEST(WindowLayer, SubclassFailsCleanlyWithoutThunkMemory) {
    HWND base = CreateBaseWindow();
    ASSERT_NE(base, nullptr);
    CSubclassWnd wnd;
    {
        ThunkFailure failure;
        EXPECT_FALSE(wnd.SubclassWindow(base));
    }
    EXPECT_EQ(GetWindowLongPtrW(base, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&BaseProc));
    DestroyWindow(base);
}

// ---------------------------------------------------------------------------
// Virtual slots: message handler, destructor (two entries in this ABI),
// window or dialog procedure accessor, final-message hook.

using SlotProcAccessor = WNDPROC(__thiscall*)(void*);
using SlotFinalHook = void(__thiscall*)(void*, HWND);

TEST(WindowLayer, VirtualOperationsAreInTheirSlots) {
    CTestWnd wnd;
    void** vtable = *reinterpret_cast<void***>(static_cast<CMessageMap*>(&wnd));
    ASSERT_EQ(static_cast<void*>(static_cast<CMessageMap*>(&wnd)), static_cast<void*>(&wnd));
    auto accessor = reinterpret_cast<SlotProcAccessor>(vtable[3]);
    EXPECT_EQ(accessor(&wnd), wnd.GetWindowProc());
    auto hook = reinterpret_cast<SlotFinalHook>(vtable[4]);
    hook(&wnd, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(wnd.finalCount, 1);
    EXPECT_EQ(wnd.finalWindow, reinterpret_cast<HWND>(0x1234));
}

// ---------------------------------------------------------------------------
// Dialogs.

class CTestDlg : public CDialogImpl<CTestDlg> {
public:
    enum { IDD = IDD_FRAMEWORK_TEST };

    int endCode = 7;
    LPARAM initParam = 0;
    LRESULT pingAnswer = 0;
    LRESULT defIdAnswer = 0;
    bool sawInit = false;
    int finalCount = 0;
    HWND finalWindow = nullptr;
    HWND window = nullptr;

    BEGIN_MSG_MAP(CTestDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_PING, OnPing)
        MESSAGE_HANDLER(WM_END, OnEnd)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        COMMAND_HANDLER(IDCANCEL, BN_CLICKED, OnCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM lParam, BOOL&) {
        sawInit = true;
        window = m_hWnd;
        initParam = lParam;
        SetTimer(m_hWnd, 1, 10000, nullptr);  // the test's own way out
        PostMessageW(m_hWnd, WM_END, 0, 0);
        return FALSE;  // no default focus: the return value itself is the answer
    }
    LRESULT OnPing(UINT, WPARAM, LPARAM, BOOL&) { return 4242; }
    LRESULT OnEnd(UINT, WPARAM, LPARAM, BOOL&) {
        pingAnswer = SendMessageW(m_hWnd, WM_PING, 0, 0);
        defIdAnswer = SendMessageW(m_hWnd, DM_GETDEFID, 0, 0);  // not handled: dialog manager
        EndDialog(endCode);
        return 0;
    }
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&) {
        EndDialog(-2);
        return 0;
    }
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&) {
        EndDialog(IDCANCEL);
        return 0;
    }
    void OnFinalMessage(HWND hWnd) override {
        ++finalCount;
        finalWindow = hWnd;
    }
};

TEST(WindowLayer, ModalDialogReturnsItsEndCode) {
    CTestDlg dlg;
    dlg.endCode = 7;
    EXPECT_EQ(dlg.RunModal(nullptr, 0x55), 7);
    EXPECT_TRUE(dlg.sawInit);
    EXPECT_EQ(dlg.initParam, 0x55);
    // A handled message answers through DWLP_MSGRESULT.
    EXPECT_EQ(dlg.pingAnswer, 4242);
    // An unhandled one gets the dialog manager's default processing.
    EXPECT_EQ(dlg.defIdAnswer, (MAKELRESULT(IDOK, DC_HASDEFID)));
    EXPECT_EQ(dlg.finalCount, 1);
    EXPECT_EQ(dlg.finalWindow, dlg.window);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_FALSE(IsWindow(dlg.window));
}

TEST(WindowLayer, ModalDialogCanRunTwice) {
    CTestDlg dlg;
    dlg.endCode = 3;
    EXPECT_EQ(dlg.RunModal(nullptr), 3);
    dlg.endCode = 4;
    EXPECT_EQ(dlg.RunModal(nullptr), 4);
    EXPECT_EQ(dlg.finalCount, 2);
}

class CMissingDlg : public CDialogImpl<CMissingDlg> {
public:
    enum { IDD = IDD_FRAMEWORK_MISSING };
    BEGIN_MSG_MAP(CMissingDlg)
    END_MSG_MAP()
};

TEST(WindowLayer, ModalDialogWithoutTemplateReturnsMinusOne) {
    CMissingDlg dlg;
    EXPECT_EQ(dlg.RunModal(nullptr), -1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    // No stale entry stays in the list of windows under creation.
    CTestWnd wnd;
    wnd.id = 8;
    HWND window = CreateTestWindow(wnd);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageW(window, WM_PING, 0, 0), 8);
    DestroyWindow(window);
}

TEST(WindowLayer, RunModalWithoutThunkMemorySetsOutOfMemory) {
    CTestDlg dlg;
    INT_PTR result = 0;
    DWORD error = 0;
    {
        ThunkFailure failure;
        SetLastError(0);
        result = dlg.RunModal(nullptr);
        error = GetLastError();
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_OUTOFMEMORY));
    EXPECT_FALSE(dlg.sawInit);
    EXPECT_EQ(dlg.finalCount, 0);
    Flush();
}

}  // namespace
