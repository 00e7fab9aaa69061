// The rules every delivered language file keeps, checked for each file in
// resources/lang through the real IniDocument and LanguageManager: its form
// (UTF-16LE with FF FE, CR LF, a comment at the top), every key of the key
// table with a value and nothing else, the code page and writing direction
// of its language, the project's URLs, access keys that are unique within
// each menu level, and texts that are really translated.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "localisation/ini_document.h"
#include "localisation/language_manager.h"
#include "tests/lang/language_table.h"
#include "tests/localisation/loc_test_support.h"

namespace qf_lang {
// Names the language in test output instead of dumping its bytes.
void PrintTo(const Language& lang, std::ostream* out) { *out << lang.name; }
}  // namespace qf_lang

namespace {

using qf_lang::Language;
using qf_lang::Script;

std::filesystem::path LangDir() { return std::filesystem::path(QF_LANG_DIR); }
std::filesystem::path FileOf(const std::string& name) { return LangDir() / (name + ".ini"); }
std::wstring Wide(const char* ascii) { return loctest::Widen(ascii); }

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file's text after the mark, one element per UTF-16 unit.
std::wstring Utf16Body(const std::string& bytes) {
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return text;
}

// Printable form of a text for failure messages (UTF-8).
std::string Show(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        const unsigned u = static_cast<unsigned>(c) & 0xFFFF;
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    return out;
}

// The access key of a menu text: the character after its one "&" that is
// not part of "&&"; 0 when there is none, or more than one.
wchar_t AccessKey(const std::wstring& text) {
    wchar_t key = 0;
    int count = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&')
            continue;
        if (text[i + 1] == L'&') {
            ++i;
            continue;
        }
        key = text[i + 1];
        ++count;
    }
    return count == 1 ? key : 0;
}

// Upper case as the menu compares access keys, for the scripts in use.
wchar_t Fold(wchar_t c) {
    const unsigned u = static_cast<unsigned>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7) || (u >= 0x3B1 && u <= 0x3C9 && u != 0x3C2) ||
        (u >= 0x430 && u <= 0x44F))
        return static_cast<wchar_t>(u - 0x20);
    if (u >= 0x450 && u <= 0x45F)
        return static_cast<wchar_t>(u - 0x50);
    if (u >= 0x100 && u <= 0x17F && (u % 2) == 1)  // Latin Extended-A pairs (ą/Ą, ő/Ő, ş/Ş...)
        return static_cast<wchar_t>(u - 1);
    return c;
}

// True when the text has a letter of the language's own script.
bool HasScript(const std::wstring& text, Script script) {
    for (wchar_t c : text) {
        const unsigned u = static_cast<unsigned>(c);
        switch (script) {
        case Script::Latin:
            if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= 0xC0 && u <= 0x24F) ||
                (u >= 0x1E00 && u <= 0x1EFF))
                return true;
            break;
        case Script::Greek:
            if (u >= 0x370 && u <= 0x3FF)
                return true;
            break;
        case Script::Cyrillic:
            if (u >= 0x400 && u <= 0x4FF)
                return true;
            break;
        case Script::Arabic:
            if ((u >= 0x600 && u <= 0x6FF) || (u >= 0xFB50 && u <= 0xFEFF))
                return true;
            break;
        case Script::Hebrew:
            if (u >= 0x590 && u <= 0x5FF)
                return true;
            break;
        case Script::Thai:
            if (u >= 0xE01 && u <= 0xE5B)
                return true;
            break;
        case Script::Japanese:
            if ((u >= 0x3040 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF))
                return true;
            break;
        case Script::Korean:
            if (u >= 0xAC00 && u <= 0xD7A3)
                return true;
            break;
        case Script::Chinese:
            if (u >= 0x4E00 && u <= 0x9FFF)
                return true;
            break;
        }
    }
    return false;
}

// Keys whose text a translation changes (the title and URLs stay).
std::vector<std::pair<std::wstring, std::wstring>> TranslatedKeys() {
    std::vector<std::pair<std::wstring, std::wstring>> keys;
    for (const char* key : qf_lang::kTextKeys) {
        const std::string k = key;
        if (k != "APP_TITLE" && k != "URL_HOME" && k != "URL_HELP")
            keys.emplace_back(L"TEXT", Wide(key));
    }
    for (const char* key : qf_lang::kMainMenuKeys)
        keys.emplace_back(L"MENU", Wide(key));
    for (const char* key : qf_lang::kTimerMenuKeys)
        keys.emplace_back(L"MENU", Wide(key));
    for (const char* key : qf_lang::kEtcMenuKeys)
        keys.emplace_back(L"MENU", Wide(key));
    return keys;
}

class LanguagePack : public ::testing::TestWithParam<Language> {
protected:
    LanguagePack() : doc(TestPlatform()), english(TestPlatform()) {}
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(FileOf(GetParam().name))) << FileOf(GetParam().name);
        ASSERT_TRUE(doc.LoadFile(FileOf(GetParam().name).wstring()));
        ASSERT_TRUE(english.LoadFile(FileOf("English").wstring()));
    }
    IniDocument doc;
    IniDocument english;
};

TEST_P(LanguagePack, IsUtf16LeWithMarkCrLfAndACommentOnTop) {
    const std::string bytes = ReadAll(FileOf(GetParam().name));
    ASSERT_GE(bytes.size(), 4u);
    ASSERT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE")) << "no UTF-16LE mark";
    ASSERT_EQ(bytes.size() % 2, 0u) << "odd byte count";
    const std::wstring text = Utf16Body(bytes);
    EXPECT_EQ(text.find(L'\0'), std::wstring::npos) << "U+0000 in the file";
    EXPECT_EQ(text.find(L'\xFEFF'), std::wstring::npos) << "a second byte-order mark";
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n') {
            EXPECT_TRUE(i > 0 && text[i - 1] == L'\r') << "bare LF at unit " << i;
        }
        if (text[i] == L'\r') {
            EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == L'\n') << "bare CR at unit " << i;
        }
    }
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n") << "last line without CR LF";
    EXPECT_EQ(text[0], L';') << "the first line is not a comment";
}

TEST_P(LanguagePack, HoldsEveryKeyOnceWithAValueAndNothingElse) {
    // Optional keys: all of a group or none of it.
    const std::vector<const char*> optional(std::begin(qf_lang::kCountdownKeys), std::end(qf_lang::kCountdownKeys));
    const std::map<std::wstring, std::vector<const char*>> expected = {
        {L"GENERAL", {std::begin(qf_lang::kGeneralKeys), std::end(qf_lang::kGeneralKeys)}},
        {L"TEXT", {std::begin(qf_lang::kTextKeys), std::end(qf_lang::kTextKeys)}},
        {L"MENU",
         [] {
             std::vector<const char*> keys(std::begin(qf_lang::kMainMenuKeys), std::end(qf_lang::kMainMenuKeys));
             keys.insert(keys.end(), std::begin(qf_lang::kTimerMenuKeys), std::end(qf_lang::kTimerMenuKeys));
             keys.insert(keys.end(), std::begin(qf_lang::kEtcMenuKeys), std::end(qf_lang::kEtcMenuKeys));
             return keys;
         }()},
    };
    std::set<std::wstring> sectionsSeen;
    for (std::size_t s = 0; s < doc.SectionCount(); ++s) {
        const std::wstring section = doc.SectionName(s);
        SCOPED_TRACE("[" + Show(section) + "]");
        const auto wanted = expected.find(section);
        ASSERT_NE(wanted, expected.end()) << "a section the program does not read";
        sectionsSeen.insert(section);
        std::set<std::wstring> keysSeen;
        const auto has = [&](const std::vector<const char*>& keys, const std::wstring& key) {
            return std::any_of(keys.begin(), keys.end(), [&](const char* k) { return Wide(k) == key; });
        };
        int optionalSeen = 0;
        for (std::size_t e = 0; e < doc.EntryCount(s); ++e) {
            const std::wstring key = doc.EntryKey(s, e);
            const bool isOptional = section == L"TEXT" && has(optional, key);
            optionalSeen += isOptional;
            const bool known = has(wanted->second, key) || isOptional;
            EXPECT_TRUE(known) << "unknown key " << Show(key);
            EXPECT_TRUE(keysSeen.insert(key).second) << "key twice: " << Show(key);
            EXPECT_FALSE(doc.EntryValue(s, e).empty()) << "empty value of " << Show(key);
        }
        for (const char* key : wanted->second)
            EXPECT_EQ(keysSeen.count(Wide(key)), 1u) << "missing key " << key;
        EXPECT_TRUE(optionalSeen == 0 || optionalSeen == static_cast<int>(optional.size()))
            << optionalSeen << " of the " << optional.size() << " TEXT_COUNTDOWN_ keys";
    }
    EXPECT_EQ(sectionsSeen.size(), expected.size()) << "a section is missing";
}

TEST_P(LanguagePack, CodePageDirectionAndUrlsAsTheProgramReadsThem) {
    const Language& lang = GetParam();
    LanguageManager manager(TestPlatform());
    ASSERT_EQ(manager.Load(FileOf(lang.name).wstring(), FileOf("English").wstring(), L""), 1);
    EXPECT_EQ(manager.CodePage(), lang.codePage);
    EXPECT_EQ(manager.RightToLeft(), lang.rightToLeft ? 1u : 0u);
    EXPECT_EQ(doc.GetGeneralInt(L"IS_RIGHT_TO_LEFT_TEXT"), lang.rightToLeft ? 1u : 0u)
        << "written as 1 or 0, nothing else";
    EXPECT_STREQ(manager.GetText(L"URL_HOME"), L"https://quietfall.example.org/");
    EXPECT_STREQ(manager.GetText(L"URL_HELP"), L"https://quietfall.example.org/help/");
    EXPECT_EQ(doc.GetString(L"TEXT", L"URL_HOME"), english.GetString(L"TEXT", L"URL_HOME"));
    EXPECT_EQ(doc.GetString(L"TEXT", L"URL_HELP"), english.GetString(L"TEXT", L"URL_HELP"));
    // Every text is the file's own, none falls back to English.
    for (const auto& [section, key] : TranslatedKeys()) {
        if (section == L"TEXT") {
            EXPECT_EQ(std::wstring(manager.GetText(key.c_str())), doc.GetString(L"TEXT", key)) << Show(key);
        } else {
            EXPECT_EQ(manager.MenuText(key), doc.GetString(L"MENU", key)) << Show(key);
        }
    }
}

TEST_P(LanguagePack, MenuTextsHaveAccessKeysUniqueWithinEachLevel) {
    struct Level {
        const char* name;
        std::vector<const char*> keys;
    };
    const Level levels[] = {
        {"main menu", {std::begin(qf_lang::kMainMenuKeys), std::end(qf_lang::kMainMenuKeys)}},
        {"timer menu", {std::begin(qf_lang::kTimerMenuKeys), std::end(qf_lang::kTimerMenuKeys)}},
        {"other actions", {std::begin(qf_lang::kEtcMenuKeys), std::end(qf_lang::kEtcMenuKeys)}},
    };
    for (const Level& level : levels) {
        std::map<wchar_t, std::string> owners;
        for (const char* key : level.keys) {
            const std::wstring text = doc.GetString(L"MENU", Wide(key));
            const wchar_t access = AccessKey(text);
            EXPECT_NE(access, 0) << key << " = \"" << Show(text) << "\": no single & access key";
            if (access == 0)
                continue;
            EXPECT_NE(access, L' ') << key << ": & before a blank";
            const auto [it, fresh] = owners.emplace(Fold(access), key);
            EXPECT_TRUE(fresh) << level.name << ": " << key << " and " << it->second << " share the access key "
                               << Show(std::wstring(1, access));
        }
    }
}

TEST_P(LanguagePack, IsReallyTranslated) {
    const Language& lang = GetParam();
    if (std::string(lang.name) == "English")
        GTEST_SKIP() << "English is the original";
    int same = 0;
    for (const auto& [section, key] : TranslatedKeys()) {
        const std::wstring text = doc.GetString(section, key);
        const std::wstring original = english.GetString(section, key);
        same += text == original;
        EXPECT_TRUE(HasScript(text, lang.script)) << Show(key) << " = \"" << Show(text)
                                                  << "\" has no letter of the language's script";
    }
    // A word may be the same in both languages; most must not be.
    EXPECT_LE(same, 2) << same << " texts are the English ones";
    for (const char* key : qf_lang::kCountdownKeys) {
        const std::wstring text = doc.GetString(L"TEXT", Wide(key));
        EXPECT_TRUE(text.empty() || HasScript(text, lang.script)) << key << " = \"" << Show(text) << "\"";
    }
}

std::string NameOf(const ::testing::TestParamInfo<Language>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Shipped, LanguagePack, ::testing::ValuesIn(qf_lang::kLanguages), NameOf);

TEST(LanguagePackSet, TheFolderHoldsExactlyTheLanguagesOfTheTable) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(LangDir()))
        files.insert(entry.path().filename().string());
    std::set<std::string> expected;
    for (const Language& lang : qf_lang::kLanguages)
        expected.insert(std::string(lang.name) + ".ini");
    EXPECT_EQ(files, expected);
    EXPECT_EQ(qf_lang::kLanguageCount, 38u);
}

TEST(LanguagePackSet, NoTwoLanguagesShareTheirTexts) {
    // A file copied from another language and not yet translated.
    std::map<std::wstring, std::string> seen;
    for (const Language& lang : qf_lang::kLanguages) {
        IniDocument doc(TestPlatform());
        if (!doc.LoadFile(FileOf(lang.name).wstring()))
            continue;
        std::wstring all;
        for (const auto& [section, key] : TranslatedKeys())
            all += doc.GetString(section, key) + L"\n";
        const auto [it, fresh] = seen.emplace(all, lang.name);
        EXPECT_TRUE(fresh) << lang.name << " has the texts of " << it->second;
    }
}

}  // namespace
