#include "localisation/language_manager.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "localisation/text_rules.h"

namespace {

constexpr int kHeaderLineChars = 1024;  // fgets room: at most 1023 characters a read

bool IsCSpace(char c) {
    // isspace() of the "C" locale, which splits the header's tokens.
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Splits a header line into up to three white-space separated tokens; each
// byte becomes the character of the same value.
void SplitTokens(const char* line, std::wstring tokens[3]) {
    const char* p = line;
    for (int t = 0; t < 3; ++t) {
        tokens[t].clear();
        while (*p != 0 && IsCSpace(*p)) ++p;
        while (*p != 0 && !IsCSpace(*p)) tokens[t].push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p++)));
    }
}

}  // namespace

LanguageManager::LanguageManager(const LocalisationPlatform& platform)
    : platform_(&platform), chosenDocument_(platform), fallbackDocument_(platform) {}

LanguageManager::~LanguageManager() { Reset(); }

int LanguageManager::Load(std::wstring chosenPath, std::wstring fallbackPath, std::wstring headerPath) {
    Reset();
    bool chosenLoaded = false;
    bool fallbackLoaded = false;
    if (!chosenPath.empty()) chosenLoaded = chosenDocument_.LoadFile(chosenPath);
    if (!fallbackPath.empty()) fallbackLoaded = fallbackDocument_.LoadFile(fallbackPath);
    if (!chosenLoaded && !fallbackLoaded) return 0;

    if (!headerPath.empty() && !ReadResourceHeader(headerPath)) return 0;

    idNames_[L"1"] = L"IDOK";
    idNames_[L"2"] = L"IDCANCEL";

    codePage_ = chosenDocument_.GetGeneralInt(L"CODEPAGE");
    rightToLeft_ = chosenDocument_.GetGeneralInt(L"IS_RIGHT_TO_LEFT_TEXT");
    loaded_ = true;
    return 1;
}

bool LanguageManager::ReadResourceHeader(const std::wstring& path) {
    std::FILE* file = platform_->OpenTextFile(path);
    if (!file) return false;
    char line[kHeaderLineChars];
    std::wstring tokens[3];
    while (std::fgets(line, kHeaderLineChars, file)) {
        SplitTokens(line, tokens);
        if (tokens[0].compare(0, 7, L"#define") != 0 || (!tokens[1].empty() && tokens[1][0] == L'_')) continue;
        const std::wstring& name = tokens[1];
        const std::wstring& value = tokens[2];
        auto found = idNames_.find(value);
        if (found != idNames_.end()) {
            found->second += L',';
            found->second += name;
        } else {
            idNames_.emplace(value, name);
        }
    }
    std::fclose(file);
    return true;
}

const wchar_t* LanguageManager::GetText(const wchar_t* key) {
    if (!loaded_) return kNotLoadedText;
    const std::wstring keyText = key ? key : L"";
    auto cached = textCache_.find(keyText);
    if (cached != textCache_.end()) return cached->second.get();

    std::wstring text;
    if (!chosenDocument_.GetTextValue(keyText, text) || text.empty()) fallbackDocument_.GetTextValue(keyText, text);
    textrules::ReplaceEscape(text, L'n', L'\n');
    textrules::ReplaceEscape(text, L'r', L'\r');

    std::unique_ptr<wchar_t[]> copy(new wchar_t[text.size() + 1]);
    std::wmemcpy(copy.get(), text.c_str(), text.size() + 1);
    const wchar_t* result = copy.get();
    textCache_.emplace(keyText, std::move(copy));
    return result;
}

const wchar_t* LanguageManager::GetOwnTextOr(const wchar_t* key, const wchar_t* otherKey) {
    std::wstring own;
    if (loaded_ && chosenDocument_.GetTextValue(key ? key : L"", own) && !own.empty()) return GetText(key);
    return GetText(otherKey);
}

void LanguageManager::Reset() {
    textCache_.clear();
    chosenDocument_.Clear();
    fallbackDocument_.Clear();
    idNames_.clear();
    loaded_ = false;
}

std::wstring LanguageManager::MenuText(const std::wstring& key) const {
    std::wstring text = chosenDocument_.GetString(L"MENU", key);
    if (text.empty()) text = fallbackDocument_.GetString(L"MENU", key);
    textrules::ReplaceEscape(text, L't', L'\t');
    return text;
}
