// The few operating-system services the language files need.
//
// The parsing and text logic of the localisation subsystem is portable; it
// reaches the platform only through this interface.  The Win32 build supplies
// an implementation that makes the real kernel32/msvcrt calls
// (localisation/win32/), the host build one written in standard C++
// (localisation/host/) so the same code and unit tests run natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// A block of bytes read from a file: the file's bytes followed by two zero
// bytes, so that the text is terminated in either encoding.
struct FileBytes {
    std::unique_ptr<unsigned char[]> data;
    std::size_t size = 0;  // byte count of the file, without the two zeros
};

enum class FileReadStatus {
    Ok,          // read whole (size may be 0)
    CannotOpen,  // missing or unopenable
    TooLarge,    // above the caller's limit
    NoMemory,    // the read buffer could not be allocated
    ReadFailed,  // the read failed or delivered fewer bytes
};

class LocalisationPlatform {
public:
    // Opens the file for shared reading (only if it exists, sequential-scan
    // hint), takes its size, refuses it above maxBytes, and reads it whole in
    // one call into a zeroed buffer of size + 2 bytes.
    virtual FileReadStatus ReadWholeFile(const std::wstring& path, std::uint32_t maxBytes,
                                         FileBytes& out) const = 0;

    // Converts the zero-terminated 8-bit text (byteCount bytes before its
    // terminator at most) from codePage (0: the ANSI code page) to UTF-16.
    // false when the conversion fails.
    virtual bool DecodeCodePage(std::uint32_t codePage, const char* text, std::size_t byteCount,
                                std::wstring& out) const = 0;

    // The C library's wide-character space test, asked only for characters
    // above U+00FF (those below are fixed by the language-file rules).
    virtual bool IsSpaceAbove00FF(wchar_t c) const = 0;

    // Opens a file for reading in text mode (C stdio); null on failure.
    virtual std::FILE* OpenTextFile(const std::wstring& path) const = 0;

protected:
    ~LocalisationPlatform() = default;
};
