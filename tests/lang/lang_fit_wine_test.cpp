// Every text of every language fits where Quietfall shows it, measured by
// lang_fit_probe.exe in the real dialog and menu with the fonts a user sees.
// Wine reads its font replacements when a process starts, so the languages
// run in groups, one probe per group, with Tahoma and MS Shell Dlg (2)
// replaced by a face that has the group's script (none for Latin and
// Cyrillic: Wine's Tahoma); the replacements are put back afterwards.
#include <windows.h>

#include <gtest/gtest.h>

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
const wchar_t* const kReplacedFaces[] = {L"Tahoma", L"MS Shell Dlg", L"MS Shell Dlg 2"};

// Sets the replacements for as long as it lives, then restores each value
// as it was (or removes it).
class FontReplacements {
public:
    explicit FontReplacements(const char* face) {
        if (!face)
            return;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kReplacementsKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                            nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        const std::wstring wide(face, face + std::char_traits<char>::length(face));
        for (const wchar_t* name : kReplacedFaces) {
            Saved saved{name};
            DWORD size = sizeof saved.data;
            saved.present = RegQueryValueExW(key_, name, nullptr, &saved.type, saved.data, &size) == ERROR_SUCCESS;
            saved.size = size;
            saved_.push_back(saved);
            RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                           static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
        }
    }
    ~FontReplacements() {
        if (!key_)
            return;
        for (const Saved& saved : saved_) {
            if (saved.present)
                RegSetValueExW(key_, saved.name, 0, saved.type, saved.data, saved.size);
            else
                RegDeleteValueW(key_, saved.name);
        }
        RegCloseKey(key_);
    }
    FontReplacements(const FontReplacements&) = delete;
    FontReplacements& operator=(const FontReplacements&) = delete;

private:
    struct Saved {
        const wchar_t* name;
        bool present = false;
        DWORD type = 0;
        BYTE data[512] = {};
        DWORD size = 0;
    };
    HKEY key_ = nullptr;
    std::vector<Saved> saved_;
};

struct Group {
    const char* label;
    const char* face;  // nullptr: Wine's Tahoma
};

bool SameFace(const char* a, const char* b) { return a == b || (a && b && std::string(a) == b); }

// Checks of one language in the probe's output: the dialog's Cancel text,
// link width and height, five action names in the list and on the big line
// at two counts, and three menu levels.
constexpr int kChecksPerLanguage = 1 + 2 + 5 * 3 + 3;

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
        if (SameFace(lang.face, group.face)) {
            names.push_back(lang.name);
            commandLine += L" " + std::wstring(names.back().begin(), names.back().end());
        }
    }
    ASSERT_FALSE(names.empty());

    RunResult run;
    {
        FontReplacements fonts(group.face);
        run = RunProgram(BinDir() + L"lang_fit_probe.exe", commandLine, {}, 120000);
    }
    std::ifstream in(Narrow(out));
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    RemoveTree(dir);
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
        EXPECT_LE(needed, room) << language << " " << key << ": " << needed - room << " px too wide";
        auto it = tightest.find(language);
        if (key.find("(height)") != std::string::npos)
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

const Group kGroups[] = {
    {"WineTahoma", nullptr},
    {"WenQuanYi", qf_lang::kCjkFace},
    {"DejaVuSans", qf_lang::kWideFace},
};

INSTANTIATE_TEST_SUITE_P(ByFont, LanguagesFit, ::testing::ValuesIn(kGroups),
                         [](const ::testing::TestParamInfo<Group>& info) { return std::string(info.param.label); });

}  // namespace
