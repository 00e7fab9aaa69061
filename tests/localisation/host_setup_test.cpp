// The host build's SetupLanguage: the global manager, the executable
// directory of this test program and the in-memory registry stand-in.
#include <filesystem>

#include "localisation/host/host_platform.h"
#include "localisation/language_manager.h"
#include "localisation/language_setup.h"
#include "loc_test_support.h"

namespace {

TEST(HostSetup, ReadsTheStoreAndLoadsBesideTheProgram) {
    const std::wstring exeDir = GetExeDirectory();
    ASSERT_FALSE(exeDir.empty());
    EXPECT_EQ(exeDir.back(), L'/');
    EXPECT_EQ(GetExeDirectory(), exeDir);

    const std::filesystem::path lang = std::filesystem::path(exeDir) / "lang";
    std::filesystem::create_directories(lang);
    const std::filesystem::path chosen = lang / "QfHostSetupTest.ini";
    { std::ofstream(chosen, std::ios::binary) << "[TEXT]\nWHO=chosen\n"; }

    MemoryLanguageNameStore& store = HostLanguageNameStore();
    store.SetString(L"QfHostSetupTest");
    store.calls.clear();
    EXPECT_EQ(SetupLanguage(), 1);
    EXPECT_TRUE(g_languageManager.IsLoaded());
    EXPECT_STREQ(g_languageManager.GetText(L"WHO"), L"chosen");
    EXPECT_EQ(store.calls, (std::vector<std::string>{"open", "query(size)", "query(data)", "close"}));

    store.keyPresent = false;
    store.calls.clear();
    SetupLanguage();
    EXPECT_EQ(store.calls, (std::vector<std::string>{"open"}));
    EXPECT_EQ(g_languageManager.ChosenDocument().SectionCount(), 0u);

    std::filesystem::remove(chosen);
}

}  // namespace
