// Under Wine: the real registry of the test prefix and the real files beside
// the program, read through SetupLanguage, ReadLanguageName and
// GetExeDirectory.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "localisation/language_manager.h"
#include "localisation/language_setup.h"
#include "loc_test_support.h"

namespace {

const wchar_t kKeyPath[] = L"Software\\Quietfall";
const wchar_t kValueName[] = L"langFileName";

// Sets up HKCU\Software\Quietfall for one test and puts back whatever value
// was there before.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            DWORD size = 0;
            if (RegQueryValueExW(key, kValueName, nullptr, &savedType_, nullptr, &size) == ERROR_SUCCESS) {
                saved_.resize(size);
                hadValue_ = RegQueryValueExW(key, kValueName, nullptr, &savedType_, saved_.data(), &size) == ERROR_SUCCESS;
            }
            RegCloseKey(key);
        }
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
        RegDeleteValueW(key_, kValueName);
    }
    void TearDown() override {
        if (key_) {
            RegDeleteValueW(key_, kValueName);
            if (hadValue_) RegSetValueExW(key_, kValueName, 0, savedType_, saved_.data(), static_cast<DWORD>(saved_.size()));
            RegCloseKey(key_);
        }
        for (const std::wstring& file : created_) DeleteFileW(file.c_str());
    }

    void SetRaw(DWORD type, const void* data, DWORD bytes) {
        ASSERT_EQ(RegSetValueExW(key_, kValueName, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    }
    void SetString(const std::wstring& text, DWORD type = REG_SZ) {
        SetRaw(type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    bool Read(std::wstring& value) {
        value = L"untouched";
        return ReadLanguageName(key_, value);
    }
    // A language file written beside the program, removed after the test.
    void WriteBeside(const std::wstring& relative, const std::string& bytes) {
        const std::wstring path = GetExeDirectory() + relative;
        std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
        created_.push_back(path);
    }

    HKEY key_ = nullptr;
    bool hadValue_ = false;
    DWORD savedType_ = 0;
    std::vector<BYTE> saved_;
    std::vector<std::wstring> created_;
};

class RegistryValue : public RegistryTest {};
class SetupLanguageUnderWine : public RegistryTest {};

TEST_F(RegistryValue, NullKeyGivesNothing) {
    std::wstring value = L"untouched";
    EXPECT_FALSE(ReadLanguageName(nullptr, value));
    EXPECT_EQ(value, L"untouched");
}

TEST_F(RegistryValue, RemovedValueGivesNothing) {
    std::wstring value;
    EXPECT_FALSE(Read(value));
    EXPECT_EQ(value, L"untouched");
}

TEST_F(RegistryValue, PlainString) {
    SetString(L"Fran\xE7" L"ais");
    std::wstring value;
    ASSERT_TRUE(Read(value));
    EXPECT_EQ(value, L"Fran\xE7" L"ais");
}

TEST_F(RegistryValue, EmptyStringAndZeroSize) {
    SetString(L"");
    std::wstring value;
    ASSERT_TRUE(Read(value));
    EXPECT_EQ(value, L"");
    SetRaw(REG_SZ, L"", 0);
    EXPECT_FALSE(Read(value));
}

TEST_F(RegistryValue, NumberIsIgnored) {
    const DWORD number = 1031;
    SetRaw(REG_DWORD, &number, sizeof(number));
    std::wstring value;
    EXPECT_FALSE(Read(value));
    SetRaw(REG_BINARY, L"English", 16);
    EXPECT_FALSE(Read(value));
}

TEST_F(RegistryValue, MultiStringGivesTheFirst) {
    const wchar_t data[] = L"Deutsch\0English\0";
    SetRaw(REG_MULTI_SZ, data, sizeof(data));
    std::wstring value;
    ASSERT_TRUE(Read(value));
    EXPECT_EQ(value, L"Deutsch");
}

TEST_F(RegistryValue, ExpandStringIsNotExpanded) {
    SetString(L"%SystemRoot%\\lang", REG_EXPAND_SZ);
    std::wstring value;
    ASSERT_TRUE(Read(value));
    EXPECT_EQ(value, L"%SystemRoot%\\lang");
}

TEST_F(RegistryValue, StoredWithoutTerminatorOrOddSize) {
    SetRaw(REG_SZ, L"abc", 6);
    std::wstring value;
    ASSERT_TRUE(Read(value));
    EXPECT_EQ(value, L"abc");
    SetRaw(REG_SZ, "a\0b\0c", 5);
    ASSERT_TRUE(Read(value));
    EXPECT_EQ(value, L"abc");
}

TEST_F(RegistryValue, HundredThousandCharacters) {
    SetString(std::wstring(100000, L'x'));
    std::wstring value;
    ASSERT_TRUE(Read(value));
    EXPECT_EQ(value, std::wstring(100000, L'x'));
}

// ------------------------------------------------------ the whole selection

TEST_F(SetupLanguageUnderWine, ExeDirectoryIsTheProgramsFolder) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring expected(path);
    expected.erase(expected.rfind(L'\\') + 1);
    EXPECT_EQ(GetExeDirectory(), expected);
    EXPECT_EQ(GetExeDirectory(), expected);
}

TEST_F(SetupLanguageUnderWine, ChosenFileLoadsBesideEnglish) {
    WriteBeside(L"lang\\QfWineChosen.ini", loctest::Utf16Le(L"[TEXT]\r\nAPP_TITLE=Chosen title\r\n"));
    SetString(L"QfWineChosen");
    EXPECT_EQ(SetupLanguage(), 1);
    EXPECT_STREQ(g_languageManager.GetText(L"APP_TITLE"), L"Chosen title");
    EXPECT_STREQ(g_languageManager.GetText(L"TEXT_IDCANCEL"), L"Cancel");  // from lang\English.ini
}

TEST_F(SetupLanguageUnderWine, MissingChosenFileFallsBackToEnglish) {
    SetString(L"QfWineNoSuchLanguage");
    SetupLanguage();
    EXPECT_TRUE(g_languageManager.IsLoaded());
    EXPECT_EQ(g_languageManager.ChosenDocument().SectionCount(), 0u);
    EXPECT_STREQ(g_languageManager.GetText(L"URL_HELP"), L"https://quietfall.example.org/help/");
}

TEST_F(SetupLanguageUnderWine, NoValueNumberOrNoKeyLoadEnglishOnly) {
    SetupLanguage();
    EXPECT_EQ(g_languageManager.ChosenDocument().SectionCount(), 0u);
    EXPECT_STREQ(g_languageManager.GetText(L"TEXT_IDCANCEL"), L"Cancel");

    const DWORD number = 7;
    SetRaw(REG_DWORD, &number, sizeof(number));
    SetupLanguage();
    EXPECT_EQ(g_languageManager.ChosenDocument().SectionCount(), 0u);
    EXPECT_TRUE(g_languageManager.IsLoaded());

    RegCloseKey(key_);
    key_ = nullptr;
    ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, kKeyPath), ERROR_SUCCESS);
    SetupLanguage();
    EXPECT_TRUE(g_languageManager.IsLoaded());
    EXPECT_EQ(g_languageManager.ChosenDocument().SectionCount(), 0u);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
              ERROR_SUCCESS);
}

TEST_F(SetupLanguageUnderWine, ParentStepInTheValueIsFollowed) {
    WriteBeside(L"QfWineOutside.ini", "[TEXT]\r\nAPP_TITLE=outside lang\r\n");
    SetString(L"..\\QfWineOutside");
    SetupLanguage();
    EXPECT_STREQ(g_languageManager.GetText(L"APP_TITLE"), L"outside lang");
}

TEST_F(SetupLanguageUnderWine, MultiAndExpandStringsNameFiles) {
    WriteBeside(L"lang\\QfWineMulti.ini", "[TEXT]\nAPP_TITLE=multi\n");
    const wchar_t multi[] = L"QfWineMulti\0Other\0";
    SetRaw(REG_MULTI_SZ, multi, sizeof(multi));
    SetupLanguage();
    EXPECT_STREQ(g_languageManager.GetText(L"APP_TITLE"), L"multi");

    WriteBeside(L"lang\\%QF%.ini", "[TEXT]\nAPP_TITLE=unexpanded\n");
    SetString(L"%QF%", REG_EXPAND_SZ);
    SetEnvironmentVariableW(L"QF", L"QfWineMulti");
    SetupLanguage();
    EXPECT_STREQ(g_languageManager.GetText(L"APP_TITLE"), L"unexpanded");
    SetEnvironmentVariableW(L"QF", nullptr);
}

TEST_F(SetupLanguageUnderWine, HundredThousandCharacterValueFallsBackToEnglish) {
    SetString(std::wstring(100000, L'z'));
    EXPECT_EQ(SetupLanguage(), 1);
    EXPECT_TRUE(g_languageManager.IsLoaded());
    EXPECT_EQ(g_languageManager.ChosenDocument().SectionCount(), 0u);
    EXPECT_STREQ(g_languageManager.GetText(L"APP_TITLE"), L"Quietfall");
}

}  // namespace
