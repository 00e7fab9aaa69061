// The link control on a real static control in a window of this test: its
// painting read back from the window's device context, hover and leaving
// with the real pointer of the virtual display, the cursor, hit testing and
// detaching; and, through a small program watched with Wine's relay trace,
// the shell calls a click makes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/hyperlink.h"
#include "tests/support/harness.h"

using namespace qf_test;

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
const wchar_t kText[] = L"Quietfall home page";
const std::wstring kUrl = L"https://quietfall.example.org/";

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// What the painted control shows.
struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> data;
    COLORREF At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
    int Count(COLORREF colour) const {
        int n = 0;
        for (COLORREF c : data)
            n += c == colour;
        return n;
    }
    // Longest horizontal run of one colour, over all rows.
    int LongestRun(COLORREF colour) const {
        int best = 0;
        for (int y = 0; y < height; ++y) {
            int run = 0;
            for (int x = 0; x < width; ++x) {
                run = At(x, y) == colour ? run + 1 : 0;
                best = run > best ? run : best;
            }
        }
        return best;
    }
    int LeftmostOf(COLORREF colour) const {
        for (int x = 0; x < width; ++x)
            for (int y = 0; y < height; ++y)
                if (At(x, y) == colour)
                    return x;
        return -1;
    }
    int RightmostOf(COLORREF colour) const {
        for (int x = width - 1; x >= 0; --x)
            for (int y = 0; y < height; ++y)
                if (At(x, y) == colour)
                    return x;
        return -1;
    }
};

class LinkTest : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"QfLinkHost";
        RegisterClassW(&wc);
        host_ = CreateWindowExW(WS_EX_TOPMOST, L"QfLinkHost", L"host", WS_POPUP | WS_VISIBLE, 100, 100, 420,
                                120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(host_, nullptr);
        // A large bold font, so strokes and the underline are several pixels.
        font_ = CreateFontW(-28, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0,
                            L"Tahoma");
        ParkPointer();
        FlushEvents(50);
    }
    void TearDown() override {
        if (IsWindow(host_))
            DestroyWindow(host_);
        DeleteObject(font_);
        FlushEvents(20);
    }

    HWND MakeStatic(DWORD style = WS_CHILD | WS_VISIBLE, const wchar_t* text = kText) {
        HWND label = CreateWindowExW(0, L"STATIC", text, style, 10, 20, 400, 60, host_,
                                     reinterpret_cast<HMENU>(1000), GetModuleHandleW(nullptr), nullptr);
        SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        return label;
    }

    static Pixels Capture(HWND window) {
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        FlushEvents(30);
        Pixels p;
        RECT r;
        GetClientRect(window, &r);
        p.width = r.right;
        p.height = r.bottom;
        HDC dc = GetDC(window);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                p.data.push_back(GetPixel(dc, x, y) & 0xFFFFFF);
        ReleaseDC(window, dc);
        return p;
    }

    static void ParkPointer() { SetCursorPos(1200, 1000); }

    // Puts the real pointer over the control and lets its mouse moves arrive.
    static void Hover(HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        FlushEvents(30);
        POINT client = {(r.right - r.left) / 2, (r.bottom - r.top) / 2};
        PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
        FlushEvents(60);
    }

    int TextWidth() const {
        HDC dc = GetDC(host_);
        HGDIOBJ old = SelectObject(dc, font_);
        SIZE size = {};
        GetTextExtentPoint32W(dc, kText, lstrlenW(kText), &size);
        SelectObject(dc, old);
        ReleaseDC(host_, dc);
        return size.cx;
    }

    HWND host_ = nullptr;
    HFONT font_ = nullptr;
};

WNDPROC ProcOf(HWND window) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
}

}  // namespace

TEST_F(LinkTest, AttachTakesOverTheControl) {
    XHyperLinkStatic link;
    EXPECT_EQ(link.m_hWnd, nullptr);
    EXPECT_EQ(link.m_prevWndProc, ::DefWindowProcW);
    EXPECT_EQ(link.m_hHandCursor, LoadCursorW(nullptr, IDC_HAND));
    EXPECT_FALSE(link.m_bHover);

    HWND label = MakeStatic();
    WNDPROC original = ProcOf(label);
    ASSERT_TRUE(link.AttachLink(label, kUrl));
    EXPECT_EQ(link.m_hWnd, label);
    EXPECT_EQ(ProcOf(label), link.m_thunk.GetWNDPROC());
    EXPECT_EQ(link.m_prevWndProc, original);
    EXPECT_EQ(link.m_strUrl, kUrl);
    EXPECT_EQ(link.m_strText, kText);
    EXPECT_EQ(link.m_hFont, font_);
    ASSERT_NE(link.m_hUnderlineFont, nullptr);
    LOGFONTW plain = {}, underlined = {};
    GetObjectW(font_, sizeof plain, &plain);
    GetObjectW(link.m_hUnderlineFont, sizeof underlined, &underlined);
    EXPECT_EQ(underlined.lfUnderline, 1);
    EXPECT_EQ(underlined.lfHeight, plain.lfHeight);
    EXPECT_EQ(underlined.lfWeight, plain.lfWeight);
    EXPECT_STREQ(underlined.lfFaceName, plain.lfFaceName);
    // The whole control takes the mouse, unlike a plain static.
    EXPECT_EQ(SendMessageW(label, WM_NCHITTEST, 0, MAKELPARAM(120, 130)), HTCLIENT);
    HWND plainLabel = CreateWindowExW(0, L"STATIC", L"plain", WS_CHILD | WS_VISIBLE, 10, 90, 100, 20, host_,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_EQ(SendMessageW(plainLabel, WM_NCHITTEST, 0, MAKELPARAM(120, 195)), HTTRANSPARENT);
    DestroyWindow(label);
}

TEST_F(LinkTest, AttachFailsOnAWindowThatCannotBeTakenOver) {
    XHyperLinkStatic link;
    EXPECT_FALSE(link.AttachLink(reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x7ff0)), kUrl));
    EXPECT_EQ(link.m_hWnd, nullptr);
    EXPECT_TRUE(link.m_strUrl.empty());
    EXPECT_EQ(link.m_hUnderlineFont, nullptr);
}

TEST_F(LinkTest, BlueWithoutHoverRedAndUnderlinedWithHover) {
    HWND label = MakeStatic();
    XHyperLinkStatic link;
    ASSERT_TRUE(link.AttachLink(label, kUrl));
    const COLORREF face = GetSysColor(COLOR_BTNFACE) & 0xFFFFFF;
    const int width = TextWidth();
    ASSERT_GT(width, 100);

    Pixels normal = Capture(label);
    EXPECT_GT(normal.Count(kBlue), 150) << "the text is drawn in pure blue";
    EXPECT_EQ(normal.Count(kRed), 0);
    EXPECT_EQ(normal.Count(kBlue) + normal.Count(face), normal.width * normal.height)
        << "only text and the button-face background";
    EXPECT_LT(normal.LongestRun(kBlue), width / 2) << "no underline";
    EXPECT_LE(normal.LeftmostOf(kBlue), 3) << "left-aligned";

    Hover(label);
    EXPECT_TRUE(link.m_bHover);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    Pixels hovered = Capture(label);
    EXPECT_GT(hovered.Count(kRed), 150);
    EXPECT_EQ(hovered.Count(kBlue), 0);
    EXPECT_GE(hovered.LongestRun(kRed), width * 9 / 10) << "underlined";

    // The hand comes back on every move, whatever set the cursor meanwhile.
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    SendMessageW(label, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));

    // Leaving: the tracking reports it and the link turns blue again.
    ParkPointer();
    for (int i = 0; i < 40 && link.m_bHover; ++i)
        FlushEvents(25);
    EXPECT_FALSE(link.m_bHover);
    Pixels after = Capture(label);
    EXPECT_GT(after.Count(kBlue), 150);
    EXPECT_EQ(after.Count(kRed), 0);
    DestroyWindow(label);
}

TEST_F(LinkTest, DrawingFollowsTheAlignmentStyle) {
    HWND label = MakeStatic(WS_CHILD | WS_VISIBLE | SS_RIGHT, L"Right");
    XHyperLinkStatic link;
    ASSERT_TRUE(link.AttachLink(label, kUrl));
    Pixels right = Capture(label);
    EXPECT_GE(right.RightmostOf(kBlue), right.width - 4);
    EXPECT_GT(right.LeftmostOf(kBlue), right.width / 2);
    DestroyWindow(label);

    label = MakeStatic(WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, L"Mid");
    XHyperLinkStatic centred;
    ASSERT_TRUE(centred.AttachLink(label, kUrl));
    Pixels mid = Capture(label);
    const int left = mid.LeftmostOf(kBlue), rightEdge = mid.RightmostOf(kBlue);
    ASSERT_GE(left, 0);
    EXPECT_NEAR(left, mid.width - 1 - rightEdge, 3) << "centred";
    DestroyWindow(label);
}

TEST_F(LinkTest, TextSetAfterAttachingIsNotShown) {
    HWND label = MakeStatic();
    XHyperLinkStatic link;
    ASSERT_TRUE(link.AttachLink(label, kUrl));
    Pixels before = Capture(label);
    SetWindowTextW(label, L"W");
    Pixels after = Capture(label);
    EXPECT_EQ(link.m_strText, kText);
    EXPECT_EQ(before.Count(kBlue), after.Count(kBlue));
    EXPECT_TRUE(before.data == after.data);
    DestroyWindow(label);
}

TEST_F(LinkTest, EmptyUrlLeavesTheControlBlankAndInert) {
    HWND label = MakeStatic();
    XHyperLinkStatic link;
    ASSERT_TRUE(link.AttachLink(label, L""));
    EXPECT_EQ(link.m_hFont, nullptr);
    EXPECT_EQ(link.m_hUnderlineFont, nullptr);
    EXPECT_EQ(link.m_strText, kText);

    const COLORREF face = GetSysColor(COLOR_BTNFACE) & 0xFFFFFF;
    Pixels blank = Capture(label);
    EXPECT_EQ(blank.Count(face), blank.width * blank.height) << "nothing but the erased background";

    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    SetCursor(arrow);
    EXPECT_EQ(SendMessageW(label, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)), 0);
    EXPECT_EQ(GetCursor(), arrow);
    Hover(label);
    EXPECT_FALSE(link.m_bHover);
    EXPECT_EQ(SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(5, 5)), 0);
    // The static keeps its own text.
    wchar_t text[64] = {};
    GetWindowTextW(label, text, 64);
    EXPECT_STREQ(text, kText);
    ParkPointer();
    DestroyWindow(label);
}

TEST_F(LinkTest, ControlWithoutFontFallsBackToTheDefaultGuiFont) {
    HWND label = CreateWindowExW(0, L"STATIC", kText, WS_CHILD | WS_VISIBLE, 10, 20, 400, 60, host_, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_EQ(SendMessageW(label, WM_GETFONT, 0, 0), 0);
    XHyperLinkStatic link;
    ASSERT_TRUE(link.AttachLink(label, kUrl));
    EXPECT_EQ(link.m_hFont, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    ASSERT_NE(link.m_hUnderlineFont, nullptr);
    Pixels p = Capture(label);
    EXPECT_GT(p.Count(kBlue), 20);
    DestroyWindow(label);
}

namespace {
// Records the window procedure each window has when WM_NCDESTROY reaches it.
struct DestroyWatch {
    HWND window = nullptr;
    LONG_PTR procAtDestroy = 0;
    LONG_PTR procAtNcDestroy = 0;
};
DestroyWatch g_watch;
LRESULT CALLBACK WatchHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && msg->hwnd == g_watch.window) {
        if (msg->message == WM_DESTROY)
            g_watch.procAtDestroy = GetWindowLongPtrW(msg->hwnd, GWLP_WNDPROC);
        if (msg->message == WM_NCDESTROY)
            g_watch.procAtNcDestroy = GetWindowLongPtrW(msg->hwnd, GWLP_WNDPROC);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

WNDPROC g_linkProc = nullptr;
int g_overMessages = 0;
LRESULT CALLBACK OverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ++g_overMessages;
    return CallWindowProcW(g_linkProc, window, message, wParam, lParam);
}
}  // namespace

TEST_F(LinkTest, DestroyGivesThePreviousProcedureBack) {
    HWND label = MakeStatic();
    WNDPROC original = ProcOf(label);
    XHyperLinkStatic link;
    ASSERT_TRUE(link.AttachLink(label, kUrl));
    const LONG_PTR thunk = reinterpret_cast<LONG_PTR>(link.m_thunk.GetWNDPROC());

    g_watch = DestroyWatch{label, 0, 0};
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchHook, nullptr, GetCurrentThreadId());
    DestroyWindow(label);
    UnhookWindowsHookEx(hook);

    EXPECT_EQ(g_watch.procAtDestroy, thunk) << "the link sees WM_DESTROY";
    EXPECT_EQ(g_watch.procAtNcDestroy, reinterpret_cast<LONG_PTR>(original))
        << "the static's own procedure is back before the window's last message";
    EXPECT_EQ(link.m_hWnd, nullptr);
    EXPECT_EQ(link.m_prevWndProc, ::DefWindowProcW);
}

TEST_F(LinkTest, SubclassedOverStaysUntilTheLastMessage) {
    HWND label = MakeStatic();
    XHyperLinkStatic link;
    ASSERT_TRUE(link.AttachLink(label, kUrl));
    g_linkProc = link.m_thunk.GetWNDPROC();
    g_overMessages = 0;
    SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OverProc));

    g_watch = DestroyWatch{label, 0, 0};
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchHook, nullptr, GetCurrentThreadId());
    DestroyWindow(label);
    UnhookWindowsHookEx(hook);

    // WM_DESTROY left our procedure alone, since another one sits above it;
    // the window layer let go of the window after its last message.
    EXPECT_EQ(g_watch.procAtNcDestroy, reinterpret_cast<LONG_PTR>(OverProc));
    EXPECT_GT(g_overMessages, 0);
    EXPECT_EQ(link.m_hWnd, nullptr);
}

// ---------------------------------------------------------------------------
// Clicks, watched from outside. The link's URL is the probe program itself,
// which ends at once when started without arguments, so "opening" it is
// harmless and quick.

namespace {

struct ClickRun {
    bool started = false;
    bool exited = false;
    DWORD exitCode = STILL_ACTIVE;
    std::vector<std::string> shellCalls;
};

template <class Drive>
ClickRun RunProbe(const std::wstring& tail, Drive drive) {
    ClickRun run;
    SetRelayInclude({L"shell32.ShellExecuteW"});
    Program probe;
    LaunchOptions options;
    options.relay = true;
    const std::wstring exe = BinDir() + L"link_probe.exe";
    run.started = probe.Start(exe, L"\"" + exe + L"\" " + tail, options);
    if (!run.started)
        return run;
    HWND window = probe.WaitForWindow(L"QfLinkProbe", 15000);
    HWND label = nullptr;
    for (int i = 0; window && !label && i < 200; ++i) {
        label = GetDlgItem(window, 100);
        Sleep(label ? 200 : 25);  // the link is attached right after the static is made
    }
    if (label) {
        drive(label);
        Sleep(300);
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    run.exited = probe.WaitForExit(15000);
    run.exitCode = probe.ExitCode();
    probe.Kill();
    run.shellCalls = ArgsOf(probe.Calls(), "shell32.ShellExecuteW");
    return run;
}

void Press(HWND label) { PostMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)); }
void Release(HWND label) { PostMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(5, 5)); }

}  // namespace

TEST(LinkClicks, EachReleaseOpensTheUrlOnce) {
    const std::wstring url = BinDir() + L"link_probe.exe";
    // The whole tail is the URL, blanks and all, so it goes unquoted.
    ClickRun run = RunProbe(url, [](HWND label) {
        Press(label);
        Release(label);
        Sleep(200);
        Press(label);  // a press alone opens nothing
        Sleep(200);
        Release(label);
        Sleep(200);
        PostMessageW(label, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        PostMessageW(label, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    });
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.shellCalls.size(), 2u);
    // Wine's relay shows the path with doubled backslashes.
    std::string quotedUrl;
    for (char c : Narrow(url)) {
        quotedUrl += c;
        if (c == '\\')
            quotedUrl += '\\';
    }
    for (const std::string& args : run.shellCalls) {
        EXPECT_EQ(args.rfind("00000000,", 0), 0u) << args;  // no owner window
        EXPECT_NE(args.find("L\"open\""), std::string::npos) << args;
        EXPECT_NE(args.find("L\"" + quotedUrl + "\""), std::string::npos) << args;
        EXPECT_GE(args.size(), 27u);
        EXPECT_EQ(args.substr(args.size() - 27), ",00000000,00000000,00000005") << args;
    }
}

TEST(LinkClicks, EmptyUrlOpensNothing) {
    ClickRun run = RunProbe(L"--empty", [](HWND label) {
        Press(label);
        Release(label);
        Release(label);
    });
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.shellCalls.empty());
}
