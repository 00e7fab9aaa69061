#include "tests/support/power_standin.h"

#include <windows.h>

#include <string>

namespace qf_test {

void UseStandInPowerLibrary(bool use) {
    const std::wstring app = L"Software\\Wine\\AppDefaults\\Quietfall.exe";
    if (!use) {
        RegDeleteTreeW(HKEY_CURRENT_USER, app.c_str());
        return;
    }
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (app + L"\\DllOverrides").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    const wchar_t order[] = L"native,builtin";
    RegSetValueExW(key, L"powrprof", 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
    RegCloseKey(key);
}

}  // namespace qf_test
