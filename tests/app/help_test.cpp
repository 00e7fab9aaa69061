// The help command, chosen from the real menu, opens the localised help page:
// which language file the program loads shows in the URL it hands the shell.
#include <gtest/gtest.h>

#include "tests/support/harness.h"
#include "tests/support/language_choice.h"

using namespace qf_test;

namespace {

std::string Utf16File(const std::wstring& text) {
    std::string bytes("\xFF\xFE", 2);
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes;
}

class HelpCommand : public testing::Test {
protected:
    static void SetUpTestSuite() { SetRelayInclude({L"shell32.ShellExecuteW", L"user32.TrackPopupMenu"}); }

    void SetUp() override {
        SavedLanguageChoice::Remove();
        dir_ = MakeTempDir(L"help");
        ASSERT_FALSE(dir_.empty());
        ASSERT_TRUE(CopyInto(BinDir() + L"Quietfall.exe", dir_));
    }
    void TearDown() override { RemoveTree(dir_); }

    void AddLanguageFile(const std::wstring& name, const std::string& bytes) {
        CreateDirectoryW((dir_ + L"lang").c_str(), nullptr);
        ASSERT_TRUE(WriteFileBytes(dir_ + L"lang\\" + name, bytes));
    }
    void AddEnglish() {
        CreateDirectoryW((dir_ + L"lang").c_str(), nullptr);
        ASSERT_TRUE(CopyInto(BinDir() + L"lang\\English.ini", dir_ + L"lang\\"));
    }

    // Opens the menu, picks its last item (the help page) with the keyboard
    // and returns what the program handed to ShellExecuteW.
    std::vector<std::string> ChooseHelp() {
        Program program;
        const std::wstring exe = dir_ + L"Quietfall.exe";
        EXPECT_TRUE(program.Start(exe, L"\"" + exe + L"\"", LaunchOptions{true, {}, {}}));
        HWND menu = program.WaitForWindow(L"#32768", 15000);
        EXPECT_NE(menu, nullptr);
        if (menu) {
            for (UINT key : {VK_UP, VK_RETURN}) {
                PostMessageW(menu, WM_KEYDOWN, key, 0);
                PostMessageW(menu, WM_KEYUP, key, 0);
            }
        }
        EXPECT_TRUE(program.WaitForExit(15000));
        EXPECT_EQ(program.ExitCode(), 0u);
        program.Kill();
        return ArgsOf(program.Calls(), "ShellExecuteW");
    }

    static void ExpectOpened(const std::vector<std::string>& calls, const std::string& file) {
        ASSERT_EQ(calls.size(), 1u);
        const std::string& args = calls[0];
        // No owner window, the verb "open", no parameters, no folder, SW_SHOWNORMAL.
        EXPECT_EQ(args.rfind("00000000,", 0), 0u) << args;
        EXPECT_NE(args.find(" L\"open\","), std::string::npos) << args;
        EXPECT_NE(args.find(" L\"" + file + "\","), std::string::npos) << args;
        EXPECT_EQ(args.substr(args.size() - 27), ",00000000,00000000,00000001") << args;
    }

    SavedLanguageChoice language_;  // restored after each test
    std::wstring dir_;
};

}  // namespace

TEST_F(HelpCommand, OpensTheEnglishHelpPageWhenNoLanguageIsChosen) {
    AddEnglish();
    ExpectOpened(ChooseHelp(), "https://quietfall.example.org/help/");
}

TEST_F(HelpCommand, WithoutLanguageFilesHandsTheFixedTextToTheShell) {
    ExpectOpened(ChooseHelp(), "Can't load language file");
}

TEST_F(HelpCommand, TheChosenLanguageComesFirstAndEnglishFillsItsGaps) {
    AddEnglish();
    AddLanguageFile(L"Testish.ini",
                    Utf16File(L"[TEXT]\r\nURL_HELP = https://example.test/hilfe/ ; ours\r\n"));
    AddLanguageFile(L"Sparse.ini", Utf16File(L"[TEXT]\r\nAPP_TITLE=Nur der Titel\r\n"));
    SavedLanguageChoice::SetString(L"Testish");
    ExpectOpened(ChooseHelp(), "https://example.test/hilfe/");
    SavedLanguageChoice::SetString(L"Sparse");
    ExpectOpened(ChooseHelp(), "https://quietfall.example.org/help/");
    SavedLanguageChoice::SetString(L"Missing");
    ExpectOpened(ChooseHelp(), "https://quietfall.example.org/help/");
}

TEST_F(HelpCommand, AnEightBitLanguageFileWorksToo) {
    AddEnglish();
    AddLanguageFile(L"Plain.ini", "; 8-bit text, LF line ends\n[text]\nurl_help=https://example.test/plain/\n");
    SavedLanguageChoice::SetString(L"Plain");
    ExpectOpened(ChooseHelp(), "https://example.test/plain/");
}
