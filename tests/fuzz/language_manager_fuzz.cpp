// The language manager's text resolution over two fuzzed language files:
// the chosen file, then the English fallback.
//
// Input: byte 0 holds flags (bit 0: no chosen file, bit 1: no English file,
// bit 2: chosen file as UTF-16LE, bit 3: English file as UTF-16LE), bytes 1
// and 2 the length of the chosen file's part (modulo what is left); the rest
// is the English file.
//
// Properties:
//  - Load returns 1 exactly when at least one file was read; otherwise every
//    GetText is the fixed "Can't load language file";
//  - CODEPAGE and IS_RIGHT_TO_LEFT_TEXT come from the chosen file only;
//  - GetText of any key (every key of both files' [TEXT], in its own case
//    and with A..Z swapped, the program's own keys, pieces of the input) is
//    never null and equals the chosen file's value if that is non-empty,
//    else the English value, else empty, with "\n" and "\r" unescaped left to
//    right; the result holds no backslash followed by "n" or "r";
//  - a second GetText of a key returns the same pointer;
//  - the menu text of every [MENU] key follows the same fallback with "\t";
//  - after Reset every text is the fixed one again, and loading again gives
//    the same texts.
#include <cstdint>
#include <cwchar>
#include <map>
#include <string>

#include "localisation/ini_document.h"
#include "localisation/language_manager.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using fuzz::model::Document;

fuzz::MemoryPlatform& Platform() {
    static fuzz::MemoryPlatform platform;
    return platform;
}

const wchar_t* const kProgramKeys[] = {
    L"APP_TITLE",           L"TEXT_IDCANCEL",      L"TEXT_STATIC_HOMEPAGE", L"URL_HOME",
    L"URL_HELP",            L"TEXT_METHOD_SHUDOWN", L"TEXT_METHOD_LOGOUT",  L"TEXT_METHOD_RESTART",
    L"TEXT_METHOD_HIBERNATE", L"TEXT_METHOD_SUSPEND", L"",
};

// The value of `key` in `section`, the chosen file first, an empty value
// counting as absent.
std::wstring Resolve(const Document& chosen, const Document& fallback, const wchar_t* section,
                     const std::wstring& key) {
    const fuzz::model::Entry* entry = fuzz::model::Find(chosen, section, key);
    if (entry && !entry->value.empty()) return entry->value;
    entry = fuzz::model::Find(fallback, section, key);
    return entry ? entry->value : std::wstring();
}

bool HoldsEscapePair(const std::wstring& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == L'\\' && (text[i + 1] == L'n' || text[i + 1] == L'r')) return true;
    return false;
}

std::string LanguageFile(const std::uint8_t* data, std::size_t size, bool utf16) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    return utf16 ? std::string("\xFF\xFE", 2) + bytes : bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3 || size > 8192) return 0;
    const std::uint8_t flags = data[0];
    const std::size_t rest = size - 3;
    const std::size_t chosenSize = (static_cast<std::size_t>(data[1]) | (static_cast<std::size_t>(data[2]) << 8)) % (rest + 1);
    const std::uint8_t* chosenBytes = data + 3;
    const std::uint8_t* fallbackBytes = chosenBytes + chosenSize;
    const std::size_t fallbackSize = rest - chosenSize;

    fuzz::MemoryPlatform& platform = Platform();
    platform.files.clear();
    const bool haveChosen = !(flags & 1), haveFallback = !(flags & 2);
    if (haveChosen) platform.files[L"chosen.ini"] = LanguageFile(chosenBytes, chosenSize, flags & 4);
    if (haveFallback) platform.files[L"English.ini"] = LanguageFile(fallbackBytes, fallbackSize, flags & 8);

    std::vector<std::wstring> keys(std::begin(kProgramKeys), std::end(kProgramKeys));
    for (const std::wstring& key : fuzz::KeysFromBytes(data + 3, rest, 16)) keys.push_back(key);

    LanguageManager manager(platform);
    FUZZ_CHECK(std::wstring(manager.GetText(L"APP_TITLE")) == LanguageManager::kNotLoadedText);
    const int loaded = manager.Load(L"chosen.ini", L"English.ini", L"");
    FUZZ_CHECK(loaded == ((haveChosen || haveFallback) ? 1 : 0));
    FUZZ_CHECK(manager.IsLoaded() == (loaded == 1));
    if (!loaded) {
        for (const std::wstring& key : keys) FUZZ_CHECK(std::wstring(manager.GetText(key.c_str())) == LanguageManager::kNotLoadedText);
        return 0;
    }

    const Document chosen = fuzz::Snapshot(manager.ChosenDocument());
    const Document fallback = fuzz::Snapshot(manager.FallbackDocument());
    const fuzz::model::Entry* codePage = fuzz::model::Find(chosen, L"GENERAL", L"CODEPAGE");
    const fuzz::model::Entry* rtl = fuzz::model::Find(chosen, L"GENERAL", L"IS_RIGHT_TO_LEFT_TEXT");
    FUZZ_CHECK(manager.CodePage() == (codePage ? fuzz::model::Number(codePage->value, platform) : 0u));
    FUZZ_CHECK(manager.RightToLeft() == (rtl ? fuzz::model::Number(rtl->value, platform) : 0u));

    for (const Document* doc : {&chosen, &fallback}) {
        for (const fuzz::model::Section& section : *doc) {
            if (!fuzz::model::SameName(section.name, L"TEXT")) continue;
            for (const fuzz::model::Entry& entry : section.entries) {
                keys.push_back(entry.key);
                keys.push_back(fuzz::SwapCase(entry.key));
            }
        }
    }

    std::map<std::wstring, const wchar_t*> handedOut;
    std::map<std::wstring, std::wstring> texts;
    for (const std::wstring& key : keys) {
        const wchar_t* text = manager.GetText(key.c_str());
        FUZZ_CHECK(text != nullptr);
        const auto earlier = handedOut.find(key);
        if (earlier != handedOut.end()) {
            FUZZ_CHECK(text == earlier->second);
            continue;
        }
        handedOut[key] = text;
        const std::wstring want = fuzz::model::Unescape(
            fuzz::model::Unescape(Resolve(chosen, fallback, L"TEXT", key), L'n', L'\n'), L'r', L'\r');
        if (text != want) {
            std::fprintf(stderr, "key %s\n got: %s\nwant: %s\n", fuzz::Show(key).c_str(), fuzz::Show(text).c_str(),
                         fuzz::Show(want).c_str());
        }
        FUZZ_CHECK(text == want);
        FUZZ_CHECK(!HoldsEscapePair(text));
        texts[key] = text;
    }
    for (const auto& [key, pointer] : handedOut) FUZZ_CHECK(manager.GetText(key.c_str()) == pointer);

    for (const Document* doc : {&chosen, &fallback}) {
        for (const fuzz::model::Section& section : *doc) {
            if (!fuzz::model::SameName(section.name, L"MENU")) continue;
            for (const fuzz::model::Entry& entry : section.entries) {
                FUZZ_CHECK(manager.MenuText(entry.key) ==
                           fuzz::model::Unescape(Resolve(chosen, fallback, L"MENU", entry.key), L't', L'\t'));
            }
        }
    }

    manager.Reset();
    FUZZ_CHECK(!manager.IsLoaded());
    FUZZ_CHECK(manager.ChosenDocument().SectionCount() == 0 && manager.FallbackDocument().SectionCount() == 0);
    for (const auto& entry : texts) FUZZ_CHECK(std::wstring(manager.GetText(entry.first.c_str())) == LanguageManager::kNotLoadedText);

    FUZZ_CHECK(manager.Load(L"chosen.ini", L"English.ini", L"") == 1);
    for (const auto& entry : texts) FUZZ_CHECK(manager.GetText(entry.first.c_str()) == entry.second);
    return 0;
}
