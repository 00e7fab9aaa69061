// Choosing a language as a user does: each lang\<Name>.reg is imported with
// the registry editor, then the real Quietfall.exe is started and the texts
// it puts into its menu are read from Wine's menu trace (another process's
// menu cannot be queried under Wine). English.reg, imported last, removes
// the value and brings the English menu back.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "localisation/language_manager.h"
#include "tests/lang/language_table.h"
#include "tests/support/gui.h"
#include "tests/support/harness.h"

using namespace qf_test;

namespace {

const wchar_t kKey[] = L"Software\\Quietfall";
const wchar_t kValue[] = L"langFileName";

std::wstring Wide(const char* ascii) { return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii)); }

// The value as the program reads it; false when there is none.
bool ReadChoice(std::wstring& value) {
    wchar_t data[256] = {};
    DWORD size = sizeof data - sizeof(wchar_t), type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS)
        return false;
    value = type == REG_SZ ? std::wstring(data) : L"<not REG_SZ>";
    return true;
}

// Puts the user's choice back as it was before the test.
class SavedChoice {
public:
    SavedChoice() { present_ = ReadChoice(value_); }
    ~SavedChoice() {
        if (present_)
            RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_SZ, value_.c_str(),
                            static_cast<DWORD>((value_.size() + 1) * sizeof(wchar_t)));
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
    }

private:
    bool present_ = false;
    std::wstring value_;
};

// Undoes Wine's debug quoting of a string: L"..." with \\, \", \n, \r, \t
// and \XXXX (four hex digits) for every other character.
std::wstring DebugString(const std::string& traced) {
    std::wstring text;
    const size_t open = traced.find("L\"");
    if (open == std::string::npos)
        return L"<no string>";
    for (size_t i = open + 2; i < traced.size() && traced[i] != '"'; ++i) {
        if (traced[i] != '\\') {
            text.push_back(static_cast<unsigned char>(traced[i]));
            continue;
        }
        const char next = i + 1 < traced.size() ? traced[++i] : '\\';
        switch (next) {
        case 'n': text.push_back(L'\n'); break;
        case 'r': text.push_back(L'\r'); break;
        case 't': text.push_back(L'\t'); break;
        case '\\': case '"': text.push_back(static_cast<wchar_t>(next)); break;
        default:
            text.push_back(static_cast<wchar_t>(std::stoul(traced.substr(i, 4), nullptr, 16)));
            i += 3;
        }
    }
    return text;
}

// The menu texts the program set, in the order it set them.
std::vector<std::wstring> MenuTextsShown(const std::wstring& exe) {
    LaunchOptions options;
    options.environment = {{L"WINEDEBUG", L"trace+menu"}};
    Program program;
    if (!program.Start(exe, L"\"" + exe + L"\"", options))
        return {L"<not started>"};
    HWND menu = program.WaitForWindow(L"#32768", 20000);
    if (menu)
        PostKeys(menu, {VK_ESCAPE}, 0);
    if (!program.WaitForExit(15000))
        return {L"<did not end>"};
    std::vector<std::wstring> texts;
    for (const std::string& line : program.TraceLines("trace:menu:ModifyMenuW"))
        texts.push_back(DebugString(line));
    if (!menu)
        texts.push_back(L"<no menu shown>");
    return texts;
}

// The texts of the menu in the order Quietfall localises it (depth first).
std::vector<std::wstring> ExpectedMenuTexts(const std::wstring& iniPath) {
    g_languageManager.Load(iniPath, BinDir() + L"lang\\English.ini", L"");
    std::vector<std::wstring> texts;
    for (const char* key : {"MENUSTR_SHUTDOWN", "MENUSTR_LOGOUT", "MENUSTR_RESTART", "MENUSTR_TIMER",
                            "MENUSTR_SHUTDOWN_10M", "MENUSTR_SHUTDOWN_30M", "MENUSTR_SHUTDOWN_60M",
                            "MENUSTR_SHUTDOWN_120M", "MENUSTR_ETC", "MENUSTR_HIBERNATE", "MENUSTR_SUSPEND",
                            "MENUSTR_HELP_PAGE"})
        texts.push_back(g_languageManager.MenuText(Wide(key)));
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
    SavedChoice saved;
    const std::wstring exe = BinDir() + L"Quietfall.exe";
    const std::vector<std::wstring> english = ExpectedMenuTexts(BinDir() + L"lang\\English.ini");
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
            EXPECT_FALSE(ReadChoice(value)) << "English.reg left langFileName = " << Narrow(value);
        } else {
            ASSERT_TRUE(ReadChoice(value)) << name.c_str() << ".reg did not set langFileName";
            EXPECT_EQ(value, name);
        }
        const std::vector<std::wstring> expected = ExpectedMenuTexts(BinDir() + L"lang\\" + name + L".ini");
        if (!isEnglish) {
            EXPECT_NE(expected, english) << "the language's menu texts are the English ones";
        }
        const std::vector<std::wstring> shown = MenuTextsShown(exe);
        ASSERT_EQ(shown.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(Narrow(shown[i]), Narrow(expected[i])) << "menu text " << i;
    }
}

}  // namespace
