// The languages Quietfall ships, one row each: the file's base name in
// lang\, the Windows ANSI code page of the language, its writing direction,
// and the font that draws its script in the test prefix (Wine's own Tahoma
// has Latin, Greek, Cyrillic and Arabic letters and reaches Chinese, Japanese
// and Korean through its font link, but has no Hebrew and no Thai, and its
// bold face reaches nothing). Every test that goes over all languages reads this one
// table; scripts/lang-fonts.sh reads the last two fields of each row (keep
// one row per line) to set the same fonts for the pictures and the on-screen
// test.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qf_lang {

enum class Script { Latin, Greek, Cyrillic, Arabic, Hebrew, Thai, Japanese, Korean, Chinese };

// The faces that replace MS Shell Dlg (2), the dialog font, while a language
// is measured or photographed; nullptr keeps Wine's Tahoma. For the scripts
// the font link does not reach, the menu font is set to the face as well.
constexpr const char* kCjkFace = "WenQuanYi Micro Hei";
constexpr const char* kWideFace = "DejaVu Sans";
constexpr const char* kThaiFace = "Loma";

struct Language {
    const char* name;
    std::uint32_t codePage;
    bool rightToLeft;
    Script script;
    const char* face;
    bool menuFace;
};

constexpr Language kLanguages[] = {
    {"English", 1252, false, Script::Latin, nullptr, false},
    {"German", 1252, false, Script::Latin, nullptr, false},
    {"French", 1252, false, Script::Latin, nullptr, false},
    {"Spanish", 1252, false, Script::Latin, nullptr, false},
    {"Italian", 1252, false, Script::Latin, nullptr, false},
    {"PortugueseBrazil", 1252, false, Script::Latin, nullptr, false},
    {"PortuguesePortugal", 1252, false, Script::Latin, nullptr, false},
    {"Dutch", 1252, false, Script::Latin, nullptr, false},
    {"Swedish", 1252, false, Script::Latin, nullptr, false},
    {"Danish", 1252, false, Script::Latin, nullptr, false},
    {"Norwegian", 1252, false, Script::Latin, nullptr, false},
    {"Finnish", 1252, false, Script::Latin, nullptr, false},
    {"Indonesian", 1252, false, Script::Latin, nullptr, false},
    {"Polish", 1250, false, Script::Latin, nullptr, false},
    {"Czech", 1250, false, Script::Latin, nullptr, false},
    {"Hungarian", 1250, false, Script::Latin, nullptr, false},
    {"Romanian", 1250, false, Script::Latin, nullptr, false},
    {"Croatian", 1250, false, Script::Latin, nullptr, false},
    {"SerbianLatin", 1250, false, Script::Latin, nullptr, false},
    {"Slovak", 1250, false, Script::Latin, nullptr, false},
    {"Slovenian", 1250, false, Script::Latin, nullptr, false},
    {"Turkish", 1254, false, Script::Latin, nullptr, false},
    {"Estonian", 1257, false, Script::Latin, nullptr, false},
    {"Latvian", 1257, false, Script::Latin, nullptr, false},
    {"Lithuanian", 1257, false, Script::Latin, nullptr, false},
    {"Vietnamese", 1258, false, Script::Latin, kWideFace, true},
    {"Greek", 1253, false, Script::Greek, kWideFace, true},
    {"Russian", 1251, false, Script::Cyrillic, nullptr, false},
    {"Ukrainian", 1251, false, Script::Cyrillic, nullptr, false},
    {"Bulgarian", 1251, false, Script::Cyrillic, nullptr, false},
    {"Arabic", 1256, true, Script::Arabic, kWideFace, true},
    {"Persian", 1256, true, Script::Arabic, kWideFace, true},
    {"Hebrew", 1255, true, Script::Hebrew, kWideFace, true},
    {"Thai", 874, false, Script::Thai, kThaiFace, true},
    {"Japanese", 932, false, Script::Japanese, kCjkFace, false},
    {"Korean", 949, false, Script::Korean, kCjkFace, false},
    {"ChineseSimplified", 936, false, Script::Chinese, kCjkFace, false},
    {"ChineseTraditional", 950, false, Script::Chinese, kCjkFace, false},
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
// The message line's own wording of each action (in kMethodKeys' order):
// optional, all five or none.
constexpr const char* kCountdownKeys[] = {"TEXT_COUNTDOWN_SHUTDOWN", "TEXT_COUNTDOWN_LOGOUT", "TEXT_COUNTDOWN_RESTART",
                                          "TEXT_COUNTDOWN_HIBERNATE", "TEXT_COUNTDOWN_SUSPEND"};
constexpr const char* kMainMenuKeys[] = {"MENUSTR_SHUTDOWN", "MENUSTR_LOGOUT", "MENUSTR_RESTART",
                                         "MENUSTR_TIMER",    "MENUSTR_ETC",    "MENUSTR_HELP_PAGE"};
constexpr const char* kTimerMenuKeys[] = {"MENUSTR_SHUTDOWN_10M", "MENUSTR_SHUTDOWN_30M", "MENUSTR_SHUTDOWN_60M",
                                          "MENUSTR_SHUTDOWN_120M"};
constexpr const char* kEtcMenuKeys[] = {"MENUSTR_HIBERNATE", "MENUSTR_SUSPEND"};

}  // namespace qf_lang
