// One parsed language file: named sections of key/value entries.
//
// File format (what LoadFile accepts):
//  - FF FE at the start: UTF-16LE (an odd last byte is ignored); otherwise
//    8-bit text in the document's code page (0 = the ANSI code page).  A zero
//    byte (8-bit) or U+0000 (UTF-16) ends the text.  At most 1,000,000 bytes.
//  - Lines end at LF; every CR is dropped wherever it stands.  Lines are
//    trimmed of white space (U+0009..U+000D, U+0020, U+00A0 and the
//    platform's spaces above U+00FF); empty lines are ignored.
//  - "[name]" opens (or continues) a section; an empty name means "no
//    section" until the next named header.  ";" at the start: comment.
//  - key = value ; the key is cut at the first "=" and trimmed, or written
//    between double quotes exactly as meant; the value runs to the first ";"
//    and is trimmed.  A line without "=" is a bare key with an empty value.
//  - Entries outside a named section are dropped.  Names compare with only
//    A..Z folded onto a..z.  Keys may repeat; lookups return the first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "localisation/localisation_platform.h"

class IniDocument {
public:
    static constexpr std::uint32_t kMaxFileBytes = 1000000;

    explicit IniDocument(const LocalisationPlatform& platform);
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    // Clears the document, then reads, decodes and parses the file.  true
    // when the file was opened and read whole (even if it holds nothing).
    bool LoadFile(const std::wstring& path);
    void Clear();

    // First entry of `key` in section "GENERAL" read as a decimal number;
    // 0 when absent.
    std::uint32_t GetGeneralInt(const std::wstring& key) const;
    // First entry of `key` in `section`; empty when absent.
    std::wstring GetString(const std::wstring& section, const std::wstring& key) const;
    // First entry of `key` in section "TEXT": true with its value, or false
    // with `value` emptied.
    bool GetTextValue(const std::wstring& key, std::wstring& value) const;

    // Replaces the document's content with the parsed text: at most `bound`
    // characters, and never past the first U+0000 (`text` must be
    // terminated).  LoadFile does the same with the decoded file.
    void ParseText(const wchar_t* text, std::size_t bound);

    std::uint32_t DecodeCodePage() const { return decodeCodePage_; }

    // Read-only view of the parsed structure, in file order.
    std::size_t SectionCount() const { return sections_.size(); }
    std::wstring SectionName(std::size_t section) const;
    std::size_t EntryCount(std::size_t section) const;
    std::wstring EntryKey(std::size_t section, std::size_t entry) const;
    std::wstring EntryValue(std::size_t section, std::size_t entry) const;

private:
    struct Span {
        std::uint32_t offset;
        std::uint32_t length;
    };
    struct Entry {
        Span key;
        Span value;
    };
    struct Section {
        Span name;
        std::vector<Entry> entries;
        // Built on the first lookup of a long section: open-addressed slots
        // holding entry index + 1 of the first entry of each distinct key.
        mutable std::vector<std::uint32_t> keySlots;
    };
    enum class LineKind { SectionHeader = 0, KeyValue = 1, Comment = 2, Blank = 3, BareKey = 4 };

    void ParseOwnedText(std::size_t bound);
    bool ReadLine();
    LineKind ClassifyLine() const;
    bool ParseKeyValue(Entry& entry);
    Section* FindOrAddSection(const wchar_t* name, std::size_t length);
    const Section* FindSection(const wchar_t* name, std::size_t length) const;
    const Entry* FindEntry(const Section& section, const wchar_t* key, std::size_t length) const;
    const Entry* Lookup(const wchar_t* section, std::size_t sectionLength, const std::wstring& key) const;
    Span SpanOf(const wchar_t* begin, const wchar_t* end) const;
    std::wstring Text(Span span) const { return storage_.substr(span.offset, span.length); }
    const wchar_t* Chars(Span span) const { return storage_.data() + span.offset; }
    void GrowSectionSlots();

    const LocalisationPlatform* platform_;
    std::vector<Section> sections_;
    // The decoded text, compacted in place while it is parsed (CRs removed),
    // so that every name, key and value is a span of it.
    std::wstring storage_;
    std::vector<std::uint32_t> sectionSlots_;  // open-addressed: section index + 1
    std::uint32_t decodeCodePage_ = 0;

    // Parse state, meaningful only while a text is parsed.  The current line
    // is written back into storage_ at writePos_, behind the read position.
    const wchar_t* lineBegin_ = nullptr;  // trimmed current line
    const wchar_t* lineEnd_ = nullptr;
    std::size_t readPos_ = 0;
    std::size_t writePos_ = 0;
    std::size_t consumed_ = 0;
    std::size_t bound_ = 0;
};
