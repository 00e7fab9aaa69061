// Shared pieces of the fuzz targets: a property check that stops the run,
// a platform layer that serves files from memory, and a plain model of the
// language-file rules to compare the reader with.
//
// The model is written the simple way (copies, linear scans, one line at a
// time), so that the reader's in-place compaction and hashed lookups are
// checked against something that shares none of their tricks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "localisation/host/host_platform.h"
#include "localisation/ini_document.h"
#include "localisation/localisation_platform.h"

// A property failure is a crash for libFuzzer: it keeps the input.
#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

namespace fuzz {

// Files come from `files`; 8-bit text is decoded as the host layer does it
// (code page 0: Windows-1252).  Unlike the host's C locale, a few characters
// above U+00FF count as spaces here, so that trimming them is exercised too.
class MemoryPlatform final : public LocalisationPlatform {
public:
    std::map<std::wstring, std::string> files;

    FileReadStatus ReadWholeFile(const std::wstring& path, std::uint32_t maxBytes, FileBytes& out) const override {
        out.data.reset();
        out.size = 0;
        const auto found = files.find(path);
        if (found == files.end()) return FileReadStatus::CannotOpen;
        const std::string& bytes = found->second;
        if (bytes.size() > maxBytes) return FileReadStatus::TooLarge;
        out.data.reset(new unsigned char[bytes.size() + 2]());
        for (std::size_t i = 0; i < bytes.size(); ++i) out.data[i] = static_cast<unsigned char>(bytes[i]);
        out.size = bytes.size();
        return FileReadStatus::Ok;
    }

    bool DecodeCodePage(std::uint32_t codePage, const char* text, std::size_t byteCount,
                        std::wstring& out) const override {
        return HostLocalisationPlatform().DecodeCodePage(codePage, text, byteCount, out);
    }

    bool IsSpaceAbove00FF(wchar_t c) const override {
        return c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x205F ||
               c == 0x3000;
    }

    std::FILE* OpenTextFile(const std::wstring& path) const override {
        const auto found = files.find(path);
        if (found == files.end()) return nullptr;
        // Read-only use of the stored bytes; they outlive the stream.
        return fmemopen(const_cast<char*>(found->second.data()), found->second.size(), "r");
    }
};

// Text as UTF-16LE bytes (one element = one UTF-16 unit) behind the mark FF FE.
inline std::string Utf16LeFile(const std::wstring& text) {
    std::string bytes("\xFF\xFE", 2);
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(static_cast<std::uint32_t>(c) & 0xFF));
        bytes.push_back(static_cast<char>((static_cast<std::uint32_t>(c) >> 8) & 0xFF));
    }
    return bytes;
}

// Printable form for failure messages: ASCII as is, the rest as \u{hex}.
inline std::string Show(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        const unsigned u = static_cast<unsigned>(c);
        if (u >= 0x20 && u < 0x7F && u != '\\') {
            out.push_back(static_cast<char>(u));
        } else {
            char buf[16];
            std::snprintf(buf, sizeof buf, "\\u{%x}", u);
            out += buf;
        }
    }
    return out;
}

namespace model {

struct Entry {
    std::wstring key;
    std::wstring value;
    bool operator==(const Entry& o) const { return key == o.key && value == o.value; }
};
struct Section {
    std::wstring name;
    std::vector<Entry> entries;
    bool operator==(const Section& o) const { return name == o.name && entries == o.entries; }
};
using Document = std::vector<Section>;

inline bool IsWhite(wchar_t c, const LocalisationPlatform& platform) {
    const std::uint32_t u = static_cast<std::uint32_t>(c);
    if (u > 0xFF) return platform.IsSpaceAbove00FF(c);
    return u == 0x09 || u == 0x0A || u == 0x0B || u == 0x0C || u == 0x0D || u == 0x20 || u == 0xA0;
}

inline std::wstring Trim(const std::wstring& s, const LocalisationPlatform& platform) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsWhite(s[b], platform)) ++b;
    while (e > b && IsWhite(s[e - 1], platform)) --e;
    return s.substr(b, e - b);
}

inline std::wstring Fold(std::wstring s) {
    for (wchar_t& c : s)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return s;
}

inline bool SameName(const std::wstring& a, const std::wstring& b) { return Fold(a) == Fold(b); }

// Lines by the reading rule: each character is counted before it is looked
// at, at most `bound` are consumed, U+0000 ends the text, LF ends a line,
// CRs are dropped; a last line without LF counts, an empty one does not.
inline std::vector<std::wstring> Lines(const std::wstring& text, std::size_t bound) {
    std::vector<std::wstring> lines;
    std::size_t pos = 0, consumed = 0;
    for (;;) {
        std::wstring line;
        bool ended = false;
        for (;;) {
            if (++consumed > bound) { ended = true; break; }
            const wchar_t c = pos < text.size() ? text[pos] : 0;
            if (c == 0) { ended = true; break; }
            ++pos;
            if (c == L'\n') break;
            if (c != L'\r') line.push_back(c);
        }
        if (ended && line.empty()) return lines;
        lines.push_back(line);
        if (ended) return lines;
    }
}

inline bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// One key/value line (trimmed, contains "="); false when it is dropped.
inline bool KeyValue(const std::wstring& line, const LocalisationPlatform& platform, Entry& entry) {
    std::size_t pos;
    if (line[0] == L'"') {
        const std::size_t close = line.find(L'"', 1);
        if (close == std::wstring::npos) return false;
        entry.key = line.substr(1, close - 1);
        pos = close + 1;
    } else {
        const std::size_t equals = line.find(L'=');
        entry.key = Trim(line.substr(0, equals), platform);
        pos = equals;
    }
    if (entry.key.empty() || pos >= line.size()) return false;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != L'=') return false;
    ++pos;
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    const std::size_t semicolon = line.find(L';', pos);
    entry.value = Trim(line.substr(pos, semicolon == std::wstring::npos ? std::wstring::npos : semicolon - pos),
                       platform);
    return true;
}

inline Document Parse(const std::wstring& text, std::size_t bound, const LocalisationPlatform& platform) {
    Document doc;
    Section* current = nullptr;
    for (const std::wstring& raw : Lines(text, bound)) {
        const std::wstring line = Trim(raw, platform);
        if (line.empty()) continue;
        if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
            const std::wstring name = Trim(line.substr(1, line.size() - 2), platform);
            current = nullptr;
            if (name.empty()) continue;
            for (Section& s : doc)
                if (SameName(s.name, name)) current = &s;
            if (!current) {
                doc.push_back(Section{name, {}});
                current = &doc.back();
            }
        } else if (line[0] == L';') {
            continue;
        } else if (line.find(L'=') != std::wstring::npos) {
            Entry entry;
            if (current && KeyValue(line, platform, entry)) current->entries.push_back(entry);
        } else if (current) {
            current->entries.push_back(Entry{line, L""});
        }
    }
    return doc;
}

// What a file of these bytes holds, by the encoding rules.
inline Document Load(const std::string& bytes, const LocalisationPlatform& platform) {
    const std::size_t n = bytes.size();
    if (n < 2) return {};
    if (static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text;
        for (std::size_t i = 2; i + 1 < n; i += 2)
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        return Parse(text, (n - 2) / 2, platform);
    }
    std::wstring text;
    if (!platform.DecodeCodePage(0, bytes.c_str(), n, text)) return {};
    return Parse(text, n, platform);
}

// The first entry of `key` in the section named `section`, or null.
inline const Entry* Find(const Document& doc, const std::wstring& section, const std::wstring& key) {
    for (const Section& s : doc) {
        if (!SameName(s.name, section)) continue;
        for (const Entry& e : s.entries)
            if (SameName(e.key, key)) return &e;
        return nullptr;
    }
    return nullptr;
}

// wcstoul(..., 10) as the rules describe it, with the document's white space.
inline std::uint32_t Number(const std::wstring& value, const LocalisationPlatform& platform) {
    std::size_t i = 0;
    while (i < value.size() && IsWhite(value[i], platform)) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == L'+' || value[i] == L'-')) negative = value[i++] == L'-';
    std::uint64_t n = 0;
    bool any = false;
    for (; i < value.size() && value[i] >= L'0' && value[i] <= L'9'; ++i) {
        any = true;
        n = n * 10 + static_cast<std::uint64_t>(value[i] - L'0');
        if (n > 0xFFFFFFFFull) return 0xFFFFFFFFu;  // the rest of the digits cannot bring it back
    }
    if (!any) return 0;
    const std::uint32_t v = static_cast<std::uint32_t>(n);
    return negative ? static_cast<std::uint32_t>(0u - v) : v;
}

// Backslash + letter becomes `replacement`, left to right, without overlap.
inline std::wstring Unescape(const std::wstring& text, wchar_t letter, wchar_t replacement) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size() && text[i + 1] == letter) {
            out.push_back(replacement);
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

inline std::string Dump(const Document& doc) {
    std::string out;
    for (const Section& s : doc) {
        out += "[" + Show(s.name) + "]";
        for (const Entry& e : s.entries) out += Show(e.key) + "=" + Show(e.value) + "|";
    }
    return out;
}

}  // namespace model

// What a loaded document holds, in the model's form.
inline model::Document Snapshot(const IniDocument& doc) {
    model::Document out;
    for (std::size_t s = 0; s < doc.SectionCount(); ++s) {
        model::Section section{doc.SectionName(s), {}};
        for (std::size_t e = 0; e < doc.EntryCount(s); ++e)
            section.entries.push_back({doc.EntryKey(s, e), doc.EntryValue(s, e)});
        out.push_back(section);
    }
    return out;
}

// The text with the case of A..Z swapped (the reader folds only those).
inline std::wstring SwapCase(std::wstring s) {
    for (wchar_t& c : s) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        else if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return s;
}

// Input bytes as a list of short keys: the pieces between the bytes "\n",
// "=", "]" and NUL, each also with the case of A..Z swapped.  Enough to hit
// stored keys in other cases and near misses without a second input.
inline std::vector<std::wstring> KeysFromBytes(const std::uint8_t* data, std::size_t size, std::size_t limit) {
    std::vector<std::wstring> keys;
    std::wstring piece;
    auto flush = [&] {
        if (keys.size() < limit) keys.push_back(piece);
        const std::wstring swapped = SwapCase(piece);
        if (keys.size() < limit && swapped != piece) keys.push_back(swapped);
        piece.clear();
    };
    for (std::size_t i = 0; i < size && keys.size() < limit; ++i) {
        const std::uint8_t b = data[i];
        if (b == '\n' || b == '=' || b == ']' || b == 0) flush();
        else piece.push_back(static_cast<wchar_t>(b));
    }
    flush();
    return keys;
}

}  // namespace fuzz
