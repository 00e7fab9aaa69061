// Bad input to the real Quietfall.exe, case by case: language files, the
// registry value that names the language, and command tails. Every case
// starts a copy of the program in a folder of its own and checks what it
// shows (the menu texts it writes, read from Wine's debug trace, or the
// countdown's message line), that it does what the tail asks and nothing
// else, that it ends by itself with exit code 0, and that nothing of it is
// left running.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/gui.h"
#include "tests/support/harness.h"
#include "tests/support/language_choice.h"

using namespace qf_test;

namespace {

// The English texts of the first two menu items, and what a chosen test file
// names them.
const char kEnglishShutDown[] = "&Shut down";
const char kEnglishLogOff[] = "&Log off";
const char kChosenShutDown[] = "Chosen shut down";

std::string ChosenFile() { return std::string("[MENU]\nMENUSTR_SHUTDOWN=") + kChosenShutDown + "\n"; }

// What one run of the program did.
struct Outcome {
    bool started = false;
    bool menuShown = false;
    bool exited = false;
    DWORD exitCode = STILL_ACTIVE;
    std::vector<std::string> menuTexts;  // texts written into the menu, in order
    size_t actions = 0;                  // power calls and shell launches
    std::vector<std::string> suspends;   // arguments of SetSuspendState
};

// A folder app\ with a copy of Quietfall.exe and an empty lang\ beside it,
// inside a folder of its own (so "..\..\x" from lang\ stays inside too).
class BadInput : public testing::Test {
protected:
    static void SetUpTestSuite() {
        SetRelayInclude({L"user32.ModifyMenuW", L"user32.TrackPopupMenu", L"user32.ExitWindowsEx",
                         L"powrprof.SetSuspendState", L"shell32.ShellExecuteW"});
        saved_ = new SavedLanguageChoice;
    }
    static void TearDownTestSuite() {
        delete saved_;
        saved_ = nullptr;
    }
    void SetUp() override {
        root_ = MakeTempDir(L"badinput");
        ASSERT_FALSE(root_.empty());
        app_ = root_ + L"app\\";
        ASSERT_TRUE(CreateDirectoryW(app_.c_str(), nullptr));
        ASSERT_TRUE(CopyInto(BinDir() + L"Quietfall.exe", app_));
        FreshLang();
        SavedLanguageChoice::Remove();
        SetCursorPos(240, 200);
    }
    void TearDown() override { RemoveTree(root_); }

    std::wstring Exe() const { return app_ + L"Quietfall.exe"; }
    std::wstring Lang() const { return app_ + L"lang\\"; }

    // An empty lang\ (or none), then the delivered English file when asked.
    void FreshLang(bool english = true, bool folder = true) {
        RemoveTree(Lang());
        if (folder)
            CreateDirectoryW(Lang().c_str(), nullptr);
        if (english)
            CopyInto(BinDir() + L"lang\\English.ini", Lang());
    }
    void AddFile(const std::wstring& relative, const std::string& bytes) const {
        ASSERT_TRUE(WriteFileBytes(app_ + relative, bytes)) << Narrow(relative);
    }

    // The command line: the program's name in quotes and what follows it.
    std::wstring Line(const std::wstring& afterName = L"") const { return L"\"" + Exe() + L"\"" + afterName; }

    // Starts the program with this command line. When its menu shows,
    // `onMenu` gets it (by default Escape closes it); a countdown that opens
    // goes to `onDialog` and is then cancelled. The program must then end by
    // itself; bounded waits throughout.
    Outcome Run(const std::wstring& commandLine, const std::function<void(Program&, HWND)>& onMenu = nullptr,
                const std::function<void(Program&, HWND)>& onDialog = nullptr) const {
        Outcome outcome;
        Program program;
        // Wine's menu channel shows the texts that ModifyMenuW receives (the
        // relay trace shows only their address).
        outcome.started = program.Start(
            Exe(), commandLine, LaunchOptions{true, app_, {{L"WINEDEBUG", menuTrace_ ? L"+relay,+menu" : L"+relay"}}});
        if (!outcome.started)
            return outcome;
        const DWORD start = GetTickCount();
        bool menuHandled = false;
        bool dialogHandled = false;
        while (program.Running() && GetTickCount() - start < 30000) {
            std::vector<HWND> menus = WindowsOf(program.ProcessId(), L"#32768");
            if (!menuHandled && !menus.empty()) {
                menuHandled = outcome.menuShown = true;
                Sleep(150);
                if (onMenu)
                    onMenu(program, menus.front());
                else
                    PostKeys(menus.front(), {VK_ESCAPE});
            }
            if (HWND dialog = program.FindWindowOf(L"#32770"); dialog && !dialogHandled) {
                dialogHandled = true;
                Sleep(200);
                if (onDialog)
                    onDialog(program, dialog);
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
            Sleep(25);
        }
        outcome.exited = program.WaitForExit(1000);
        outcome.exitCode = program.ExitCode();
        program.Kill();
        const auto calls = program.Calls();
        for (const std::wstring& text : program.MenuTexts())
            outcome.menuTexts.push_back(Narrow(text));
        outcome.suspends = ArgsOf(calls, "SetSuspendState");
        outcome.actions = outcome.suspends.size() + ArgsOf(calls, "ExitWindowsEx").size() +
                          ArgsOf(calls, "ShellExecuteW").size();
        return outcome;
    }

    // A run that must open the menu, be dismissed, and end with 0.
    static void ExpectQuietMenu(const Outcome& o) {
        EXPECT_TRUE(o.started);
        EXPECT_TRUE(o.menuShown) << "no menu";
        EXPECT_TRUE(o.exited) << "did not end by itself";
        EXPECT_EQ(o.exitCode, 0u);
        EXPECT_EQ(o.actions, 0u) << "a dismissed menu did something";
    }

    static SavedLanguageChoice* saved_;
    // Wine's menu channel overflows a buffer of its own on an item of a few
    // hundred characters and ends the program; runs with such items go
    // without it.
    bool menuTrace_ = true;
    std::wstring root_;
    std::wstring app_;
};
SavedLanguageChoice* BadInput::saved_ = nullptr;

// What the menu shows: the first item's text, or nothing replaced at all
// (every item keeps its key).
const char kKeysOnly[] = "";

struct LanguageCase {
    const char* what;
    std::function<void()> setUp;
    const char* shutDown;  // text of the first item; kKeysOnly: no item replaced
    const char* logOff;    // text of the second item, when checked
};

}  // namespace

// --------------------------------------------------------- language files

class LanguageFiles : public BadInput {};

TEST_F(LanguageFiles, EachBadFileLeavesAWorkingMenu) {
    std::mt19937 random(1234);
    std::string noise(200000, '\0');
    for (char& byte : noise)
        byte = static_cast<char>(random());
    std::string sections;
    for (int i = 0; i < 100000; ++i)
        sections += "[" + std::to_string(i) + "]\n";
    sections += ChosenFile();
    std::string oversized = ChosenFile();
    oversized.append(1000001 - oversized.size(), ';');

    HANDLE locked = INVALID_HANDLE_VALUE;
    const LanguageCase cases[] = {
        {"no language files at all", [this] { FreshLang(false, false); }, kKeysOnly, nullptr},
        {"lang\\English.ini is a folder",
         [this] {
             FreshLang(false);
             CreateDirectoryW((Lang() + L"English.ini").c_str(), nullptr);
         },
         kKeysOnly, nullptr},
        {"chosen file (as a control, not locked)",
         [this] {
             AddFile(L"lang\\Locked.ini", ChosenFile());
             SavedLanguageChoice::SetString(L"Locked");
         },
         kChosenShutDown, kEnglishLogOff},
        {"chosen file locked by another process",
         [&] {
             AddFile(L"lang\\Locked.ini", ChosenFile());
             SavedLanguageChoice::SetString(L"Locked");
             locked = CreateFileW((Lang() + L"Locked.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
             ASSERT_NE(locked, INVALID_HANDLE_VALUE);
         },
         kEnglishShutDown, kEnglishLogOff},
        {"chosen file of 1,000,001 bytes",
         [&] {
             AddFile(L"lang\\Big.ini", oversized);
             SavedLanguageChoice::SetString(L"Big");
         },
         kEnglishShutDown, kEnglishLogOff},
        {"chosen file of random bytes",
         [&] {
             AddFile(L"lang\\Noise.ini", noise);
             SavedLanguageChoice::SetString(L"Noise");
         },
         kEnglishShutDown, kEnglishLogOff},
        {"English.ini of random bytes, nothing chosen",
         [&] {
             FreshLang(false);
             AddFile(L"lang\\English.ini", noise);
         },
         kKeysOnly, nullptr},
        {"UTF-8 with a byte-order mark",
         [this] {
             // The mark's bytes become characters before the first header,
             // which is then no header: its entries are lost, the later
             // section's are read.
             AddFile(L"lang\\Utf8.ini", "\xEF\xBB\xBF[MENU]\nMENUSTR_SHUTDOWN=Lost\n[MENU]\nMENUSTR_LOGOUT=Kept\n");
             SavedLanguageChoice::SetString(L"Utf8");
         },
         kEnglishShutDown, "Kept"},
        {"100,000 sections before [MENU]",
         [&] {
             AddFile(L"lang\\Sections.ini", sections);
             SavedLanguageChoice::SetString(L"Sections");
         },
         kChosenShutDown, kEnglishLogOff},
    };
    for (const LanguageCase& c : cases) {
        SCOPED_TRACE(c.what);
        FreshLang();
        SavedLanguageChoice::Remove();
        c.setUp();
        const Outcome o = Run(Line());
        if (locked != INVALID_HANDLE_VALUE) {
            CloseHandle(locked);
            locked = INVALID_HANDLE_VALUE;
        }
        ExpectQuietMenu(o);
        if (c.shutDown == kKeysOnly) {
            EXPECT_TRUE(o.menuTexts.empty()) << "a text was written: " << o.menuTexts.front();
            continue;
        }
        ASSERT_EQ(o.menuTexts.size(), 12u) << "every item, the two sub-menus included";
        EXPECT_EQ(o.menuTexts[0], c.shutDown);
        if (c.logOff) {
            EXPECT_EQ(o.menuTexts[1], c.logOff);
        }
    }
    SavedLanguageChoice::Remove();
}

namespace {

// A message to a window of the program under test, answered within 5 s.
LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
    std::wstring text(Ask(window, WM_GETTEXTLENGTH, 0, 0) + 1, L'\0');
    text.resize(Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0])));
    return text;
}

// The part after the action name: a blank and h:mm:ss of a 10-minute count.
bool EndsWithTenMinuteClock(const std::wstring& line, size_t nameLength) {
    return line.size() == nameLength + 9 && line[nameLength] == L' ' &&
           (line.compare(nameLength + 1, 8, L"00:10:00") == 0 || line.compare(nameLength + 1, 5, L"00:09") == 0);
}

// Picks "in 10 minutes" with the keyboard.
void ChooseTenMinutes(Program& program, HWND menu) {
    PostKeys(menu, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT});
    Sleep(200);
    PostKeys(WindowsOf(program.ProcessId(), L"#32768").front(), {VK_RETURN});
}

}  // namespace

// An action name of 100,000 characters is shown whole and the count goes on
// ticking; a value of 1,000 "\n" pairs is 1,000 line breaks in [TEXT], and
// as a menu text (where it stays as written) it leaves a working menu.
TEST_F(LanguageFiles, LongAndEscapedTextsReachTheMenuAndTheCountdown) {
    menuTrace_ = false;
    const std::string longName = "Long" + std::string(100000 - 4, 'n');
    std::string pairs;
    for (int i = 0; i < 1000; ++i)
        pairs += "\\n";
    AddFile(L"lang\\Long.ini", "[TEXT]\nTEXT_METHOD_SHUDOWN=" + longName + "\nTEXT_METHOD_LOGOUT=" + pairs +
                                    "\n[MENU]\nMENUSTR_SHUTDOWN=" + pairs + "\n");
    SavedLanguageChoice::SetString(L"Long");

    std::wstring first, later, listEntry, afterSwitch;
    bool ticked = false;
    const Outcome o = Run(Line(), ChooseTenMinutes, [&](Program&, HWND dialog) {
        HWND line = GetDlgItem(dialog, -1);
        first = TextOf(line);
        // Ticks arrive once a second; the name must stay whole while they do.
        const DWORD start = GetTickCount();
        while (!ticked && GetTickCount() - start < 5000) {
            Sleep(200);
            later = TextOf(line);
            ticked = later != first;
        }
        HWND list = GetDlgItem(dialog, IDC_COMBO_METHOD);
        listEntry.resize(Ask(list, CB_GETLBTEXTLEN, 0, 0) + 1);
        listEntry.resize(Ask(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(&listEntry[0])));
        // The log-off entry, chosen as the list reports a choice.
        Ask(list, CB_SETCURSEL, 1, 0);
        Ask(dialog, WM_COMMAND, MAKEWPARAM(IDC_COMBO_METHOD, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        afterSwitch = TextOf(line);
    });
    ExpectQuietMenu(o);

    const std::wstring wideName(longName.begin(), longName.end());
    ASSERT_FALSE(first.empty()) << "the countdown did not open";
    EXPECT_EQ(first.compare(0, wideName.size(), wideName), 0) << "the name is not shown whole";
    EXPECT_TRUE(EndsWithTenMinuteClock(first, wideName.size())) << first.size();
    EXPECT_TRUE(ticked) << "the count did not tick";
    EXPECT_EQ(later.compare(0, wideName.size(), wideName), 0);
    EXPECT_TRUE(EndsWithTenMinuteClock(later, wideName.size()));
    EXPECT_EQ(listEntry, wideName);
    EXPECT_EQ(afterSwitch.compare(0, 1000, std::wstring(1000, L'\n')), 0) << "[TEXT] turns \\n into line feeds";
    EXPECT_TRUE(EndsWithTenMinuteClock(afterSwitch, 1000)) << afterSwitch.size();
}

// ------------------------------------------------------ the registry value

namespace {

struct RegistryCase {
    const char* what;
    DWORD type;
    std::wstring text;  // UTF-16 data of the value
    DWORD bytes;        // how many bytes of it are stored (terminators included)
    const char* shutDown;
};

// Writes a file only where none is; true when it wrote one.
bool WriteFileBytesIfAbsent(const std::wstring& path, const std::string& bytes) {
    return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && WriteFileBytes(path, bytes);
}

}  // namespace

class RegistryValue : public BadInput {};

TEST_F(RegistryValue, EveryTypeAndOddNamesPickTheRightFileOrEnglish) {
    const std::string parent = "[MENU]\nMENUSTR_SHUTDOWN=Beside the program folder\n";
    const std::string sub = "[MENU]\nMENUSTR_SHUTDOWN=In a sub-folder of lang\n";
    AddFile(L"lang\\Chosen.ini", ChosenFile());
    ASSERT_TRUE(CreateDirectoryW((Lang() + L"sub").c_str(), nullptr));
    AddFile(L"lang\\sub\\Chosen.ini", sub);
    ASSERT_TRUE(WriteFileBytes(root_ + L"x.ini", parent));
    // A file where "C:\x" would lead if it were taken as a path of its own;
    // one that is already there is left alone.
    const bool driveFileIsOurs = WriteFileBytesIfAbsent(L"C:\\x.ini", "[MENU]\nMENUSTR_SHUTDOWN=Drive root\n");

    const std::wstring chosen(L"Chosen\0", 7);
    const DWORD chosenBytes = 8 * sizeof(wchar_t);  // "Chosen" and two terminators
    const RegistryCase cases[] = {
        {"REG_NONE", REG_NONE, chosen, chosenBytes, kEnglishShutDown},
        {"REG_SZ", REG_SZ, chosen, chosenBytes, kChosenShutDown},
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, chosen, chosenBytes, kChosenShutDown},
        {"REG_BINARY", REG_BINARY, chosen, chosenBytes, kEnglishShutDown},
        {"REG_DWORD", REG_DWORD, chosen, chosenBytes, kEnglishShutDown},
        {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN, chosen, chosenBytes, kEnglishShutDown},
        {"REG_LINK", REG_LINK, chosen, chosenBytes, kEnglishShutDown},
        {"REG_MULTI_SZ", REG_MULTI_SZ, chosen, chosenBytes, kChosenShutDown},
        {"REG_RESOURCE_LIST", REG_RESOURCE_LIST, chosen, chosenBytes, kEnglishShutDown},
        {"REG_FULL_RESOURCE_DESCRIPTOR", REG_FULL_RESOURCE_DESCRIPTOR, chosen, chosenBytes, kEnglishShutDown},
        {"REG_RESOURCE_REQUIREMENTS_LIST", REG_RESOURCE_REQUIREMENTS_LIST, chosen, chosenBytes, kEnglishShutDown},
        {"REG_QWORD", REG_QWORD, chosen, chosenBytes, kEnglishShutDown},
        {"empty string", REG_SZ, L"", sizeof(wchar_t), kEnglishShutDown},
        {"no bytes at all", REG_SZ, L"", 0, kEnglishShutDown},
        {"100,000 characters", REG_SZ, std::wstring(100000, L'c'), 100001 * sizeof(wchar_t), kEnglishShutDown},
        {"..\\..\\x", REG_SZ, L"..\\..\\x", 8 * sizeof(wchar_t), "Beside the program folder"},
        {"C:\\x", REG_SZ, L"C:\\x", 5 * sizeof(wchar_t), kEnglishShutDown},
        {"sub/Chosen", REG_SZ, L"sub/Chosen", 11 * sizeof(wchar_t), "In a sub-folder of lang"},
    };
    for (const RegistryCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(SavedLanguageChoice::Set(c.type, c.text.c_str(), c.bytes));
        const Outcome o = Run(Line());
        ExpectQuietMenu(o);
        ASSERT_EQ(o.menuTexts.size(), 12u);
        EXPECT_EQ(o.menuTexts[0], c.shutDown);
        EXPECT_EQ(o.menuTexts[1], kEnglishLogOff) << "English fills in the rest";
    }
    SavedLanguageChoice::Remove();
    if (driveFileIsOurs)
        DeleteFileW(L"C:\\x.ini");
}

// ----------------------------------------------------------- command tails

namespace {

struct TailCase {
    const char* what;
    std::wstring afterName;  // what follows the quoted program name on the command line
    bool acts;               // suspends at once; otherwise the menu opens
};

}  // namespace

class CommandTails : public BadInput {};

TEST_F(CommandTails, OnlyTheExactSwitchActsEverythingElseOpensTheMenu) {
    const std::wstring longTail = L"/suspend" + std::wstring(32000 - 8, L'x');
    const TailCase cases[] = {
        {"blank before", L" /suspend", true},
        {"tab before", L"\t/suspend", true},
        {"blanks and tabs before", L" \t \t /suspend", true},
        {"vertical tab, form feed, CR, LF before", L"\v\f\r\n/suspend", true},
        {"control characters before", L" \x01\x02\x1f/suspend", true},
        {"a control character ends the name", L"\x01/suspend", true},
        {"blank after", L" /suspend ", false},
        {"tab after", L" /suspend\t", false},
        {"control character after", L" /suspend\x01", false},
        {"control character inside", L" /sus\x01pend", false},
        {"no-break space before", L" \x00A0/suspend", false},
        {"ideographic space before", L" \x3000/suspend", false},
        {"ideographic space after", L" /suspend\x3000", false},
        {"in double quotes", L" \"/suspend\"", false},
        {"quote before", L" \"/suspend", false},
        {"quote after", L" /suspend\"", false},
        {"in single quotes", L" '/suspend'", false},
        {"in typographic quotes", L" \x201C/suspend\x201D", false},
        {"quoted right after the name (part of it)", L"\"/suspend\"", false},
        {"a lone quote", L" \"", false},
        {"32,000 characters", L" " + longTail, false},
    };
    for (const TailCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome o = Run(Line(c.afterName));
        EXPECT_TRUE(o.exited) << "did not end by itself";
        EXPECT_EQ(o.exitCode, 0u);
        if (c.acts) {
            EXPECT_FALSE(o.menuShown);
            EXPECT_EQ(o.suspends, std::vector<std::string>{"00000000,00000000,00000000"});
            EXPECT_EQ(o.actions, 1u);
        } else {
            ExpectQuietMenu(o);
        }
    }

    // A quote that opens the program's name and never closes takes the
    // whole line into the name: the tail is empty.
    SCOPED_TRACE("a lone quote before the name");
    ExpectQuietMenu(Run(L"\"" + Exe() + L" /suspend"));
}
