// Host stand-ins for the Win32 services behind the language files, so the
// portable code and its unit tests build and run natively:
//  - files: read with C stdio in binary mode, the size taken by seeking to
//    the end (instead of CreateFileW/GetFileSize/ReadFile);
//  - the ANSI code page (0) and 1252: Windows-1252, including its five
//    unassigned bytes passed through as the controls of the same value, as
//    MultiByteToWideChar does; 28591: ISO 8859-1; 65001: UTF-8 (each
//    ill-formed byte becomes U+FFFD); any other code page fails to convert;
//  - white space above U+00FF: iswspace in the current C locale (the "C"
//    locale unless the program changes it, where none is a space);
//  - wchar_t is 32 bits here, but every element holds one UTF-16 unit, just
//    as on Windows (surrogates are kept as two elements);
//  - paths: UTF-16 units turned into UTF-8 for fopen; directory separator "/";
//  - the per-user registry: MemoryLanguageNameStore, an in-memory key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "localisation/language_selection.h"
#include "localisation/localisation_platform.h"

const LocalisationPlatform& HostLocalisationPlatform();

// A UTF-16 path as the UTF-8 bytes that the host's file functions take.
std::string HostPathToUtf8(const std::wstring& path);

// Stands in for HKEY_CURRENT_USER\Software\Quietfall: the key may be absent;
// the value "langFileName" is raw bytes with a registry type, exactly as
// RegQueryValueExW would hand them out.
class MemoryLanguageNameStore final : public LanguageNameStore {
public:
    bool keyPresent = false;
    bool valuePresent = false;
    std::uint32_t valueType = kRegSz;
    std::vector<unsigned char> valueData;

    // Call log, for tests: "open", "query(size)", "query(data)", "close".
    std::vector<std::string> calls;

    void SetString(const std::wstring& text, std::uint32_t type = kRegSz);  // stored with its terminator
    void SetBytes(std::vector<unsigned char> bytes, std::uint32_t type);
    void RemoveValue();

    bool Open() override;
    long QueryValue(std::uint32_t* type, unsigned char* data, std::uint32_t* size) override;
    void Close() override;
};

// The store that the host build's SetupLanguage reads.
MemoryLanguageNameStore& HostLanguageNameStore();
