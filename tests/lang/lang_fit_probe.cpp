// Measures, for each language named on its command line, whether every text
// fits where Quietfall shows it: the real countdown dialog (template 129 and
// CTimeDlg) is opened with that language loaded, and each text is measured
// with the font of the control that shows it; the real menu 109 (read from
// Quietfall.exe) is localised and each of its three levels shown, and the
// width of the menu window taken.
//
//   lang_fit_probe.exe <output file> <Name>...
//
// Writes one line per check, "<Name> <KEY> <needed px> <room px>"; the test
// that starts it decides. The fonts are whatever the prefix gives when this
// process starts, so the test sets the font replacements first.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "countdown/time_dlg.h"
#include "localisation/language_manager.h"
#include "resources/resource.h"
#include "tests/lang/language_table.h"
#include "tests/support/harness.h"

namespace {

constexpr int kMessageLine = -1;
// Pixels a push button keeps around its text: the 2-pixel edge and the
// focus rectangle inside it.
constexpr int kButtonInset = 3;
// Pixels the closed action list keeps between its text and its frame.
constexpr int kComboInset = 2;
// A menu must stay narrower than half of a 1024-pixel screen (at 96 DPI).
constexpr int kMenuLimitAt96 = 512;

FILE* g_out = nullptr;
std::string g_language;

void Report(const char* key, int needed, int room) {
    std::fprintf(g_out, "%s %s %d %d\n", g_language.c_str(), key, needed, room);
}

SIZE TextSize(HWND control, HFONT font, const std::wstring& text, bool prefix) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font);
    RECT rect = {0, 0, 0, 0};
    // DT_CALCRECT measures as the controls draw; "&" marks an access key
    // only where the control reads it that way (menus, buttons).
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CALCRECT | DT_SINGLELINE | (prefix ? 0 : DT_NOPREFIX));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// Letters of the text that the font has no glyph for (Windows would draw
// them as boxes). No font link is followed, as none is for the bold line.
int MissingGlyphs(HWND control, HFONT font, const std::wstring& text) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font);
    std::vector<WORD> glyphs(text.size());
    GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return static_cast<int>(std::count(glyphs.begin(), glyphs.end(), 0xFFFF));
}

HFONT FontOf(HWND control) { return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)); }

int ClientWidth(HWND window) {
    RECT rect = {};
    GetClientRect(window, &rect);
    return rect.right - rect.left;
}

std::wstring Text(const char* key) {
    return g_languageManager.GetText(std::wstring(key, key + std::char_traits<char>::length(key)).c_str());
}

void MeasureDialog(const CTimeDlg& timeDlg) {
    HWND dialog = timeDlg.m_hWnd;
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    Report("TEXT_IDCANCEL", TextSize(cancel, FontOf(cancel), Text("TEXT_IDCANCEL"), true).cx,
           ClientWidth(cancel) - 2 * kButtonInset);

    HWND link = GetDlgItem(dialog, IDC_STATIC_HOMEPAGE);
    RECT linkRect = {};
    GetClientRect(link, &linkRect);
    const SIZE linkText = TextSize(link, FontOf(link), Text("TEXT_STATIC_HOMEPAGE"), false);
    Report("TEXT_STATIC_HOMEPAGE", linkText.cx, linkRect.right);
    Report("TEXT_STATIC_HOMEPAGE(height)", linkText.cy, linkRect.bottom);

    HWND combo = GetDlgItem(dialog, IDC_COMBO_METHOD);
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    GetComboBoxInfo(combo, &info);
    const int comboRoom = info.rcItem.right - info.rcItem.left - 2 * kComboInset;
    HWND line = GetDlgItem(dialog, kMessageLine);
    for (int method = 0; method < 5; ++method) {
        const char* key = qf_lang::kMethodKeys[method];
        Report(key, TextSize(combo, FontOf(combo), Text(key), false).cx, comboRoom);
        // The big line, with the dialog's own wording of the action (a
        // TEXT_COUNTDOWN_ text where the file has one), at its shortest and
        // at a count of 100 hours.
        const std::wstring name = timeDlg.m_lineText[method];
        const std::string lineKey = name == Text(key) ? key : qf_lang::kCountdownKeys[method];
        for (const wchar_t* time : {L" 00:00:00", L" 100:00:00"}) {
            const std::string label = lineKey + (time[1] == L'1' ? "(100:00:00)" : "(00:00:00)");
            Report(label.c_str(), TextSize(line, FontOf(line), name + time, false).cx, ClientWidth(line));
        }
    }
    // The bold line reaches no other font: its face must have every letter
    // of the language's script (Thai in Loma, Hebrew in DejaVu Sans).
    int missing = 0;
    for (const auto& name : timeDlg.m_lineText)
        missing += MissingGlyphs(line, FontOf(line), name);
    Report("LINE(missing-letters)", missing, 0);
}

// The dialog is measured from a thread timer inside its own modal loop, then
// cancelled; a watchdog ends it should the measurement not.
CTimeDlg* g_dialog = nullptr;
DWORD g_opened = 0;

void CALLBACK DialogTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = g_dialog ? g_dialog->m_hWnd : nullptr;
    if (!dialog || !IsWindowVisible(dialog)) {
        return;
    }
    if (GetTickCount() - g_opened < 5000)
        MeasureDialog(*g_dialog);
    EndDialog(dialog, IDCANCEL);
    g_dialog = nullptr;
}

void MeasureDialogOf() {
    CTimeDlg dialog;
    dialog.m_nRemain = 600;
    g_dialog = &dialog;
    g_opened = GetTickCount();
    UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, DialogTimer);
    const INT_PTR result = dialog.RunModal(nullptr);
    KillTimer(nullptr, timer);
    if (result != IDCANCEL)
        Report("DIALOG_NOT_SHOWN", 1, 0);
}

// The popup menu is measured from a thread timer inside its own loop: the
// width of its window, then the menu is closed.
RECT g_menuWindow;

void CALLBACK MenuTimer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (!menu || !IsWindowVisible(menu))
        return;
    KillTimer(nullptr, id);
    GetWindowRect(menu, &g_menuWindow);
    EndMenu();
}

int MenuWidth(HMENU menu) {
    HWND owner = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
    g_menuWindow = {};
    const UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, MenuTimer);
    TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, 20, 20, 0, owner, nullptr);
    KillTimer(nullptr, timer);
    DestroyWindow(owner);
    return g_menuWindow.right - g_menuWindow.left;
}

void MeasureMenuLevel(HMENU menu, const char* const* keys, size_t count, int limit) {
    const int width = MenuWidth(menu);
    // Name the level by its widest text, the one that would have to change.
    HDC dc = GetDC(nullptr);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfMenuFont);
    HGDIOBJ old = SelectObject(dc, font);
    const char* widest = keys[0];
    int widestPx = -1;
    for (size_t i = 0; i < count; ++i) {
        const std::wstring key(keys[i], keys[i] + std::char_traits<char>::length(keys[i]));
        const std::wstring text = g_languageManager.MenuText(key);
        RECT rect = {0, 0, 0, 0};
        DrawTextW(dc, text.c_str(), -1, &rect, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
        if (rect.right > widestPx) {
            widestPx = rect.right;
            widest = keys[i];
        }
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    Report((std::string(widest) + "(menu)").c_str(), width > 0 ? width : 99999, limit);
}

void MeasureMenu(HMODULE program, int limit) {
    HMENU whole = LoadMenuW(program, MAKEINTRESOURCEW(IDR_ACTIONMENU));
    if (!whole) {
        Report("MENU_NOT_LOADED", 1, 0);
        return;
    }
    HMENU popup = GetSubMenu(whole, 0);
    g_languageManager.LocalizeMenu(popup);
    MeasureMenuLevel(popup, qf_lang::kMainMenuKeys, std::size(qf_lang::kMainMenuKeys), limit);
    MeasureMenuLevel(GetSubMenu(popup, 3), qf_lang::kTimerMenuKeys, std::size(qf_lang::kTimerMenuKeys), limit);
    MeasureMenuLevel(GetSubMenu(popup, 5), qf_lang::kEtcMenuKeys, std::size(qf_lang::kEtcMenuKeys), limit);
    DestroyMenu(whole);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    g_out = _wfopen(argv[1], L"w");
    if (!g_out)
        return 3;
    const std::wstring bin = qf_test::BinDir();
    HMODULE program = LoadLibraryExW((bin + L"Quietfall.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    const int menuLimit = MulDiv(kMenuLimitAt96, dpi, 96);
    for (int i = 2; i < argc; ++i) {
        const std::wstring name = argv[i];
        g_language = qf_test::Narrow(name);
        if (g_languageManager.Load(bin + L"lang\\" + name + L".ini", bin + L"lang\\English.ini", L"") != 1 ||
            g_languageManager.ChosenDocument().SectionCount() == 0) {
            Report("LANGUAGE_NOT_LOADED", 1, 0);
            continue;
        }
        MeasureDialogOf();
        if (program)
            MeasureMenu(program, menuLimit);
        else
            Report("MENU_NOT_LOADED", 1, 0);
        std::fflush(g_out);
    }
    std::fclose(g_out);
    return 0;
}
