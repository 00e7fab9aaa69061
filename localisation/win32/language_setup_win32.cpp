// The Win32 side of the language choice: the global language manager, the
// executable directory and the registry value.
#include "localisation/language_setup.h"

#include "localisation/language_manager.h"
#include "localisation/language_selection.h"
#include "localisation/win32/win32_platform.h"

LanguageManager g_languageManager(Win32LocalisationPlatform());

namespace {

ExeDirectoryCache g_exeDirectory;  // zero-initialised: not computed yet

void FetchModulePath(wchar_t* buffer, std::uint32_t chars) { GetModuleFileNameW(nullptr, buffer, chars); }

// "langFileName" of an already open key.
class KeyValueReader : public LanguageNameStore {
public:
    explicit KeyValueReader(HKEY key) : key_(key) {}
    bool Open() override { return key_ != nullptr; }
    long QueryValue(std::uint32_t* type, unsigned char* data, std::uint32_t* size) override {
        DWORD t = *type;
        DWORD s = *size;
        const LONG status = RegQueryValueExW(key_, L"langFileName", nullptr, &t, data, &s);
        *type = t;
        *size = s;
        return status;
    }
    void Close() override {}

protected:
    HKEY key_;
};

// HKEY_CURRENT_USER\Software\Quietfall, opened for reading.
class UserKeyReader final : public KeyValueReader {
public:
    UserKeyReader() : KeyValueReader(nullptr) {}
    bool Open() override {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Quietfall", 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        key_ = key;
        return true;
    }
    void Close() override {
        RegCloseKey(key_);
        key_ = nullptr;
    }
};

}  // namespace

std::wstring GetExeDirectory() { return g_exeDirectory.Get(FetchModulePath); }

bool ReadLanguageName(HKEY key, std::wstring& value) {
    if (key == nullptr) return false;
    KeyValueReader reader(key);
    return ReadLanguageNameFrom(reader, value);
}

int SetupLanguage() {
    UserKeyReader store;
    return SetupLanguageWith(g_languageManager, GetExeDirectory(), store);
}
