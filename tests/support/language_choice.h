// The registry value by which a user chooses Quietfall's language
// (HKCU\Software\Quietfall, langFileName), for the Wine tests that set it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace qf_test {

// Keeps the value as it is when made (of whatever type, or its absence) and
// puts it back when destroyed.
class SavedLanguageChoice {
public:
    SavedLanguageChoice() {
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return;
        DWORD size = 0;
        if (RegQueryValueExW(key, kValue, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            data_.resize(size);
            had_ = RegQueryValueExW(key, kValue, nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
        }
        RegCloseKey(key);
    }
    ~SavedLanguageChoice() {
        if (had_)
            Set(type_, data_.data(), static_cast<DWORD>(data_.size()));
        else
            Remove();
    }
    SavedLanguageChoice(const SavedLanguageChoice&) = delete;
    SavedLanguageChoice& operator=(const SavedLanguageChoice&) = delete;

    // Any type and bytes, exactly as given.
    static bool Set(DWORD type, const void* data, DWORD bytes) {
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return false;
        const bool set =
            RegSetValueExW(key, kValue, 0, type, static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS;
        RegCloseKey(key);
        return set;
    }
    // A REG_SZ naming lang\<name>.ini.
    static bool SetString(const std::wstring& name) {
        return Set(REG_SZ, name.c_str(), static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
    }
    static void Remove() {
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            return;
        RegDeleteValueW(key, kValue);
        RegCloseKey(key);
    }
    // False when there is no value; one of another type than REG_SZ reads
    // as "<not REG_SZ>".
    static bool Read(std::wstring& name) {
        wchar_t data[256] = {};
        DWORD size = sizeof data - sizeof(wchar_t), type = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS)
            return false;
        name = type == REG_SZ ? std::wstring(data) : L"<not REG_SZ>";
        return true;
    }

private:
    static constexpr const wchar_t* kKey = L"Software\\Quietfall";
    static constexpr const wchar_t* kValue = L"langFileName";

    bool had_ = false;
    DWORD type_ = 0;
    std::vector<BYTE> data_;
};

}  // namespace qf_test
