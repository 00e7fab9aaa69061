#include "localisation/language_selection.h"

#include <memory>
#include <new>

#include "localisation/language_manager.h"

bool ReadLanguageNameFrom(LanguageNameStore& store, std::wstring& value) {
    std::uint32_t type = kRegSz;
    std::uint32_t size = 0;
    store.QueryValue(&type, nullptr, &size);  // status not examined: size 0 means no value
    if (size == 0) return false;
    if (type != kRegSz && type != kRegExpandSz && type != kRegMultiSz) return false;

    const std::size_t bytes = static_cast<std::size_t>(size) + 2;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[bytes]());
    if (!buffer) return false;
    if (store.QueryValue(&type, buffer.get(), &size) != 0) return false;

    // The text up to its first U+0000.  Only whole UTF-16 units inside the
    // buffer are read, so an odd-sized value cannot lead past its end.
    std::wstring text;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const wchar_t unit = static_cast<wchar_t>(buffer[i] | (buffer[i + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    value.swap(text);
    return true;
}

std::wstring ExeDirectoryCache::Get(ModulePathFn fetch, wchar_t separator) {
    if (!computed_) {
        buffer_[0] = 0;
        fetch(buffer_, static_cast<std::uint32_t>(kBufferChars));
        buffer_[kBufferChars - 1] = 0;  // a truncated path may lack its terminator
        wchar_t* last = nullptr;
        for (wchar_t* p = buffer_; *p != 0; ++p) {
            if (*p == separator) last = p;
        }
        // End the text right after the last separator (none: no directory).
        if (last) last[1] = 0;
        else buffer_[0] = 0;
        computed_ = true;
    }
    return buffer_;
}

int SetupLanguageWith(LanguageManager& manager, const std::wstring& exeDirectory, LanguageNameStore& store,
                      const std::wstring& langSubdir) {
    const std::wstring fallbackPath = exeDirectory + langSubdir + L"English.ini";
    std::wstring chosenPath;
    const bool opened = store.Open();
    if (opened) {
        std::wstring name;
        if (ReadLanguageNameFrom(store, name)) chosenPath = exeDirectory + langSubdir + name + L".ini";
    }
    manager.Load(chosenPath, fallbackPath, std::wstring());
    if (opened) store.Close();
    return 1;
}
