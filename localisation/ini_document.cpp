#include "localisation/ini_document.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "localisation/text_rules.h"

namespace {

constexpr std::size_t kLinearScanLimit = 8;  // sections up to this size are scanned, not indexed

const wchar_t kGeneral[] = L"GENERAL";
const wchar_t kText[] = L"TEXT";

}  // namespace

IniDocument::IniDocument(const LocalisationPlatform& platform) : platform_(&platform) {}

void IniDocument::Clear() {
    // Release the memory too: a cleared document holds nothing.
    std::vector<Section>().swap(sections_);
    std::wstring().swap(storage_);
    std::vector<std::uint32_t>().swap(sectionSlots_);
}

bool IniDocument::LoadFile(const std::wstring& path) {
    Clear();
    FileBytes file;
    if (platform_->ReadWholeFile(path, kMaxFileBytes, file) != FileReadStatus::Ok) {
        Clear();
        return false;
    }
    const std::size_t n = file.size;
    if (n < 2) return true;
    const unsigned char* bytes = file.data.get();
    if (bytes[0] == 0xFF && bytes[1] == 0xFE) {
        const std::size_t bound = (n - 2) / 2;
        // Only the units before the first U+0000 and within the bound can be
        // read, so only those are kept.
        storage_.resize(bound);
        wchar_t* out = &storage_[0];
        const unsigned char* p = bytes + 2;
        std::size_t units = 0;
        for (; units < bound; ++units, p += 2) {
            const wchar_t unit = static_cast<wchar_t>(p[0] | (p[1] << 8));
            if (unit == 0) break;
            out[units] = unit;
        }
        storage_.resize(units);
        file.data.reset();
        ParseOwnedText(bound);
    } else if (platform_->DecodeCodePage(decodeCodePage_, reinterpret_cast<const char*>(bytes), n, storage_)) {
        file.data.reset();
        ParseOwnedText(n);
    } else {
        storage_.clear();
    }
    return true;
}

void IniDocument::ParseText(const wchar_t* text, std::size_t bound) {
    Clear();
    std::size_t length = 0;
    while (length < bound && text[length] != 0) ++length;
    storage_.assign(text, length);
    ParseOwnedText(bound);
}

// Parses storage_ in place; the text ends at its terminator or after `bound`
// characters.
void IniDocument::ParseOwnedText(std::size_t bound) {
    readPos_ = 0;
    writePos_ = 0;
    consumed_ = 0;
    bound_ = bound;
    std::size_t current = 0;  // index + 1 of the current section; 0: none

    while (ReadLine()) {
        switch (ClassifyLine()) {
        case LineKind::SectionHeader: {
            const wchar_t* b = lineBegin_ + 1;
            const wchar_t* e = lineEnd_ - 1;
            textrules::TrimRange(b, e, *platform_);
            current = 0;
            if (b != e) current = static_cast<std::size_t>(FindOrAddSection(b, e - b) - sections_.data()) + 1;
            break;
        }
        case LineKind::KeyValue:
            if (current != 0) {
                Entry entry;
                if (ParseKeyValue(entry)) sections_[current - 1].entries.push_back(entry);
            }
            break;
        case LineKind::BareKey:
            if (current != 0) {
                Entry entry;
                entry.key = SpanOf(lineBegin_, lineEnd_);
                entry.value = Span{entry.key.offset, 0};
                sections_[current - 1].entries.push_back(entry);
            }
            break;
        case LineKind::Comment:
        case LineKind::Blank:
            break;
        }
    }
    // What follows the last line is never referred to.
    storage_.resize(writePos_);
    lineBegin_ = lineEnd_ = nullptr;
}

// Reads the next line and trims it.  The consumed count reserves each
// character before it is looked at, so that at most bound_ characters are
// consumed over the whole parse; a U+0000 ends the text without being
// consumed.  CRs are dropped: the line's other characters are moved down to
// writePos_, so the line ends up contiguous.  false at the end of the text.
bool IniDocument::ReadLine() {
    wchar_t* const text = &storage_[0];  // storage_ keeps its terminator at size()
    const std::size_t lineStart = writePos_;
    bool ended = false;
    if (++consumed_ > bound_) {
        ended = true;
    } else {
        for (;;) {
            // Characters that may still be consumed, counting the reserved one.
            const std::size_t allowed = bound_ - consumed_ + 1;
            const std::size_t start = readPos_;
            std::size_t taken = 0;
            while (taken < allowed) {
                const wchar_t c = text[start + taken];
                if (c == L'\n' || c == L'\r' || c == 0) break;
                ++taken;
            }
            if (writePos_ != start && taken != 0) std::wmemmove(text + writePos_, text + start, taken);
            writePos_ += taken;
            readPos_ = start + taken;
            consumed_ += taken;
            if (taken == allowed) {  // every allowed character consumed
                ended = true;
                break;
            }
            // consumed_ now reserves the character at readPos_.
            const wchar_t c = text[readPos_];
            if (c == 0) {
                ended = true;
                break;
            }
            ++readPos_;
            if (c == L'\n') break;
            // A CR: dropped; reserve the next character.
            if (++consumed_ > bound_) {
                ended = true;
                break;
            }
        }
    }
    lineBegin_ = text + lineStart;
    lineEnd_ = text + writePos_;
    if (ended && lineBegin_ == lineEnd_) return false;
    textrules::TrimRange(lineBegin_, lineEnd_, *platform_);
    return true;
}

IniDocument::LineKind IniDocument::ClassifyLine() const {
    if (lineBegin_ == lineEnd_) return LineKind::Blank;
    if (*lineBegin_ == L'[' && lineEnd_[-1] == L']' && lineEnd_ - lineBegin_ >= 2) return LineKind::SectionHeader;
    if (*lineBegin_ == L';') return LineKind::Comment;
    for (const wchar_t* p = lineBegin_; p != lineEnd_; ++p) {
        if (*p == L'=') return LineKind::KeyValue;
    }
    return LineKind::BareKey;
}

bool IniDocument::ParseKeyValue(Entry& entry) {
    const wchar_t* p = lineBegin_;
    const wchar_t* const end = lineEnd_;
    const bool quoted = (*p == L'"');
    if (quoted) ++p;

    const wchar_t* keyBegin = p;
    const wchar_t stop = quoted ? L'"' : L'=';
    while (p != end && *p != stop) ++p;
    if (p == end) return false;  // no closing quote / no "="
    const wchar_t* keyEnd = p;
    if (quoted) ++p;             // past the closing quote
    if (p == end) return false;
    if (!quoted) textrules::TrimRange(keyBegin, keyEnd, *platform_);
    if (keyBegin == keyEnd) return false;

    while (p != end && textrules::IsBlank(*p)) ++p;
    if (p == end || *p != L'=') return false;
    ++p;
    while (p != end && textrules::IsBlank(*p)) ++p;

    const wchar_t* valueBegin = p;
    while (p != end && *p != L';') ++p;
    const wchar_t* valueEnd = p;
    textrules::TrimRange(valueBegin, valueEnd, *platform_);

    entry.key = SpanOf(keyBegin, keyEnd);
    entry.value = SpanOf(valueBegin, valueEnd);
    return true;
}

IniDocument::Span IniDocument::SpanOf(const wchar_t* begin, const wchar_t* end) const {
    return Span{static_cast<std::uint32_t>(begin - storage_.data()), static_cast<std::uint32_t>(end - begin)};
}

void IniDocument::GrowSectionSlots() {
    std::size_t size = sectionSlots_.empty() ? 16 : sectionSlots_.size() * 2;
    std::vector<std::uint32_t> slots(size, 0);
    const std::size_t mask = size - 1;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Span name = sections_[i].name;
        std::size_t slot = textrules::HashName(Chars(name), name.length) & mask;
        while (slots[slot] != 0) slot = (slot + 1) & mask;
        slots[slot] = static_cast<std::uint32_t>(i + 1);
    }
    sectionSlots_.swap(slots);
}

const IniDocument::Section* IniDocument::FindSection(const wchar_t* name, std::size_t length) const {
    if (sectionSlots_.empty()) return nullptr;
    const std::size_t mask = sectionSlots_.size() - 1;
    std::size_t slot = textrules::HashName(name, length) & mask;
    for (; sectionSlots_[slot] != 0; slot = (slot + 1) & mask) {
        const Section& section = sections_[sectionSlots_[slot] - 1];
        if (textrules::NamesEqual(Chars(section.name), section.name.length, name, length)) return &section;
    }
    return nullptr;
}

IniDocument::Section* IniDocument::FindOrAddSection(const wchar_t* name, std::size_t length) {
    if (const Section* found = FindSection(name, length)) return const_cast<Section*>(found);
    // Keep the slot table at most half full.
    if ((sections_.size() + 1) * 2 > sectionSlots_.size()) GrowSectionSlots();
    Section section;
    section.name = SpanOf(name, name + length);
    sections_.push_back(std::move(section));
    const Span stored = sections_.back().name;
    const std::size_t mask = sectionSlots_.size() - 1;
    std::size_t slot = textrules::HashName(Chars(stored), stored.length) & mask;
    while (sectionSlots_[slot] != 0) slot = (slot + 1) & mask;
    sectionSlots_[slot] = static_cast<std::uint32_t>(sections_.size());
    return &sections_.back();
}

const IniDocument::Entry* IniDocument::FindEntry(const Section& section, const wchar_t* key, std::size_t length) const {
    const std::vector<Entry>& entries = section.entries;
    if (entries.size() <= kLinearScanLimit) {
        for (const Entry& entry : entries) {
            if (textrules::NamesEqual(Chars(entry.key), entry.key.length, key, length)) return &entry;
        }
        return nullptr;
    }
    std::vector<std::uint32_t>& slots = section.keySlots;
    if (slots.empty()) {
        std::size_t size = 16;
        while (size < entries.size() * 2) size *= 2;
        slots.assign(size, 0);
        const std::size_t mask = size - 1;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Span k = entries[i].key;
            std::size_t slot = textrules::HashName(Chars(k), k.length) & mask;
            bool duplicate = false;
            for (; slots[slot] != 0; slot = (slot + 1) & mask) {
                const Span other = entries[slots[slot] - 1].key;
                if (textrules::NamesEqual(Chars(other), other.length, Chars(k), k.length)) {
                    duplicate = true;  // the earlier entry answers lookups
                    break;
                }
            }
            if (!duplicate) slots[slot] = static_cast<std::uint32_t>(i + 1);
        }
    }
    const std::size_t mask = slots.size() - 1;
    for (std::size_t slot = textrules::HashName(key, length) & mask; slots[slot] != 0; slot = (slot + 1) & mask) {
        const Entry& entry = entries[slots[slot] - 1];
        if (textrules::NamesEqual(Chars(entry.key), entry.key.length, key, length)) return &entry;
    }
    return nullptr;
}

const IniDocument::Entry* IniDocument::Lookup(const wchar_t* section, std::size_t sectionLength,
                                              const std::wstring& key) const {
    const Section* found = FindSection(section, sectionLength);
    return found ? FindEntry(*found, key.data(), key.size()) : nullptr;
}

std::uint32_t IniDocument::GetGeneralInt(const std::wstring& key) const {
    const Entry* entry = Lookup(kGeneral, sizeof(kGeneral) / sizeof(wchar_t) - 1, key);
    if (!entry) return 0;
    return textrules::ParseUnsignedDecimal(Text(entry->value), *platform_);
}

std::wstring IniDocument::GetString(const std::wstring& section, const std::wstring& key) const {
    const Entry* entry = Lookup(section.data(), section.size(), key);
    return entry ? Text(entry->value) : std::wstring();
}

bool IniDocument::GetTextValue(const std::wstring& key, std::wstring& value) const {
    const Entry* entry = Lookup(kText, sizeof(kText) / sizeof(wchar_t) - 1, key);
    if (!entry) {
        value.clear();
        return false;
    }
    value.assign(Chars(entry->value), entry->value.length);
    return true;
}

std::wstring IniDocument::SectionName(std::size_t section) const { return Text(sections_.at(section).name); }

std::size_t IniDocument::EntryCount(std::size_t section) const { return sections_.at(section).entries.size(); }

std::wstring IniDocument::EntryKey(std::size_t section, std::size_t entry) const {
    return Text(sections_.at(section).entries.at(entry).key);
}

std::wstring IniDocument::EntryValue(std::size_t section, std::size_t entry) const {
    return Text(sections_.at(section).entries.at(entry).value);
}
