// The choice of the language file: the registry value's types, the paths
// handed to Load, and the executable directory computed once.
#include <cstring>
#include <string>
#include <vector>

#include "localisation/language_manager.h"
#include "localisation/language_selection.h"
#include "loc_test_support.h"

using loctest::TempDir;

namespace {

// A registry key in memory, answering like RegQueryValueExW.
class FakeStore : public LanguageNameStore {
public:
    bool keyPresent = true;
    bool valuePresent = false;
    std::uint32_t type = kRegSz;
    std::vector<unsigned char> data;
    std::vector<std::string> calls;
    std::vector<std::uint32_t> sizesAsked;
    LanguageManager* watched = nullptr;
    bool loadedAtClose = false;

    void Set(const std::wstring& text, std::uint32_t valueType, bool terminator = true) {
        valuePresent = true;
        type = valueType;
        data.clear();
        for (wchar_t c : text) {
            data.push_back(static_cast<unsigned char>(c & 0xFF));
            data.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
        }
        if (terminator) data.insert(data.end(), {0, 0});
    }
    bool Open() override {
        calls.push_back("open");
        return keyPresent;
    }
    long QueryValue(std::uint32_t* t, unsigned char* buffer, std::uint32_t* size) override {
        calls.push_back(buffer ? "data" : "size");
        sizesAsked.push_back(*size);
        if (!valuePresent) return 2;  // ERROR_FILE_NOT_FOUND
        *t = type;
        const std::uint32_t needed = static_cast<std::uint32_t>(data.size());
        if (buffer && *size < needed) {
            *size = needed;
            return 234;  // ERROR_MORE_DATA
        }
        if (buffer && needed) std::memcpy(buffer, data.data(), needed);
        *size = needed;
        return 0;
    }
    void Close() override {
        calls.push_back("close");
        if (watched) loadedAtClose = watched->IsLoaded();
    }
};

class RegistryValueTypes : public ::testing::Test {
protected:
    bool Read() {
        value = L"untouched";
        return ReadLanguageNameFrom(store, value);
    }
    FakeStore store;
    std::wstring value;
};

TEST_F(RegistryValueTypes, PlainStringIsReadAfterASizeQuery) {
    store.Set(L"Deutsch", kRegSz);
    ASSERT_TRUE(Read());
    EXPECT_EQ(value, L"Deutsch");
    EXPECT_EQ(store.calls, (std::vector<std::string>{"size", "data"}));
    EXPECT_EQ(store.sizesAsked, (std::vector<std::uint32_t>{0u, 16u}));
}

TEST_F(RegistryValueTypes, ExpandStringIsNotExpanded) {
    store.Set(L"%LANG%\\x", kRegExpandSz);
    ASSERT_TRUE(Read());
    EXPECT_EQ(value, L"%LANG%\\x");
}

TEST_F(RegistryValueTypes, MultiStringGivesItsFirstString) {
    store.Set(std::wstring(L"First\0Second\0", 13), kRegMultiSz);
    ASSERT_TRUE(Read());
    EXPECT_EQ(value, L"First");
}

TEST_F(RegistryValueTypes, OtherTypesAreIgnored) {
    for (std::uint32_t type : {0u, 3u, 4u, 5u, 6u, 8u, 11u}) {
        store.valuePresent = true;
        store.type = type;
        store.data = {'E', 0, 'n', 0, 0, 0};
        EXPECT_FALSE(Read()) << "type " << type;
        EXPECT_EQ(value, L"untouched");
    }
}

TEST_F(RegistryValueTypes, AbsentOrZeroSizedValueGivesNothing) {
    EXPECT_FALSE(Read());
    store.valuePresent = true;
    store.data.clear();
    EXPECT_FALSE(Read());
    EXPECT_EQ(store.calls, (std::vector<std::string>{"size", "size"}));
}

TEST_F(RegistryValueTypes, TerminatorOnlyIsAnEmptyName) {
    store.Set(L"", kRegSz);
    ASSERT_TRUE(Read());
    EXPECT_EQ(value, L"");
}

TEST_F(RegistryValueTypes, StoredWithoutTerminatorOrWithOddSize) {
    store.Set(L"abc", kRegSz, false);
    ASSERT_TRUE(Read());
    EXPECT_EQ(value, L"abc");
    store.data = {'a', 0, 'b', 0, 'c'};  // 5 bytes: the last unit is 'c' and a zero
    ASSERT_TRUE(Read());
    EXPECT_EQ(value, L"abc");
}

TEST_F(RegistryValueTypes, HundredThousandCharacters) {
    store.Set(std::wstring(100000, L'L'), kRegSz);
    ASSERT_TRUE(Read());
    EXPECT_EQ(value.size(), 100000u);
}

TEST_F(RegistryValueTypes, FailedFetchGivesNothing) {
    store.Set(L"abc", kRegSz);
    // The value grows between the two queries.
    class Growing : public FakeStore {
    public:
        long QueryValue(std::uint32_t* t, unsigned char* buffer, std::uint32_t* size) override {
            if (buffer) Set(L"abcdefgh", kRegSz);
            return FakeStore::QueryValue(t, buffer, size);
        }
    } growing;
    growing.Set(L"abc", kRegSz);
    std::wstring out = L"untouched";
    EXPECT_FALSE(ReadLanguageNameFrom(growing, out));
    EXPECT_EQ(out, L"untouched");
}

// ------------------------------------------------------ paths handed to Load

class LanguagePaths : public ::testing::Test {
protected:
    LanguagePaths() : manager(TestPlatform()) {
        std::filesystem::create_directory(dir.Path() / "lang");
        dir.Write("lang/English.ini", "[TEXT]\nWHO=english\nONLY_EN=en\n");
        dir.Write("lang/German.ini", "[TEXT]\nWHO=german\n[GENERAL]\nCODEPAGE=1252\n");
        store.watched = &manager;
    }
    int RunSetup() { return SetupLanguageWith(manager, exeDir(), store, sep() == L'\\' ? L"lang\\" : L"lang/"); }
    static wchar_t sep() {
#ifdef _WIN32
        return L'\\';
#else
        return L'/';
#endif
    }
    std::wstring exeDir() const { return dir.Path().wstring() + sep(); }

    TempDir dir;
    LanguageManager manager;
    FakeStore store;
};

TEST_F(LanguagePaths, NoKeyLoadsEnglishAlone) {
    store.keyPresent = false;
    EXPECT_EQ(RunSetup(), 1);
    EXPECT_TRUE(manager.IsLoaded());
    EXPECT_STREQ(manager.GetText(L"WHO"), L"english");
    EXPECT_EQ(manager.ChosenDocument().SectionCount(), 0u);
    EXPECT_EQ(store.calls, (std::vector<std::string>{"open"}));
}

TEST_F(LanguagePaths, ChosenFileBesideEnglishAndKeyClosedAfterLoad) {
    store.Set(L"German", kRegSz);
    EXPECT_EQ(RunSetup(), 1);
    EXPECT_STREQ(manager.GetText(L"WHO"), L"german");
    EXPECT_STREQ(manager.GetText(L"ONLY_EN"), L"en");
    EXPECT_EQ(manager.CodePage(), 1252u);
    EXPECT_EQ(store.calls, (std::vector<std::string>{"open", "size", "data", "close"}));
    EXPECT_TRUE(store.loadedAtClose);
}

TEST_F(LanguagePaths, ValueEnglishLoadsTheSameFileTwice) {
    store.Set(L"English", kRegSz);
    RunSetup();
    EXPECT_EQ(manager.ChosenDocument().SectionCount(), 1u);
    EXPECT_EQ(manager.FallbackDocument().SectionCount(), 1u);
}

TEST_F(LanguagePaths, EmptyValueLooksForDotIni) {
    store.Set(L"", kRegSz);
    RunSetup();
    EXPECT_EQ(manager.ChosenDocument().SectionCount(), 0u);
    dir.Write("lang/.ini", "[TEXT]\nWHO=dot\n");
    RunSetup();
    EXPECT_STREQ(manager.GetText(L"WHO"), L"dot");
}

TEST_F(LanguagePaths, ValueEndingInIniGetsASecondExtension) {
    store.Set(L"German.ini", kRegSz);
    RunSetup();
    EXPECT_STREQ(manager.GetText(L"WHO"), L"english");
    dir.Write("lang/German.ini.ini", "[TEXT]\nWHO=twice\n");
    RunSetup();
    EXPECT_STREQ(manager.GetText(L"WHO"), L"twice");
}

TEST_F(LanguagePaths, ParentStepsAndBlanksAreUsedUnchanged) {
    dir.Write("Outside.ini", "[TEXT]\nWHO=outside\n");
    store.Set(std::wstring(L"..") + sep() + L"Outside", kRegSz);
    RunSetup();
    EXPECT_STREQ(manager.GetText(L"WHO"), L"outside");
    store.Set(L" German", kRegSz);  // not trimmed: " German.ini" does not exist
    RunSetup();
    EXPECT_STREQ(manager.GetText(L"WHO"), L"english");
}

TEST_F(LanguagePaths, NumericValueIsIgnored) {
    store.valuePresent = true;
    store.type = 4;  // REG_DWORD
    store.data = {1, 0, 0, 0};
    RunSetup();
    EXPECT_EQ(manager.ChosenDocument().SectionCount(), 0u);
    EXPECT_STREQ(manager.GetText(L"WHO"), L"english");
}

TEST_F(LanguagePaths, NoLanguageFilesAtAll) {
    std::filesystem::remove_all(dir.Path() / "lang");
    store.Set(L"German", kRegSz);
    EXPECT_EQ(RunSetup(), 1);
    EXPECT_FALSE(manager.IsLoaded());
    EXPECT_STREQ(manager.GetText(L"URL_HELP"), L"Can't load language file");
    EXPECT_EQ(store.calls.back(), "close");
}

// ------------------------------------------------------ executable directory

int g_fetches = 0;
const wchar_t* g_modulePath = L"";

void FakeModulePath(wchar_t* buffer, std::uint32_t chars) {
    ++g_fetches;
    EXPECT_EQ(chars, 1040u);
    std::size_t n = std::wcslen(g_modulePath);
    if (n >= chars) n = chars;  // truncated without terminator, as old systems do
    std::wmemcpy(buffer, g_modulePath, n);
    if (n < chars) buffer[n] = 0;
}

TEST(ExeDirectory, ComputedOnceAndCutAfterTheLastBackslash) {
    g_fetches = 0;
    g_modulePath = L"C:\\Program Files\\Quietfall\\Quietfall.exe";
    ExeDirectoryCache cache;
    EXPECT_FALSE(cache.Computed());
    EXPECT_EQ(cache.Get(FakeModulePath), L"C:\\Program Files\\Quietfall\\");
    g_modulePath = L"D:\\elsewhere\\x.exe";
    EXPECT_EQ(cache.Get(FakeModulePath), L"C:\\Program Files\\Quietfall\\");
    EXPECT_EQ(g_fetches, 1);
}

TEST(ExeDirectory, PathWithoutSeparatorGivesEmptyText) {
    g_modulePath = L"Quietfall.exe";
    ExeDirectoryCache cache;
    EXPECT_EQ(cache.Get(FakeModulePath), L"");
}

TEST(ExeDirectory, OverlongPathStaysInsideTheBuffer) {
    static std::wstring longPath = L"C:\\" + std::wstring(1100, L'd') + L"\\x.exe";
    g_modulePath = longPath.c_str();
    ExeDirectoryCache cache;
    EXPECT_EQ(cache.Get(FakeModulePath), L"C:\\");
}

}  // namespace
