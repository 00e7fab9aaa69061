// Every text of every language fits where Quietfall shows it, measured by
// lang_fit_probe.exe in the real dialog and menu with the fonts a user sees.
// Wine reads its font replacements when a process starts, so the languages
// run in groups, one probe per group, with the fonts set as
// tests/lang/language_table.h says (none for Latin and Cyrillic: Wine's
// Tahoma); the registry is put back afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/lang/language_table.h"
#include "tests/support/harness.h"

using namespace qf_test;

namespace {

const wchar_t kReplacementsKey[] = L"Software\\Wine\\Fonts\\Replacements";
const wchar_t kMetricsKey[] = L"Control Panel\\Desktop\\WindowMetrics";

// Sets registry values for as long as it lives, then restores each as it
// was (or removes it).
class RegistryValues {
public:
    RegistryValues() = default;
    RegistryValues(const RegistryValues&) = delete;
    RegistryValues& operator=(const RegistryValues&) = delete;
    ~RegistryValues() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->present)
                RegSetKeyValueW(HKEY_CURRENT_USER, it->key, it->name, it->type, it->data.data(),
                                static_cast<DWORD>(it->data.size()));
            else
                RegDeleteKeyValueW(HKEY_CURRENT_USER, it->key, it->name);
        }
    }
    // The value's current bytes (empty when absent).
    static std::vector<BYTE> Get(const wchar_t* key, const wchar_t* name, DWORD* type = nullptr) {
        std::vector<BYTE> data(1024);
        DWORD size = static_cast<DWORD>(data.size());
        if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, type, data.data(), &size) !=
            ERROR_SUCCESS)
            return {};
        data.resize(size);
        return data;
    }
    void Set(const wchar_t* key, const wchar_t* name, DWORD type, const void* data, size_t size) {
        Saved saved{key, name, false, 0, {}};
        saved.data = Get(key, name, &saved.type);
        saved.present = !saved.data.empty();
        saved_.push_back(saved);
        RegSetKeyValueW(HKEY_CURRENT_USER, key, name, type, data, static_cast<DWORD>(size));
    }

private:
    struct Saved {
        const wchar_t* key;
        const wchar_t* name;
        bool present = false;
        DWORD type = 0;
        std::vector<BYTE> data;
    };
    std::vector<Saved> saved_;
};

// The dialog font (MS Shell Dlg and MS Shell Dlg 2, through Wine's font
// replacements; Tahoma itself cannot be replaced while it is installed) and,
// when asked, the menu font set to `face`.
void UseFace(RegistryValues& values, const char* face, bool menuToo) {
    if (!face)
        return;
    const std::wstring wide(face, face + std::char_traits<char>::length(face));
    for (const wchar_t* name : {L"MS Shell Dlg", L"MS Shell Dlg 2"})
        values.Set(kReplacementsKey, name, REG_SZ, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    std::vector<BYTE> menuFont = RegistryValues::Get(kMetricsKey, L"MenuFont");
    if (menuToo && menuFont.size() == sizeof(LOGFONTW)) {
        LOGFONTW font;
        std::memcpy(&font, menuFont.data(), sizeof font);
        lstrcpynW(font.lfFaceName, wide.c_str(), LF_FACESIZE);
        values.Set(kMetricsKey, L"MenuFont", REG_BINARY, &font, sizeof font);
    }
}

struct Group {
    std::string label;
    const char* face;  // nullptr: Wine's Tahoma
    bool menuFace;
};

bool SameFace(const char* a, const char* b) { return a == b || (a && b && std::string(a) == b); }
bool InGroup(const qf_lang::Language& lang, const Group& group) {
    return SameFace(lang.face, group.face) && lang.menuFace == group.menuFace;
}

// One group for each pair of faces in the table, so that no language is left
// out: "WineTahoma", "WenQuanYiMicroHei", "DejaVuSansAndMenus".
std::vector<Group> Groups() {
    std::vector<Group> groups;
    for (const qf_lang::Language& lang : qf_lang::kLanguages) {
        if (std::any_of(groups.begin(), groups.end(), [&](const Group& g) { return InGroup(lang, g); }))
            continue;
        std::string label = lang.face ? lang.face : "WineTahoma";
        label.erase(std::remove(label.begin(), label.end(), ' '), label.end());
        groups.push_back({label + (lang.menuFace ? "AndMenus" : ""), lang.face, lang.menuFace});
    }
    return groups;
}

// Checks of one language in the probe's output: the dialog's Cancel text,
// link width and height, five action names in the list and five texts of
// the big line (TEXT_COUNTDOWN_ or action name) at two counts, the line's
// letters in its font, and three menu levels.
constexpr int kChecksPerLanguage = 1 + 2 + 5 * 3 + 1 + 3;

class LanguagesFit : public ::testing::TestWithParam<Group> {};

TEST_P(LanguagesFit, EveryTextFitsItsControl) {
    const Group& group = GetParam();
    std::wstring commandLine = L"\"" + BinDir() + L"lang_fit_probe.exe\"";
    const std::wstring dir = MakeTempDir(L"fit");
    ASSERT_FALSE(dir.empty());
    const std::wstring out = dir + L"fit.txt";
    commandLine += L" \"" + out + L"\"";
    std::vector<std::string> names;
    for (const qf_lang::Language& lang : qf_lang::kLanguages) {
        if (InGroup(lang, group)) {
            names.push_back(lang.name);
            commandLine += L" " + std::wstring(names.back().begin(), names.back().end());
        }
    }
    ASSERT_FALSE(names.empty());

    RunResult run;
    {
        RegistryValues fonts;
        UseFace(fonts, group.face, group.menuFace);
        run = RunProgram(BinDir() + L"lang_fit_probe.exe", commandLine, {}, 120000);
        // 64-bit Wine once failed to start the probe at all, right after
        // the suite's previous program (one run in about ten, 22 ms into
        // the test); a second start then worked.
        if (!run.started) {
            const DWORD error = GetLastError();
            Sleep(500);
            run = RunProgram(BinDir() + L"lang_fit_probe.exe", commandLine, {}, 120000);
            std::cout << "  the probe did not start (error " << error << "); started again: " << run.started << "\n";
        }
    }
    std::ifstream in(Narrow(out));
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    RemoveTree(dir);
    ASSERT_TRUE(run.started) << "the probe did not start";
    ASSERT_TRUE(run.exited) << "the probe did not end";
    ASSERT_EQ(run.exitCode, 0u);

    std::map<std::string, int> checks;
    std::map<std::string, std::pair<std::string, int>> tightest;  // language: key, pixels to spare
    std::string line;
    while (std::getline(text, line)) {
        std::istringstream fields(line);
        std::string language, key;
        int needed = 0, room = 0;
        ASSERT_TRUE(static_cast<bool>(fields >> language >> key >> needed >> room)) << line;
        ++checks[language];
        const bool letters = key.find("(missing-letters)") != std::string::npos;
        EXPECT_LE(needed, room) << language << " " << key << ": " << needed - room
                                << (letters ? " letters its font lacks" : " px too wide");
        auto it = tightest.find(language);
        if (letters || key.find("(height)") != std::string::npos)
            continue;
        if (it == tightest.end() || room - needed < it->second.second)
            tightest[language] = {key, room - needed};
    }
    for (const std::string& name : names) {
        EXPECT_EQ(checks[name], kChecksPerLanguage) << name << ": not every text was measured";
        std::cout << "  " << name << ": tightest " << tightest[name].first << ", " << tightest[name].second
                  << " px to spare\n";
    }
}

INSTANTIATE_TEST_SUITE_P(ByFont, LanguagesFit, ::testing::ValuesIn(Groups()),
                         [](const ::testing::TestParamInfo<Group>& info) { return info.param.label; });

}  // namespace
