// The resource-header reader of the language manager on any bytes.
//
// Properties:
//  - with a readable header, Load returns 1 and the table of control names
//    equals a plain model of the reading rule: reads of at most 1023 bytes
//    that end after a LF, each read cut at its first zero byte, split at C
//    white space into three tokens; a first token beginning with "#define"
//    and a second one not beginning with "_" add NAME under VALUE, joined
//    with "," in reading order; "1" and "2" always read IDOK and IDCANCEL;
//  - every name in the table is free of C white space and does not begin
//    with "_";
//  - a header that cannot be opened makes Load return 0 and leaves the
//    manager not loaded, while the language file stays read.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "localisation/language_manager.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::unordered_map<std::wstring, std::wstring> ModelNames(const std::string& bytes) {
    std::unordered_map<std::wstring, std::wstring> names;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = pos;
        while (end < bytes.size() && end - pos < 1023) {
            if (bytes[end++] == '\n') break;
        }
        std::string line = bytes.substr(pos, end - pos);
        pos = end;
        line = line.substr(0, line.find('\0'));

        std::wstring tokens[3];
        std::size_t i = 0;
        for (std::wstring& token : tokens) {
            while (i < line.size() && IsCSpace(line[i])) ++i;
            while (i < line.size() && !IsCSpace(line[i])) token.push_back(static_cast<unsigned char>(line[i++]));
        }
        if (tokens[0].compare(0, 7, L"#define") != 0) continue;
        if (!tokens[1].empty() && tokens[1][0] == L'_') continue;
        const auto found = names.find(tokens[2]);
        if (found == names.end()) names[tokens[2]] = tokens[1];
        else found->second += L"," + tokens[1];
    }
    names[L"1"] = L"IDOK";
    names[L"2"] = L"IDCANCEL";
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 16384) return 0;
    static fuzz::MemoryPlatform platform;
    const std::string header(reinterpret_cast<const char*>(data), size);
    platform.files[L"English.ini"] = "[TEXT]\nAPP_TITLE=Quietfall\n";
    platform.files[L"resource.h"] = header;

    LanguageManager manager(platform);
    FUZZ_CHECK(manager.Load(L"", L"English.ini", L"resource.h") == 1);
    const auto want = ModelNames(header);
    if (manager.IdNames() != want) {
        for (const auto& [value, names] : want) {
            const auto got = manager.IdNames().find(value);
            std::fprintf(stderr, "%s: want %s, got %s\n", fuzz::Show(value).c_str(), fuzz::Show(names).c_str(),
                         got == manager.IdNames().end() ? "(none)" : fuzz::Show(got->second).c_str());
        }
    }
    FUZZ_CHECK(manager.IdNames() == want);
    for (const auto& [value, names] : manager.IdNames()) {
        for (wchar_t c : value + names) FUZZ_CHECK(c > 0 && c <= 0xFF && !IsCSpace(static_cast<char>(c)));
        FUZZ_CHECK(names.empty() || names[0] != L'_');
    }
    FUZZ_CHECK(std::wstring(manager.GetText(L"APP_TITLE")) == L"Quietfall");

    FUZZ_CHECK(manager.Load(L"", L"English.ini", L"missing.h") == 0);
    FUZZ_CHECK(!manager.IsLoaded());
    FUZZ_CHECK(manager.FallbackDocument().SectionCount() == 1);
    FUZZ_CHECK(std::wstring(manager.GetText(L"APP_TITLE")) == LanguageManager::kNotLoadedText);
    return 0;
}
