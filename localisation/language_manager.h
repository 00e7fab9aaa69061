// The process-wide language object: two language files (the user's choice
// and the English fallback), text lookup with fallback, unescaping and a
// cache whose texts it owns, and menu localisation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "localisation/ini_document.h"
#include "localisation/localisation_platform.h"

#ifdef _WIN32
#include <windows.h>
#endif

class LanguageManager {
public:
    // What every text reads while no language file is loaded.
    static constexpr const wchar_t* kNotLoadedText = L"Can't load language file";

    explicit LanguageManager(const LocalisationPlatform& platform);
    ~LanguageManager();
    LanguageManager(const LanguageManager&) = delete;
    LanguageManager& operator=(const LanguageManager&) = delete;

    // Resets, loads both files (an empty path means none) and, when
    // headerPath is not empty, the resource header's "#define" lines.
    // 1 when loaded, 0 when not.
    int Load(std::wstring chosenPath, std::wstring fallbackPath, std::wstring headerPath);

    // The text of `key` in section "TEXT", from the chosen file or else from
    // English, with "\n" and "\r" turned into line feed and carriage return.
    // The pointer stays valid, and is the same for the same key, until the
    // next Load or Reset.  Never null.
    const wchar_t* GetText(const wchar_t* key);

    // GetText(key) when the chosen file itself holds a non-empty `key`, else
    // GetText(otherKey). For texts a language may phrase differently in
    // another place: a file without `key` keeps its own `otherKey` text
    // instead of taking `key` from English.
    const wchar_t* GetOwnTextOr(const wchar_t* key, const wchar_t* otherKey);

    // Frees every text handed out and empties both documents.
    void Reset();

    // The text of a menu item whose resource text is `key`: section "MENU"
    // of the chosen file, else of English, with "\t" turned into a tab.
    // Empty when neither file has a non-empty value.
    std::wstring MenuText(const std::wstring& key) const;

#ifdef _WIN32
    // Replaces the key texts of `menu` and of every sub-menu below it.
    void LocalizeMenu(HMENU menu);
#endif

    // State, for inspection.
    bool IsLoaded() const { return loaded_; }
    std::uint32_t CodePage() const { return codePage_; }
    std::uint32_t RightToLeft() const { return rightToLeft_; }
    const std::unordered_map<std::wstring, std::wstring>& IdNames() const { return idNames_; }
    const IniDocument& ChosenDocument() const { return chosenDocument_; }
    const IniDocument& FallbackDocument() const { return fallbackDocument_; }

private:
    bool ReadResourceHeader(const std::wstring& path);

    const LocalisationPlatform* platform_;
    std::unordered_map<std::wstring, std::wstring> idNames_;
    std::unordered_map<std::wstring, std::unique_ptr<wchar_t[]>> textCache_;
    std::uint32_t codePage_ = 0;
    IniDocument chosenDocument_;
    IniDocument fallbackDocument_;
    bool loaded_ = false;
    std::uint32_t rightToLeft_ = 0;
};

// The one process-wide language object, constructed during static
// initialisation (before wWinMain runs) and torn down at exit.
extern LanguageManager g_languageManager;
