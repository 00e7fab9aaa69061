// The delivered English language file: its exact form and every text the
// program reads.
#include <fstream>
#include <iterator>
#include <string>

#include "localisation/ini_document.h"
#include "localisation/language_manager.h"
#include "loc_test_support.h"

namespace {

std::wstring EnglishIniPath() { return loctest::Widen(QF_ENGLISH_INI); }

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(EnglishIni, IsUtf16LittleEndianWithMarkAndCrLf) {
    const std::string bytes = ReadAll(QF_ENGLISH_INI);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE"));
    ASSERT_EQ(bytes.size() % 2, 0u);
    std::wstring text;
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    EXPECT_EQ(text.find(L'\0'), std::wstring::npos);
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n') {
            EXPECT_TRUE(i > 0 && text[i - 1] == L'\r') << "bare LF at " << i;
        }
        if (text[i] == L'\r') {
            EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == L'\n') << "bare CR at " << i;
        }
    }
}

TEST(EnglishIni, HoldsEveryTextTheProgramReads) {
    IniDocument doc(TestPlatform());
    ASSERT_TRUE(doc.LoadFile(EnglishIniPath()));
    const wchar_t* textKeys[] = {L"APP_TITLE",           L"TEXT_IDCANCEL",         L"TEXT_STATIC_HOMEPAGE",
                                 L"URL_HOME",            L"URL_HELP",              L"TEXT_METHOD_SHUDOWN",
                                 L"TEXT_METHOD_LOGOUT",  L"TEXT_METHOD_RESTART",   L"TEXT_METHOD_HIBERNATE",
                                 L"TEXT_METHOD_SUSPEND"};
    for (const wchar_t* key : textKeys) {
        std::wstring value;
        EXPECT_TRUE(doc.GetTextValue(key, value)) << "missing TEXT key";
        EXPECT_FALSE(value.empty());
    }
    const wchar_t* menuKeys[] = {L"MENUSTR_SHUTDOWN",      L"MENUSTR_LOGOUT",       L"MENUSTR_RESTART",
                                 L"MENUSTR_TIMER",         L"MENUSTR_SHUTDOWN_10M", L"MENUSTR_SHUTDOWN_30M",
                                 L"MENUSTR_SHUTDOWN_60M",  L"MENUSTR_SHUTDOWN_120M", L"MENUSTR_ETC",
                                 L"MENUSTR_HIBERNATE",     L"MENUSTR_SUSPEND",      L"MENUSTR_HELP_PAGE"};
    for (const wchar_t* key : menuKeys) EXPECT_FALSE(doc.GetString(L"MENU", key).empty());
    EXPECT_EQ(doc.GetString(L"TEXT", L"URL_HOME"), L"https://quietfall.example.org/");
    EXPECT_EQ(doc.GetString(L"TEXT", L"URL_HELP"), L"https://quietfall.example.org/help/");
    EXPECT_EQ(doc.GetGeneralInt(L"IS_RIGHT_TO_LEFT_TEXT"), 0u);
    EXPECT_NE(doc.GetGeneralInt(L"CODEPAGE"), 0u);
}

TEST(EnglishIni, LoadsAsFallbackThroughTheManager) {
    LanguageManager manager(TestPlatform());
    ASSERT_EQ(manager.Load(L"", EnglishIniPath(), L""), 1);
    EXPECT_STREQ(manager.GetText(L"TEXT_IDCANCEL"), L"Cancel");
    EXPECT_EQ(manager.MenuText(L"MENUSTR_HELP_PAGE"), L"&Help");
}

}  // namespace
