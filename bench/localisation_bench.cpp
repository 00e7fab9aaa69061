// Reads a 1,000,000-byte language file and then asks once for every key,
// with the language manager and, side by side, with inih and SimpleIni on
// the same content.  Prints the best of several runs and the ratios, then
// one "row" line per figure for scripts/bench.sh: the language manager
// against each peer, with the goal of being no slower.
//
//   localisation_bench [runs]
#include <ini.h>
#include <SimpleIni.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "localisation/host/host_platform.h"
#include "localisation/ini_document.h"
#include "localisation/language_manager.h"

namespace {

constexpr std::size_t kFileBytes = 1000000;

struct Key {
    std::string section;
    std::string key;
};

// The content of a realistic, large language file: [GENERAL], a long
// [TEXT], [MENU], then many dialog sections; comments, blank lines, a few
// escapes and quoted values.  `wide` adds non-ASCII letters.
struct Content {
    std::vector<std::u32string> lines;  // without line ends
    std::vector<Key> keys;              // every key, once, in file order
};

std::u32string U32(const std::string& ascii) { return std::u32string(ascii.begin(), ascii.end()); }

Content MakeContent(bool wide, std::size_t targetChars) {
    static const char* const words[] = {"shut",  "down",   "the",    "computer", "when",  "timer", "ends",
                                        "save",  "your",   "work",   "before",   "leave", "cancel", "minutes",
                                        "hours", "action", "choose", "another",  "help",  "page",  "open"};
    static const char32_t* const wideWords[] = {U"Herunterfahren", U"Ger\u00e4t", U"arr\u00eat", U"pr\u00e9f\u00e9rences",
                                                U"\u5e73\u6210",     U"\u0441\u043f\u044f\u0449\u0438\u0439",
                                                U"\u00fcbermorgen",  U"d\u00e9lai"};
    Content content;
    std::size_t chars = 0;
    unsigned seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    auto add = [&](const std::u32string& line) {
        content.lines.push_back(line);
        chars += line.size() + 2;
    };
    auto sentence = [&] {
        std::u32string text;
        const unsigned n = 3 + next() % 9;
        for (unsigned i = 0; i < n; ++i) {
            if (i) text += U' ';
            if (wide && next() % 4 == 0) text += wideWords[next() % 8];
            else text += U32(words[next() % (sizeof(words) / sizeof(*words))]);
        }
        if (next() % 10 == 0) text += U"\\nsecond line";
        return text;
    };
    auto entry = [&](const std::string& section, const std::string& key) {
        content.keys.push_back({section, key});
        std::u32string line = U32(key) + U"=" + sentence();
        if (next() % 15 == 0) line = U32(key) + U" = \"" + sentence() + U"\"";
        if (next() % 20 == 0) line += U" ; translator's note";
        add(line);
    };

    add(U"; Language file for the benchmark");
    add(U"[GENERAL]");
    entry("GENERAL", "CODEPAGE");
    entry("GENERAL", "IS_RIGHT_TO_LEFT_TEXT");
    add(U"");
    add(U"[TEXT]");
    for (int i = 0; i < 3000; ++i) entry("TEXT", "TEXT_MESSAGE_" + std::to_string(i));
    add(U"");
    add(U"[MENU]");
    for (int i = 0; i < 300; ++i) entry("MENU", "MENUSTR_ITEM_" + std::to_string(i));
    for (int dialog = 0; chars + 400 < targetChars; ++dialog) {
        add(U"");
        if (next() % 3 == 0) add(U"; dialog " + U32(std::to_string(dialog)));
        const std::string section = "DIALOG_" + std::to_string(dialog);
        add(U"[" + U32(section) + U"]");
        for (int i = 0; i < 12 && chars + 300 < targetChars; ++i) entry(section, "IDC_CONTROL_" + std::to_string(i));
    }
    return content;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The lines as UTF-16LE with the FF FE mark, or as UTF-8 (ASCII when the
// text is), each line followed by `lineEnd` except the last.
std::string Encode(const std::vector<std::u32string>& lines, bool utf16, const char* lineEnd) {
    std::string bytes = utf16 ? "\xFF\xFE" : "";
    auto put = [&bytes, utf16](char32_t c) {
        if (utf16) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        } else {
            AppendUtf8(bytes, c);
        }
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i != 0) {
            for (const char* p = lineEnd; *p; ++p) put(static_cast<char32_t>(*p));
        }
        for (char32_t c : lines[i]) put(c);
    }
    return bytes;
}

// Appends a comment line that brings the file in our encoding to exactly
// kFileBytes bytes.
void PadToFileSize(Content& content, bool utf16, const char* lineEnd) {
    content.lines.push_back(U"");
    const std::size_t size = Encode(content.lines, utf16, lineEnd).size();  // with the empty last line
    const std::size_t unit = utf16 ? 2 : 1;
    if (size + unit > kFileBytes) std::abort();
    content.lines.back() = U";" + std::u32string((kFileBytes - size) / unit - 1, U'-');
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }
std::u16string U16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string Lower(const char* s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return out;
}

// ------------------------------------------------------------------ readers
// Each returns a checksum over the texts it found, so nothing is optimised
// away and the readers can be compared.

struct PreparedKeys {
    std::vector<std::wstring> textKeys;                                  // GetText
    std::vector<std::pair<std::wstring, std::wstring>> otherKeys;        // IniDocument::GetString
    std::vector<std::pair<std::u16string, std::u16string>> u16Keys;      // SimpleIni W
    std::vector<Key> narrowKeys;                                         // inih, SimpleIni A
};

std::size_t RunOurs(const std::wstring& path, const PreparedKeys& keys) {
    LanguageManager manager(HostLocalisationPlatform());
    if (manager.Load(path, L"", L"") != 1) std::abort();
    std::size_t sum = 0;
    for (const auto& key : keys.textKeys) sum += std::wcslen(manager.GetText(key.c_str()));
    const IniDocument& doc = manager.ChosenDocument();
    for (const auto& key : keys.otherKeys) sum += doc.GetString(key.first, key.second).size();
    return sum;
}

using InihMap = std::unordered_map<std::string, std::string>;

int InihStore(void* user, const char* section, const char* name, const char* value) {
    // First value wins and names fold to lower case, as the language files want.
    static_cast<InihMap*>(user)->emplace(Lower(section) + '\x1F' + Lower(name), value);
    return 1;
}

int InihNothing(void*, const char*, const char*, const char*) { return 1; }

std::size_t RunInih(const std::string& path, const PreparedKeys& keys) {
    InihMap map;
    map.reserve(keys.narrowKeys.size());
    if (ini_parse(path.c_str(), InihStore, &map) < 0) std::abort();
    std::size_t sum = 0;
    for (const auto& key : keys.narrowKeys) {
        auto found = map.find(Lower(key.section.c_str()) + '\x1F' + Lower(key.key.c_str()));
        if (found != map.end()) sum += found->second.size();
    }
    return sum;
}

std::size_t RunInihParseOnly(const std::string& path, const PreparedKeys&) {
    if (ini_parse(path.c_str(), InihNothing, nullptr) < 0) std::abort();
    return 0;
}

std::size_t RunSimpleIniW(const std::string& path, const PreparedKeys& keys) {
    CSimpleIniW ini(true);
    if (ini.LoadFile(path.c_str()) < 0) std::abort();
    std::size_t sum = 0;
    for (const auto& key : keys.u16Keys) {
        const UChar* value = ini.GetValue(key.first.c_str(), key.second.c_str(), nullptr);
        if (value) sum += std::char_traits<UChar>::length(value);
    }
    return sum;
}

std::size_t RunSimpleIniA(const std::string& path, const PreparedKeys& keys) {
    CSimpleIniA ini(true);
    if (ini.LoadFile(path.c_str()) < 0) std::abort();
    std::size_t sum = 0;
    for (const auto& key : keys.narrowKeys) {
        const char* value = ini.GetValue(key.section.c_str(), key.key.c_str(), nullptr);
        if (value) sum += std::strlen(value);
    }
    return sum;
}

double BestMs(int runs, const std::function<std::size_t()>& run, std::size_t& checksum) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        checksum = run();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

void Report(const char* name, double ms, double oursMs, std::size_t checksum) {
    std::printf("  %-36s %9.2f ms   %6.2fx ours   (checksum %zu)\n", name, ms, ms / oursMs, checksum);
}

struct Figure {
    std::string name;
    double ours, baseline;
    const char* peer;
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const auto dir = std::filesystem::temp_directory_path() / ("qf-loc-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);

    std::vector<Figure> figures;
    for (const bool wide : {false, true}) {
        Content content = MakeContent(wide, wide ? kFileBytes / 2 - 8 : kFileBytes - 8);
        PadToFileSize(content, wide, wide ? "\r\n" : "\n");
        PreparedKeys keys;
        for (const Key& key : content.keys) {
            if (key.section == "TEXT") keys.textKeys.push_back(Wide(key.key));
            else keys.otherKeys.emplace_back(Wide(key.section), Wide(key.key));
            keys.u16Keys.emplace_back(U16(key.section), U16(key.key));
            keys.narrowKeys.push_back(key);
        }
        std::size_t sections = 0;
        for (const auto& line : content.lines) sections += (!line.empty() && line[0] == U'[');

        const std::string oursFile = (dir / (wide ? "utf16.ini" : "ansi.ini")).string();
        const std::string peerFile = (dir / (wide ? "utf8.ini" : "ansi-peer.ini")).string();
        const std::string oursBytes = Encode(content.lines, wide, wide ? "\r\n" : "\n");
        const std::string peerBytes = wide ? Encode(content.lines, false, "\r\n") : oursBytes;
        std::ofstream(oursFile, std::ios::binary) << oursBytes;
        std::ofstream(peerFile, std::ios::binary) << peerBytes;

        std::printf("%s: %zu bytes, %zu lines, %zu sections, %zu keys (%zu in [TEXT])\n",
                    wide ? "UTF-16LE file with CR LF (peers read the same text as UTF-8, which they need)"
                         : "8-bit file with LF (all read the identical file)",
                    oursBytes.size(), content.lines.size(), sections, content.keys.size(), keys.textKeys.size());
        if (wide) std::printf("  (the peers' UTF-8 copy has %zu bytes)\n", peerBytes.size());
        std::printf("  load, then the first lookup of every key; best of %d runs\n", runs);

        std::size_t sum = 0;
        const std::wstring widePath = Wide(oursFile);
        const double ours = BestMs(runs, [&] { return RunOurs(widePath, keys); }, sum);
        Report("Quietfall LanguageManager", ours, ours, sum);
        const std::string figure = std::string("language file, ") + (wide ? "UTF-16" : "8-bit") + ", vs ";
        double ms = BestMs(runs, [&] { return RunInih(peerFile, keys); }, sum);
        Report("inih + lower-cased hash map", ms, ours, sum);
        figures.push_back({figure + "inih", ours, ms, "inih"});
        ms = BestMs(runs, [&] { return RunSimpleIniW(peerFile, keys); }, sum);
        Report("SimpleIni CSimpleIniW (UTF-16, ICU)", ms, ours, sum);
        if (wide)
            figures.push_back({figure + "SimpleIni", ours, ms, "SimpleIni W"});
        ms = BestMs(runs, [&] { return RunSimpleIniA(peerFile, keys); }, sum);
        Report("SimpleIni CSimpleIniA (8-bit)", ms, ours, sum);
        if (!wide)
            figures.push_back({figure + "SimpleIni", ours, ms, "SimpleIni A"});
        ms = BestMs(runs, [&] { return RunInihParseOnly(peerFile, keys); }, sum);
        Report("inih parse alone (stores nothing)", ms, ours, sum);
        std::printf("\n");
    }
    std::printf("Checksums count the characters found; they differ where the readers' rules differ\n"
                "(inline comments, quotes, and the \\n escapes that GetText resolves).\n");
    for (const Figure& f : figures)
        std::printf("row\t%s\t%.2f\tms\t%s\t%.2f\t<=\t1.00\n", f.name.c_str(), f.ours, f.peer, f.baseline);
    std::filesystem::remove_all(dir);
    return 0;
}
