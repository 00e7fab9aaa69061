// The languages Quietfall ships, one row each: the file's base name in
// lang\, the Windows ANSI code page of the language, its writing direction,
// and the font that draws its script in the test prefix (Wine's own Tahoma
// has only Latin, Greek and Cyrillic letters, and no fallback for its bold
// face). Every test that goes over all languages reads this one table.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qf_lang {

enum class Script { Latin, Greek, Cyrillic, Arabic, Hebrew, Japanese, Korean, Chinese };

// The faces that replace Tahoma and MS Shell Dlg (2) while a language is
// measured or photographed; nullptr keeps Wine's Tahoma.
constexpr const char* kCjkFace = "WenQuanYi Micro Hei";
constexpr const char* kWideFace = "DejaVu Sans";

struct Language {
    const char* name;
    std::uint32_t codePage;
    bool rightToLeft;
    Script script;
    const char* face;
};

constexpr Language kLanguages[] = {
    {"English", 1252, false, Script::Latin, nullptr},
    {"German", 1252, false, Script::Latin, nullptr},
    {"French", 1252, false, Script::Latin, nullptr},
    {"Spanish", 1252, false, Script::Latin, nullptr},
    {"Italian", 1252, false, Script::Latin, nullptr},
    {"PortugueseBrazil", 1252, false, Script::Latin, nullptr},
    {"Dutch", 1252, false, Script::Latin, nullptr},
    {"Swedish", 1252, false, Script::Latin, nullptr},
    {"Indonesian", 1252, false, Script::Latin, nullptr},
    {"Polish", 1250, false, Script::Latin, nullptr},
    {"Czech", 1250, false, Script::Latin, nullptr},
    {"Hungarian", 1250, false, Script::Latin, nullptr},
    {"Turkish", 1254, false, Script::Latin, nullptr},
    {"Vietnamese", 1258, false, Script::Latin, kWideFace},
    {"Greek", 1253, false, Script::Greek, kWideFace},
    {"Russian", 1251, false, Script::Cyrillic, nullptr},
    {"Ukrainian", 1251, false, Script::Cyrillic, nullptr},
    {"Arabic", 1256, true, Script::Arabic, kWideFace},
    {"Persian", 1256, true, Script::Arabic, kWideFace},
    {"Hebrew", 1255, true, Script::Hebrew, kWideFace},
    {"Japanese", 932, false, Script::Japanese, kCjkFace},
    {"Korean", 949, false, Script::Korean, kCjkFace},
    {"ChineseSimplified", 936, false, Script::Chinese, kCjkFace},
    {"ChineseTraditional", 950, false, Script::Chinese, kCjkFace},
};
constexpr std::size_t kLanguageCount = sizeof(kLanguages) / sizeof(kLanguages[0]);

// The sections and keys every language file holds, in the order of
// English.ini. MENU keys are grouped by the menu level that shows them.
constexpr const char* kGeneralKeys[] = {"CODEPAGE", "IS_RIGHT_TO_LEFT_TEXT"};
constexpr const char* kTextKeys[] = {
    "APP_TITLE",           "TEXT_IDCANCEL",      "TEXT_STATIC_HOMEPAGE",  "URL_HOME",
    "URL_HELP",            "TEXT_METHOD_SHUDOWN", "TEXT_METHOD_LOGOUT",   "TEXT_METHOD_RESTART",
    "TEXT_METHOD_HIBERNATE", "TEXT_METHOD_SUSPEND"};
constexpr const char* kMethodKeys[] = {"TEXT_METHOD_SHUDOWN", "TEXT_METHOD_LOGOUT", "TEXT_METHOD_RESTART",
                                       "TEXT_METHOD_HIBERNATE", "TEXT_METHOD_SUSPEND"};
constexpr const char* kMainMenuKeys[] = {"MENUSTR_SHUTDOWN", "MENUSTR_LOGOUT", "MENUSTR_RESTART",
                                         "MENUSTR_TIMER",    "MENUSTR_ETC",    "MENUSTR_HELP_PAGE"};
constexpr const char* kTimerMenuKeys[] = {"MENUSTR_SHUTDOWN_10M", "MENUSTR_SHUTDOWN_30M", "MENUSTR_SHUTDOWN_60M",
                                          "MENUSTR_SHUTDOWN_120M"};
constexpr const char* kEtcMenuKeys[] = {"MENUSTR_HIBERNATE", "MENUSTR_SUSPEND"};

}  // namespace qf_lang
