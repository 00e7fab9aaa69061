// Choice of the language file, free of any platform API: the registry and
// the executable's path come in through small interfaces, so the Win32 code
// (localisation/win32/) and the host code plug in their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class LanguageManager;

// Value types of the registry, as the platform numbers them.
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegMultiSz = 7;

// The per-user store that names the language (HKEY_CURRENT_USER
// "Software\Quietfall", value "langFileName").
class LanguageNameStore {
public:
    // Opens the key for reading; false when it cannot be opened.
    virtual bool Open() = 0;
    // Queries "langFileName" of the open key, with the meaning of
    // RegQueryValueExW: data may be null (ask for type and size only);
    // returns 0 on success or an error code.
    virtual long QueryValue(std::uint32_t* type, unsigned char* data, std::uint32_t* size) = 0;
    // Closes the key opened by Open.
    virtual void Close() = 0;

protected:
    ~LanguageNameStore() = default;
};

// Reads "langFileName" of the open key: the text of a REG_SZ value, of a
// REG_EXPAND_SZ value (not expanded) or the first string of a REG_MULTI_SZ
// value.  false when there is no value, an empty one, another type, or the
// data cannot be fetched.
bool ReadLanguageNameFrom(LanguageNameStore& store, std::wstring& value);

// The executable directory, computed once into a 1040-unit buffer.
class ExeDirectoryCache {
public:
    static constexpr std::size_t kBufferChars = 1040;
    // Fills `buffer` (room for `chars` units) with the executable's full path,
    // the way GetModuleFileNameW(NULL, ...) does.
    using ModulePathFn = void (*)(wchar_t* buffer, std::uint32_t chars);

    // On the first call fetches the path and cuts it after its last
    // `separator`; later calls return the stored text.
    std::wstring Get(ModulePathFn fetch, wchar_t separator = L'\\');
    bool Computed() const { return computed_; }

private:
    wchar_t buffer_[kBufferChars] = {};
    bool computed_ = false;
};

// The steps of SetupLanguage: fallbackPath = exeDirectory + "lang\English.ini";
// chosenPath = exeDirectory + "lang\" + the registry value + ".ini" when the
// value can be read; then Load(chosen, fallback, "") and, once Load has
// returned, close the key.  Always 1.
int SetupLanguageWith(LanguageManager& manager, const std::wstring& exeDirectory, LanguageNameStore& store,
                      const std::wstring& langSubdir = L"lang\\");
