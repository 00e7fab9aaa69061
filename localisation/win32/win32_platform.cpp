#include "localisation/win32/win32_platform.h"

#include <windows.h>

#include <cwctype>
#include <new>

namespace {

class Win32Platform final : public LocalisationPlatform {
public:
    FileReadStatus ReadWholeFile(const std::wstring& path, std::uint32_t maxBytes, FileBytes& out) const override {
        out.data.reset();
        out.size = 0;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) return FileReadStatus::CannotOpen;
        const DWORD size = GetFileSize(file, nullptr);
        FileReadStatus status = FileReadStatus::Ok;
        if (size > maxBytes) {  // also INVALID_FILE_SIZE
            status = FileReadStatus::TooLarge;
        } else if (size != 0) {
            std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[size + 2]());
            if (!buffer) {
                status = FileReadStatus::NoMemory;
            } else {
                DWORD read = 0;
                if (!ReadFile(file, buffer.get(), size, &read, nullptr) || read != size) {
                    status = FileReadStatus::ReadFailed;
                } else {
                    out.data = std::move(buffer);
                    out.size = size;
                }
            }
        }
        CloseHandle(file);
        return status;
    }

    bool DecodeCodePage(std::uint32_t codePage, const char* text, std::size_t byteCount,
                        std::wstring& out) const override {
        // One UTF-16 unit per byte plus the terminator is always enough.
        std::wstring converted(byteCount + 1, L'\0');
        const int units = MultiByteToWideChar(codePage, 0, text, -1, &converted[0], static_cast<int>(byteCount + 1));
        if (units <= 0) return false;
        converted.resize(static_cast<std::size_t>(units) - 1);  // without the terminator
        out.swap(converted);
        return true;
    }

    bool IsSpaceAbove00FF(wchar_t c) const override { return std::iswspace(static_cast<wint_t>(c)) != 0; }

    std::FILE* OpenTextFile(const std::wstring& path) const override { return _wfopen(path.c_str(), L"rt"); }
};

}  // namespace

const LocalisationPlatform& Win32LocalisationPlatform() {
    static const Win32Platform platform;
    return platform;
}
