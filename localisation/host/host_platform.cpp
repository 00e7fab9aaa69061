#include "localisation/host/host_platform.h"

#include <cstring>
#include <cwctype>
#include <new>

namespace {

// Windows-1252 bytes 0x80..0x9F; the unassigned ones map to themselves.
const wchar_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf16(std::wstring& out, std::uint32_t code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(code));
    }
}

void DecodeUtf8(const unsigned char* p, std::wstring& out) {
    while (*p != 0) {
        const unsigned char b = *p;
        int extra = 0;
        std::uint32_t code = 0;
        if (b < 0x80) { code = b; }
        else if (b >= 0xC2 && b <= 0xDF) { extra = 1; code = b & 0x1F; }
        else if (b >= 0xE0 && b <= 0xEF) { extra = 2; code = b & 0x0F; }
        else if (b >= 0xF0 && b <= 0xF4) { extra = 3; code = b & 0x07; }
        else { out.push_back(0xFFFD); ++p; continue; }
        int i = 1;
        for (; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) break;
            code = (code << 6) | (p[i] & 0x3F);
        }
        const bool shortForm = (extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF));
        if (i <= extra || shortForm || (code >= 0xD800 && code <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++p;
            continue;
        }
        AppendUtf16(out, code);
        p += extra + 1;
    }
}

class HostPlatform final : public LocalisationPlatform {
public:
    FileReadStatus ReadWholeFile(const std::wstring& path, std::uint32_t maxBytes, FileBytes& out) const override {
        out.data.reset();
        out.size = 0;
        std::FILE* file = std::fopen(HostPathToUtf8(path).c_str(), "rb");
        if (!file) return FileReadStatus::CannotOpen;
        FileReadStatus status = FileReadStatus::Ok;
        long size = -1;
        if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
        if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
            status = FileReadStatus::CannotOpen;  // a directory, a pipe
        } else if (static_cast<unsigned long>(size) > maxBytes) {
            status = FileReadStatus::TooLarge;
        } else if (size != 0) {
            const std::size_t bytes = static_cast<std::size_t>(size);
            std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[bytes + 2]());
            if (!buffer) {
                status = FileReadStatus::NoMemory;
            } else if (std::fread(buffer.get(), 1, bytes, file) != bytes) {
                status = FileReadStatus::ReadFailed;
            } else {
                out.data = std::move(buffer);
                out.size = bytes;
            }
        }
        std::fclose(file);
        return status;
    }

    bool DecodeCodePage(std::uint32_t codePage, const char* text, std::size_t byteCount,
                        std::wstring& out) const override {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
        std::wstring converted;
        if (codePage == 65001) {
            converted.reserve(byteCount);
            DecodeUtf8(p, converted);
        } else if (codePage == 0 || codePage == 1252 || codePage == 28591) {
            // Single-byte code pages: one character per byte, through a table.
            wchar_t table[256];
            for (unsigned b = 0; b < 256; ++b) table[b] = static_cast<wchar_t>(b);
            if (codePage != 28591) {
                for (unsigned b = 0x80; b <= 0x9F; ++b) table[b] = kCp1252High[b - 0x80];
            }
            converted.resize(byteCount);
            wchar_t* out = &converted[0];
            std::size_t n = 0;
            for (; n < byteCount && p[n] != 0; ++n) out[n] = table[p[n]];
            converted.resize(n);
        } else {
            return false;
        }
        out.swap(converted);
        return true;
    }

    bool IsSpaceAbove00FF(wchar_t c) const override { return std::iswspace(static_cast<wint_t>(c)) != 0; }

    std::FILE* OpenTextFile(const std::wstring& path) const override {
        return std::fopen(HostPathToUtf8(path).c_str(), "r");
    }
};

}  // namespace

const LocalisationPlatform& HostLocalisationPlatform() {
    static const HostPlatform platform;
    return platform;
}

std::string HostPathToUtf8(const std::wstring& path) {
    std::string out;
    for (std::size_t i = 0; i < path.size(); ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(path[i]) & 0xFFFF;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < path.size()) {
            const std::uint32_t low = static_cast<std::uint32_t>(path[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

void MemoryLanguageNameStore::SetString(const std::wstring& text, std::uint32_t type) {
    std::vector<unsigned char> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    SetBytes(std::move(bytes), type);
}

void MemoryLanguageNameStore::SetBytes(std::vector<unsigned char> bytes, std::uint32_t type) {
    keyPresent = true;
    valuePresent = true;
    valueType = type;
    valueData = std::move(bytes);
}

void MemoryLanguageNameStore::RemoveValue() {
    valuePresent = false;
    valueData.clear();
}

bool MemoryLanguageNameStore::Open() {
    calls.push_back("open");
    return keyPresent;
}

long MemoryLanguageNameStore::QueryValue(std::uint32_t* type, unsigned char* data, std::uint32_t* size) {
    calls.push_back(data ? "query(data)" : "query(size)");
    constexpr long kFileNotFound = 2, kMoreData = 234;
    if (!valuePresent) return kFileNotFound;
    const std::uint32_t needed = static_cast<std::uint32_t>(valueData.size());
    *type = valueType;
    if (data == nullptr) {
        *size = needed;
        return 0;
    }
    if (*size < needed) {
        *size = needed;
        return kMoreData;
    }
    if (needed != 0) std::memcpy(data, valueData.data(), needed);
    *size = needed;
    return 0;
}

void MemoryLanguageNameStore::Close() { calls.push_back("close"); }

MemoryLanguageNameStore& HostLanguageNameStore() {
    static MemoryLanguageNameStore store;
    return store;
}
