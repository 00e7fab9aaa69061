// The language-file reader on raw bytes, in both encodings, followed by
// lookups of every stored key and of keys taken from the input.
//
// Properties, for each load:
//  - the document equals the plain model of the rules (fuzz_support.h);
//  - no section has an empty name, and no two sections have equal names
//    (A..Z folded); names are trimmed and hold no CR or LF;
//  - every key is non-empty and holds no CR or LF; a key is trimmed unless it
//    was written between double quotes, which keep it exactly as written:
//    such a key holds no double quote;
//  - values are trimmed and hold no CR, LF or ";";
//  - a lookup of a stored key (in its own case and with A..Z swapped) finds
//    the first entry with that key in its section, hashed or not;
//  - lookups of keys cut from the input agree with the model, and absence
//    reads as empty text / false / 0;
//  - loading the same file again gives the same document;
//  - the bytes read as 8-bit text and the same text saved as UTF-16LE with
//    CR LF line ends give the same document (every Windows-1252 text can be
//    written in UTF-16);
//  - ParseText with any bound equals the model with that bound;
//  - the host layer's code pages: 0 and 1252 give one character per byte,
//    28591 each byte's own value, up to the first zero byte; 65001 gives
//    text that turns back into the same bytes unless it holds U+FFFD.
#include <cstdint>
#include <map>
#include <string>

#include "localisation/ini_document.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using fuzz::model::Document;

fuzz::MemoryPlatform& Platform() {
    static fuzz::MemoryPlatform platform;
    return platform;
}

void ExpectSame(const Document& got, const Document& want, const char* what) {
    if (got == want) return;
    std::fprintf(stderr, "%s\n got: %s\nwant: %s\n", what, fuzz::model::Dump(got).c_str(),
                 fuzz::model::Dump(want).c_str());
    FUZZ_CHECK(got == want);
}

bool HasLineBreak(const std::wstring& s) {
    return s.find(L'\r') != std::wstring::npos || s.find(L'\n') != std::wstring::npos;
}

bool Trimmed(const std::wstring& s) { return fuzz::model::Trim(s, Platform()) == s; }

void CheckInvariants(const Document& doc) {
    for (std::size_t s = 0; s < doc.size(); ++s) {
        const fuzz::model::Section& section = doc[s];
        FUZZ_CHECK(!section.name.empty());
        FUZZ_CHECK(Trimmed(section.name));
        FUZZ_CHECK(!HasLineBreak(section.name));
        for (std::size_t other = 0; other < s; ++other) FUZZ_CHECK(!fuzz::model::SameName(doc[other].name, section.name));
        for (const fuzz::model::Entry& entry : section.entries) {
            FUZZ_CHECK(!entry.key.empty());
            FUZZ_CHECK(!HasLineBreak(entry.key));
            FUZZ_CHECK(Trimmed(entry.key) || entry.key.find(L'"') == std::wstring::npos);
            FUZZ_CHECK(Trimmed(entry.value));
            FUZZ_CHECK(!HasLineBreak(entry.value));
            FUZZ_CHECK(entry.value.find(L';') == std::wstring::npos);
        }
    }
}

// Every lookup the document offers, for one section name and key.
void CheckLookup(const IniDocument& doc, const Document& model, const std::wstring& section, const std::wstring& key) {
    const fuzz::model::Entry* want = fuzz::model::Find(model, section, key);
    FUZZ_CHECK(doc.GetString(section, key) == (want ? want->value : std::wstring()));

    const fuzz::model::Entry* text = fuzz::model::Find(model, L"TEXT", key);
    std::wstring value = L"stale";
    FUZZ_CHECK(doc.GetTextValue(key, value) == (text != nullptr));
    FUZZ_CHECK(value == (text ? text->value : std::wstring()));

    const fuzz::model::Entry* general = fuzz::model::Find(model, L"GENERAL", key);
    FUZZ_CHECK(doc.GetGeneralInt(key) == (general ? fuzz::model::Number(general->value, Platform()) : 0u));
}

void CheckLookups(const IniDocument& doc, const Document& model, const std::vector<std::wstring>& inputKeys) {
    for (const fuzz::model::Section& section : model) {
        // The first entry of each key, found by a linear scan of the model.
        std::map<std::wstring, const fuzz::model::Entry*> first;
        for (const fuzz::model::Entry& entry : section.entries) first.emplace(fuzz::model::Fold(entry.key), &entry);
        for (const fuzz::model::Entry& entry : section.entries) {
            const std::wstring& want = first[fuzz::model::Fold(entry.key)]->value;
            FUZZ_CHECK(doc.GetString(section.name, entry.key) == want);
            FUZZ_CHECK(doc.GetString(fuzz::SwapCase(section.name), fuzz::SwapCase(entry.key)) == want);
        }
    }
    for (const std::wstring& key : inputKeys) {
        CheckLookup(doc, model, L"TEXT", key);
        CheckLookup(doc, model, key, key);
        if (!model.empty()) CheckLookup(doc, model, model.back().name, key);
    }
}

void CheckFile(const std::string& bytes, const std::vector<std::wstring>& inputKeys) {
    fuzz::MemoryPlatform& platform = Platform();
    platform.files[L"lang.ini"] = bytes;
    IniDocument doc(platform);
    FUZZ_CHECK(doc.LoadFile(L"lang.ini"));
    const Document got = fuzz::Snapshot(doc);
    const Document model = fuzz::model::Load(bytes, platform);
    ExpectSame(got, model, "document differs from the model");
    CheckInvariants(got);
    CheckLookups(doc, model, inputKeys);

    FUZZ_CHECK(doc.LoadFile(L"lang.ini"));
    ExpectSame(fuzz::Snapshot(doc), got, "second load differs");
    FUZZ_CHECK(!doc.LoadFile(L"missing.ini"));
    FUZZ_CHECK(doc.SectionCount() == 0);
}

// 8-bit text against the same text in UTF-16LE with CR LF line ends.
void CheckEncodingsAgree(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
        return;  // these bytes are a UTF-16 file already
    fuzz::MemoryPlatform& platform = Platform();
    std::wstring text;
    FUZZ_CHECK(platform.DecodeCodePage(0, bytes.c_str(), bytes.size(), text));
    std::wstring crlf;
    for (wchar_t c : text) {
        if (c == L'\n') crlf.push_back(L'\r');
        crlf.push_back(c);
    }
    platform.files[L"ansi.ini"] = bytes;
    platform.files[L"utf16.ini"] = fuzz::Utf16LeFile(crlf);
    IniDocument ansi(platform), utf16(platform);
    FUZZ_CHECK(ansi.LoadFile(L"ansi.ini"));
    FUZZ_CHECK(utf16.LoadFile(L"utf16.ini"));
    ExpectSame(fuzz::Snapshot(utf16), fuzz::Snapshot(ansi), "UTF-16 and 8-bit forms differ");
}

// ParseText with a bound taken from the last byte.
void CheckBound(const std::string& bytes) {
    fuzz::MemoryPlatform& platform = Platform();
    std::wstring text;
    FUZZ_CHECK(platform.DecodeCodePage(0, bytes.c_str(), bytes.size(), text));
    const std::size_t bound =
        bytes.empty() ? 0 : static_cast<std::size_t>(static_cast<unsigned char>(bytes.back())) * 7 % (text.size() + 3);
    IniDocument doc(platform);
    doc.ParseText(text.c_str(), bound);
    ExpectSame(fuzz::Snapshot(doc), fuzz::model::Parse(text, bound, platform), "bounded parse differs from the model");
}

// The host stand-in for MultiByteToWideChar, on the same bytes.
void CheckHostDecoding(const std::string& bytes) {
    const LocalisationPlatform& host = HostLocalisationPlatform();
    const std::string text = bytes.substr(0, bytes.find('\0'));
    for (std::uint32_t codePage : {0u, 1252u, 28591u}) {
        std::wstring out;
        FUZZ_CHECK(host.DecodeCodePage(codePage, bytes.c_str(), bytes.size(), out));
        FUZZ_CHECK(out.size() == text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const unsigned char b = static_cast<unsigned char>(text[i]);
            FUZZ_CHECK(out[i] != 0);
            FUZZ_CHECK((codePage == 28591 || b < 0x80 || b > 0x9F) ? out[i] == b : out[i] > 0x7F);
        }
    }
    std::wstring utf8;
    FUZZ_CHECK(host.DecodeCodePage(65001, bytes.c_str(), bytes.size(), utf8));
    FUZZ_CHECK(utf8.size() <= text.size());
    if (utf8.find(L'\xFFFD') == std::wstring::npos) FUZZ_CHECK(HostPathToUtf8(utf8) == text);
    std::wstring none = L"kept";
    FUZZ_CHECK(!host.DecodeCodePage(932, bytes.c_str(), bytes.size(), none));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 8192) return 0;  // longer inputs find nothing new, only take longer
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::wstring> keys = fuzz::KeysFromBytes(data, size, 24);

    CheckFile(bytes, keys);                                  // as given: UTF-16 if it starts with FF FE
    CheckFile(std::string("\xFF\xFE", 2) + bytes, keys);     // the same bytes as UTF-16LE
    CheckEncodingsAgree(bytes);
    CheckBound(bytes);
    CheckHostDecoding(bytes);
    return 0;
}
