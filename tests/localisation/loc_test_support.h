// Shared helpers of the localisation tests: the platform layer of the build
// (host stand-ins natively, the real Win32 calls under Wine), temporary
// folders, and files written byte by byte so that encodings and line ends
// are exactly what each test says.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "localisation/localisation_platform.h"

#ifdef _WIN32
#include "localisation/win32/win32_platform.h"
inline const LocalisationPlatform& TestPlatform() { return Win32LocalisationPlatform(); }
#else
#include "localisation/host/host_platform.h"
inline const LocalisationPlatform& TestPlatform() { return HostLocalisationPlatform(); }
#endif

namespace loctest {

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir() {
        static std::mt19937 seeds(std::random_device{}());
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            dir_ = base / ("qf-loc-" + std::to_string(seeds()));
            if (std::filesystem::create_directory(dir_)) break;
        }
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return dir_; }
    std::wstring File(const std::string& name) const { return (dir_ / name).wstring(); }

    // Writes the bytes exactly as given; returns the file's path.
    std::wstring Write(const std::string& name, const std::string& bytes) const {
        const auto path = dir_ / name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path.wstring();
    }

private:
    std::filesystem::path dir_;
};

// The UTF-16LE bytes of `text` (one element = one UTF-16 unit), with the
// FF FE mark unless told otherwise.
inline std::string Utf16Le(const std::wstring& text, bool mark = true) {
    std::string bytes = mark ? std::string("\xFF\xFE", 2) : std::string();
    for (wchar_t c : text) {
        const std::uint32_t unit = static_cast<std::uint32_t>(c) & 0xFFFF;
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

// Each byte of an ASCII string as a wide character.
inline std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace loctest
