// Choosing a language as a user does: each lang\<Name>.reg is imported with
// the registry editor, then the real Quietfall.exe is started; the texts it
// puts into its menu are read from Wine's menu trace (another process's menu
// cannot be queried under Wine), the countdown is opened from the menu
// ("in 10 minutes") and its texts are read from its window, then cancelled.
// English.reg, imported last, removes the value and brings English back.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "localisation/language_manager.h"
#include "tests/lang/language_table.h"
#include "tests/support/gui.h"
#include "tests/support/harness.h"
#include "tests/support/language_choice.h"

using namespace qf_test;

namespace {

std::wstring Wide(const char* ascii) { return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii)); }

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

// What one start of the program showed.
struct Shown {
    std::vector<std::wstring> menu;     // the texts it set, in the order it set them
    std::vector<std::wstring> dialog;   // caption, Cancel, link, message line, chosen action
};

Shown MenuAndDialogShown(const std::wstring& exe) {
    Shown shown;
    LaunchOptions options;
    options.environment = {{L"WINEDEBUG", L"trace+menu"}};
    Program program;
    if (!program.Start(exe, L"\"" + exe + L"\"", options))
        return shown;
    // The fourth item opens the timer sub-menu; its first item is 10 minutes.
    if (HWND menu = program.WaitForWindow(L"#32768", 20000))
        PostKeys(menu, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN});
    if (HWND dialog = program.WaitForWindow(L"#32770", 20000)) {
        wchar_t action[256] = {};
        HWND list = GetDlgItem(dialog, 1001);
        const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
        if (selected >= 0 && SendMessageW(list, CB_GETLBTEXTLEN, selected, 0) < 256)
            SendMessageW(list, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(action));
        shown.dialog = {TextOf(dialog), TextOf(GetDlgItem(dialog, IDCANCEL)), TextOf(GetDlgItem(dialog, 1000)),
                        TextOf(GetDlgItem(dialog, -1)), action};
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    if (!program.WaitForExit(15000))
        program.Kill();
    shown.menu = program.MenuTexts();
    return shown;
}

std::wstring Text(const char* key) { return g_languageManager.GetText(Wide(key).c_str()); }

// The texts of the menu in the order Quietfall localises it (depth first),
// and of the dialog as MenuAndDialogShown reads them.
Shown Expected(const std::wstring& iniPath) {
    g_languageManager.Load(iniPath, BinDir() + L"lang\\English.ini", L"");
    Shown texts;
    for (const char* key : {"MENUSTR_SHUTDOWN", "MENUSTR_LOGOUT", "MENUSTR_RESTART", "MENUSTR_TIMER",
                            "MENUSTR_SHUTDOWN_10M", "MENUSTR_SHUTDOWN_30M", "MENUSTR_SHUTDOWN_60M",
                            "MENUSTR_SHUTDOWN_120M", "MENUSTR_ETC", "MENUSTR_HIBERNATE", "MENUSTR_SUSPEND",
                            "MENUSTR_HELP_PAGE"})
        texts.menu.push_back(g_languageManager.MenuText(Wide(key)));
    // The line says the file's own countdown words where it has them
    // ("Herunterfahren in"), else the list's ("Shut down in").
    const std::wstring line = g_languageManager.GetOwnTextOr(L"TEXT_COUNTDOWN_SHUTDOWN", L"TEXT_METHOD_SHUDOWN");
    texts.dialog = {Text("APP_TITLE"), Text("TEXT_IDCANCEL"), Text("TEXT_STATIC_HOMEPAGE"), line + L" 00:",
                    Text("TEXT_METHOD_SHUDOWN")};
    g_languageManager.Reset();
    return texts;
}

// Imports the file with the registry editor, silently, as a double-click
// followed by "Yes" does.
bool Import(const std::wstring& regFile) {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring regedit = std::wstring(windows) + L"\\regedit.exe";
    const RunResult run = RunProgram(regedit, L"regedit.exe /S \"" + regFile + L"\"", {}, 20000);
    return run.exited;
}

TEST(LanguageChoice, EveryRegFileMakesTheNextStartShowItsLanguage) {
    SavedLanguageChoice saved;
    const std::wstring exe = BinDir() + L"Quietfall.exe";
    const Shown english = Expected(BinDir() + L"lang\\English.ini");
    // English last: it must undo the choice the others made.
    std::vector<const qf_lang::Language*> order;
    for (const qf_lang::Language& lang : qf_lang::kLanguages)
        if (std::string(lang.name) != "English")
            order.push_back(&lang);
    order.push_back(&qf_lang::kLanguages[0]);
    ASSERT_EQ(std::string(order.back()->name), "English");

    for (const qf_lang::Language* lang : order) {
        const std::wstring name = Wide(lang->name);
        SCOPED_TRACE(lang->name);
        const bool isEnglish = name == L"English";
        ASSERT_TRUE(Import(BinDir() + L"lang\\" + name + L".reg")) << "regedit did not end";
        std::wstring value;
        if (isEnglish) {
            EXPECT_FALSE(SavedLanguageChoice::Read(value)) << "English.reg left langFileName = " << Narrow(value);
        } else {
            ASSERT_TRUE(SavedLanguageChoice::Read(value)) << name.c_str() << ".reg did not set langFileName";
            EXPECT_EQ(value, name);
        }
        const Shown expected = Expected(BinDir() + L"lang\\" + name + L".ini");
        if (!isEnglish) {
            EXPECT_NE(expected.menu, english.menu) << "the language's menu texts are the English ones";
            EXPECT_NE(expected.dialog[1], english.dialog[1]) << "the language's Cancel is the English one";
        }
        const Shown shown = MenuAndDialogShown(exe);
        ASSERT_EQ(shown.menu.size(), expected.menu.size()) << "menu texts set";
        for (size_t i = 0; i < expected.menu.size(); ++i)
            EXPECT_EQ(Narrow(shown.menu[i]), Narrow(expected.menu[i])) << "menu text " << i;
        ASSERT_EQ(shown.dialog.size(), expected.dialog.size()) << "no countdown dialog";
        for (size_t i = 0; i < expected.dialog.size(); ++i) {
            // The message line (3) counts down: only its start is compared.
            const std::wstring text = i == 3 ? shown.dialog[i].substr(0, expected.dialog[i].size()) : shown.dialog[i];
            EXPECT_EQ(Narrow(text), Narrow(expected.dialog[i])) << "dialog text " << i;
        }
    }
}

}  // namespace
