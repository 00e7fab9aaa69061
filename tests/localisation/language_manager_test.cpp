// The language manager: fallback to English, unescaping, the text cache and
// its pointers, the resource header, and the menu texts.
#include <memory>

#include "localisation/language_manager.h"
#include "loc_test_support.h"

using loctest::TempDir;
using loctest::Utf16Le;

namespace {

const char kEnglish[] =
    "[GENERAL]\r\nCODEPAGE=1252\r\nIS_RIGHT_TO_LEFT_TEXT=0\r\n"
    "[TEXT]\r\nAPP_TITLE=Quietfall\r\nTEXT_IDCANCEL=Cancel\r\nURL_HELP=https://quietfall.example.org/help/\r\n"
    "ONLY_EN=english only\r\nTWO_LINES=first\\nsecond\r\n"
    "[MENU]\r\nMENUSTR_SHUTDOWN=&Shut down\r\nMENUSTR_TIMER=&Timed\\tT\r\nMENUSTR_HELP_PAGE=&Help\r\n";

class ManagerTest : public ::testing::Test {
protected:
    ManagerTest() : manager(TestPlatform()) {
        english = dir.Write("English.ini", Utf16Le(loctest::Widen(kEnglish)));
    }
    TempDir dir;
    LanguageManager manager;
    std::wstring english;
};

class ManagerFallback : public ManagerTest {};
class ManagerUnescape : public ManagerTest {};
class ManagerCache : public ManagerTest {};
class ManagerHeader : public ManagerTest {};
class ManagerMenuText : public ManagerTest {};

// ----------------------------------------------------------------- fallback

TEST_F(ManagerFallback, NothingLoadedGivesTheFixedText) {
    EXPECT_FALSE(manager.IsLoaded());
    EXPECT_STREQ(manager.GetText(L"APP_TITLE"), L"Can't load language file");
    EXPECT_EQ(manager.Load(dir.File("none.ini"), dir.File("none-either.ini"), L""), 0);
    EXPECT_FALSE(manager.IsLoaded());
    EXPECT_STREQ(manager.GetText(L"URL_HELP"), L"Can't load language file");
    EXPECT_EQ(manager.Load(L"", L"", L""), 0);
    EXPECT_STREQ(manager.GetText(L"URL_HELP"), L"Can't load language file");
}

TEST_F(ManagerFallback, ChosenTextsWinAndEmptyOrMissingOnesComeFromEnglish) {
    const std::wstring german = dir.Write(
        "German.ini", "[GENERAL]\nCODEPAGE=1252\nIS_RIGHT_TO_LEFT_TEXT=0\n[TEXT]\nAPP_TITLE=Ruhefall\nTEXT_IDCANCEL=\n");
    ASSERT_EQ(manager.Load(german, english, L""), 1);
    EXPECT_STREQ(manager.GetText(L"APP_TITLE"), L"Ruhefall");
    EXPECT_STREQ(manager.GetText(L"TEXT_IDCANCEL"), L"Cancel");
    EXPECT_STREQ(manager.GetText(L"ONLY_EN"), L"english only");
    EXPECT_STREQ(manager.GetText(L"app_title"), L"Ruhefall");  // documents fold A..Z
}

TEST_F(ManagerFallback, OwnTextComesFromTheChosenFileAloneElseItsOtherText) {
    // English has both texts, so a lookup that fell back to English for the
    // first key would show English's wording.
    const std::wstring en = dir.Write(
        "En.ini", "[TEXT]\nTEXT_METHOD_SHUDOWN=Shut down in\nTEXT_COUNTDOWN_SHUTDOWN=Shutting down in\n");
    struct Case {
        const char* what;
        const char* chosen;  // empty: no such file
        const wchar_t* line;
    };
    const Case cases[] = {
        {"own text", "[TEXT]\nTEXT_METHOD_SHUDOWN=Ausschalten\nTEXT_COUNTDOWN_SHUTDOWN=Herunterfahren in\n",
         L"Herunterfahren in"},
        {"none: the file's other text, not English's own", "[TEXT]\nTEXT_METHOD_SHUDOWN=Ausschalten\n",
         L"Ausschalten"},
        {"empty counts as none", "[TEXT]\nTEXT_METHOD_SHUDOWN=Ausschalten\nTEXT_COUNTDOWN_SHUTDOWN=\n", L"Ausschalten"},
        {"neither: the other text from English", "[TEXT]\nAPP_TITLE=Ruhefall\n", L"Shut down in"},
        {"only English loaded", "", L"Shut down in"},
        {"escapes as in every text", "[TEXT]\nTEXT_COUNTDOWN_SHUTDOWN=zwei\\nZeilen\n", L"zwei\nZeilen"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring chosen = *c.chosen ? dir.Write("Chosen.ini", c.chosen) : dir.File("Missing.ini");
        ASSERT_EQ(manager.Load(chosen, en, L""), 1);
        const wchar_t* line = manager.GetOwnTextOr(L"TEXT_COUNTDOWN_SHUTDOWN", L"TEXT_METHOD_SHUDOWN");
        EXPECT_STREQ(line, c.line);
        EXPECT_EQ(manager.GetOwnTextOr(L"TEXT_COUNTDOWN_SHUTDOWN", L"TEXT_METHOD_SHUDOWN"), line);
    }
    manager.Reset();
    EXPECT_STREQ(manager.GetOwnTextOr(L"TEXT_COUNTDOWN_SHUTDOWN", L"TEXT_METHOD_SHUDOWN"), L"Can't load language file");
}

TEST_F(ManagerFallback, KeyInNeitherFileGivesEmptyTextNotNull) {
    ASSERT_EQ(manager.Load(L"", english, L""), 1);
    const wchar_t* text = manager.GetText(L"NO_SUCH_KEY");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, L"");
    EXPECT_EQ(manager.GetText(L"NO_SUCH_KEY"), text);
}

TEST_F(ManagerFallback, OnlyEnglishLoadedLeavesCodePageAndDirectionZero) {
    ASSERT_EQ(manager.Load(dir.File("Missing.ini"), english, L""), 1);
    EXPECT_TRUE(manager.IsLoaded());
    EXPECT_EQ(manager.CodePage(), 0u);
    EXPECT_EQ(manager.RightToLeft(), 0u);
    EXPECT_STREQ(manager.GetText(L"APP_TITLE"), L"Quietfall");
}

TEST_F(ManagerFallback, CodePageAndDirectionComeFromTheChosenFile) {
    const std::wstring hebrew = dir.Write("Hebrew.ini", "[general]\ncodepage=1255\nIS_RIGHT_TO_LEFT_TEXT=1\n");
    ASSERT_EQ(manager.Load(hebrew, english, L""), 1);
    EXPECT_EQ(manager.CodePage(), 1255u);
    EXPECT_EQ(manager.RightToLeft(), 1u);
    EXPECT_STREQ(manager.GetText(L"APP_TITLE"), L"Quietfall");
}

TEST_F(ManagerFallback, EmptyChosenFileCountsAsLoaded) {
    const std::wstring empty = dir.Write("Empty.ini", "");
    EXPECT_EQ(manager.Load(empty, L"", L""), 1);
    EXPECT_STREQ(manager.GetText(L"APP_TITLE"), L"");
    ASSERT_EQ(manager.Load(empty, english, L""), 1);
    EXPECT_STREQ(manager.GetText(L"APP_TITLE"), L"Quietfall");
    EXPECT_EQ(manager.CodePage(), 0u);
}

TEST_F(ManagerFallback, SameFileAsChosenAndFallback) {
    ASSERT_EQ(manager.Load(english, english, L""), 1);
    EXPECT_STREQ(manager.GetText(L"TEXT_IDCANCEL"), L"Cancel");
    EXPECT_EQ(manager.CodePage(), 1252u);
}

TEST_F(ManagerFallback, ResetReturnsToEmpty) {
    ASSERT_EQ(manager.Load(english, L"", L""), 1);
    manager.Reset();
    EXPECT_FALSE(manager.IsLoaded());
    EXPECT_STREQ(manager.GetText(L"APP_TITLE"), L"Can't load language file");
    EXPECT_EQ(manager.ChosenDocument().SectionCount(), 0u);
    EXPECT_TRUE(manager.IdNames().empty());
    EXPECT_EQ(manager.CodePage(), 1252u);  // kept until the next successful Load
}

// ---------------------------------------------------------------- unescape

TEST_F(ManagerUnescape, LineFeedAndCarriageReturnOnly) {
    const std::wstring file = dir.Write(
        "Esc.ini", "[TEXT]\nN=one\\ntwo\nR=a\\rb\\r\\n\nT=keep\\tthis\nB=back\\\\nslash\nE=end\\\nX=\\x\\N\n");
    ASSERT_EQ(manager.Load(file, L"", L""), 1);
    EXPECT_STREQ(manager.GetText(L"N"), L"one\ntwo");
    EXPECT_STREQ(manager.GetText(L"R"), L"a\rb\r\n");
    EXPECT_STREQ(manager.GetText(L"T"), L"keep\\tthis");
    EXPECT_STREQ(manager.GetText(L"B"), L"back\\\nslash");
    EXPECT_STREQ(manager.GetText(L"E"), L"end\\");
    EXPECT_STREQ(manager.GetText(L"X"), L"\\x\\N");
    EXPECT_STREQ(manager.GetText(L"TWO_LINES"), L"");
}

TEST_F(ManagerUnescape, FallbackTextsAreUnescapedToo) {
    ASSERT_EQ(manager.Load(L"", english, L""), 1);
    EXPECT_STREQ(manager.GetText(L"TWO_LINES"), L"first\nsecond");
}

// -------------------------------------------------------------------- cache

TEST_F(ManagerCache, SameKeySamePointerUntilReset) {
    ASSERT_EQ(manager.Load(L"", english, L""), 1);
    const wchar_t* title = manager.GetText(L"APP_TITLE");
    const wchar_t* cancel = manager.GetText(L"TEXT_IDCANCEL");
    EXPECT_NE(title, cancel);
    for (int i = 0; i < 1000; ++i) manager.GetText((L"FILLER" + std::to_wstring(i)).c_str());  // rehashes
    EXPECT_EQ(manager.GetText(L"APP_TITLE"), title);
    EXPECT_EQ(manager.GetText(L"TEXT_IDCANCEL"), cancel);
    EXPECT_STREQ(title, L"Quietfall");
}

TEST_F(ManagerCache, CacheKeysAreExact) {
    ASSERT_EQ(manager.Load(L"", english, L""), 1);
    const wchar_t* upper = manager.GetText(L"APP_TITLE");
    const wchar_t* lower = manager.GetText(L"app_title");
    EXPECT_NE(upper, lower);  // two cache entries, same text
    EXPECT_STREQ(upper, lower);
}

TEST_F(ManagerCache, NewLoadAnswersFromTheNewFiles) {
    ASSERT_EQ(manager.Load(L"", english, L""), 1);
    EXPECT_STREQ(manager.GetText(L"APP_TITLE"), L"Quietfall");
    const std::wstring other = dir.Write("Other.ini", "[TEXT]\nAPP_TITLE=Other\n");
    ASSERT_EQ(manager.Load(other, english, L""), 1);
    EXPECT_STREQ(manager.GetText(L"APP_TITLE"), L"Other");
}

TEST_F(ManagerCache, TextsHandedOutAreFreedAtTeardown) {
    // Under the address sanitizer a leak here fails the run at exit.
    auto owned = std::make_unique<LanguageManager>(TestPlatform());
    ASSERT_EQ(owned->Load(english, english, L""), 1);
    for (int i = 0; i < 100; ++i) owned->GetText((L"K" + std::to_wstring(i)).c_str());
    EXPECT_STREQ(owned->GetText(L"APP_TITLE"), L"Quietfall");
    owned.reset();
}

TEST_F(ManagerCache, NullKeyReadsAsEmptyKey) {
    ASSERT_EQ(manager.Load(L"", english, L""), 1);
    EXPECT_STREQ(manager.GetText(nullptr), L"");
}

// ------------------------------------------------------------------- header

TEST_F(ManagerHeader, DefineLinesFillTheIdNames) {
    const std::wstring header = dir.Write("resource.h",
                                          "// Generated\n"
                                          "#define IDD_TIME        129\n"
                                          "#define IDC_A 1000\n"
                                          "#define\tIDC_B\t1000  // same value\n"
                                          "#define _APS_NEXT 1001\n"
                                          "#defined IDC_ODD 1002\n"
                                          "  #define IDC_INDENTED 1003\n"
                                          "#define IDC_FIRST_OK 1\n"
                                          "# define IDC_SPACED 1004\n"
                                          "#include <x>\n");
    ASSERT_EQ(manager.Load(L"", english, header), 1);
    const auto& ids = manager.IdNames();
    EXPECT_EQ(ids.at(L"129"), L"IDD_TIME");
    EXPECT_EQ(ids.at(L"1000"), L"IDC_A,IDC_B");
    EXPECT_EQ(ids.count(L"1001"), 0u);
    EXPECT_EQ(ids.at(L"1002"), L"IDC_ODD");
    EXPECT_EQ(ids.at(L"1003"), L"IDC_INDENTED");
    EXPECT_EQ(ids.count(L"1004"), 0u);
    EXPECT_EQ(ids.at(L"1"), L"IDOK");
    EXPECT_EQ(ids.at(L"2"), L"IDCANCEL");
    EXPECT_EQ(ids.size(), 6u);
}

TEST_F(ManagerHeader, CrLfLinesGiveCleanValues) {
    const std::wstring header = dir.Write("crlf.h", "#define IDC_X 10\r\n#define IDC_Y\t11\r\n");
    ASSERT_EQ(manager.Load(L"", english, header), 1);
    EXPECT_EQ(manager.IdNames().at(L"10"), L"IDC_X");
    EXPECT_EQ(manager.IdNames().at(L"11"), L"IDC_Y");
}

TEST_F(ManagerHeader, EmptyHeaderLeavesOnlyOkAndCancel) {
    ASSERT_EQ(manager.Load(L"", english, dir.Write("empty.h", "")), 1);
    EXPECT_EQ(manager.IdNames().size(), 2u);
    EXPECT_EQ(manager.IdNames().at(L"1"), L"IDOK");
    EXPECT_EQ(manager.IdNames().at(L"2"), L"IDCANCEL");
}

TEST_F(ManagerHeader, NoHeaderStillSetsOkAndCancel) {
    ASSERT_EQ(manager.Load(L"", english, L""), 1);
    EXPECT_EQ(manager.IdNames().size(), 2u);
}

TEST_F(ManagerHeader, MissingHeaderFailsButKeepsTheDocuments) {
    EXPECT_EQ(manager.Load(english, english, dir.File("missing.h")), 0);
    EXPECT_FALSE(manager.IsLoaded());
    EXPECT_STREQ(manager.GetText(L"APP_TITLE"), L"Can't load language file");
    EXPECT_EQ(manager.MenuText(L"MENUSTR_SHUTDOWN"), L"&Shut down");
    EXPECT_EQ(manager.IdNames().size(), 0u);
}

TEST_F(ManagerHeader, HeaderIsNotReadWhenNoLanguageFileLoads) {
    const std::wstring header = dir.Write("resource.h", "#define IDC_X 5\n");
    EXPECT_EQ(manager.Load(L"", dir.File("missing.ini"), header), 0);
    EXPECT_TRUE(manager.IdNames().empty());
}

TEST_F(ManagerHeader, LinesLongerThan1023CharactersAreReadInPieces) {
    std::string longLine = "// ";
    longLine.append(1023 - longLine.size(), 'p');  // the first read ends here
    longLine += "#define IDC_TAIL 77\n";
    const std::wstring header = dir.Write("long.h", longLine + "#define IDC_NEXT 78\n");
    ASSERT_EQ(manager.Load(L"", english, header), 1);
    EXPECT_EQ(manager.IdNames().at(L"77"), L"IDC_TAIL");
    EXPECT_EQ(manager.IdNames().at(L"78"), L"IDC_NEXT");
}

// ---------------------------------------------------------------- menu text

TEST_F(ManagerMenuText, TabsAreUnescapedOtherSequencesStay) {
    const std::wstring chosen = dir.Write("Menu.ini", "[MENU]\nMENUSTR_SHUTDOWN=\nA=x\\ty\\tz\nB=x\\ny\n");
    manager.Load(chosen, english, L"");
    EXPECT_EQ(manager.MenuText(L"MENUSTR_SHUTDOWN"), L"&Shut down");
    EXPECT_EQ(manager.MenuText(L"A"), L"x\ty\tz");
    EXPECT_EQ(manager.MenuText(L"B"), L"x\\ny");
    EXPECT_EQ(manager.MenuText(L"MENUSTR_TIMER"), L"&Timed\tT");
    EXPECT_EQ(manager.MenuText(L"NOT_THERE"), L"");
}

}  // namespace
