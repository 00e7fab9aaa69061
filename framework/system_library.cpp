#include "framework/system_library.h"

namespace qf_framework {

FARPROC SystemFunction(const wchar_t* library, const char* function) {
    HMODULE module = GetModuleHandleW(library);
    if (module == nullptr)
        module = LoadLibraryW(library);
    return module ? GetProcAddress(module, function) : nullptr;
}

HINSTANCE ShellExecuteOnDemand(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                               const wchar_t* directory, int show) {
    using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    // GetProcAddress hands back a generic FARPROC; the cast names the real type.
    const auto shellExecute = reinterpret_cast<ShellExecuteFn>(
        reinterpret_cast<void*>(SystemFunction(L"shell32.dll", "ShellExecuteW")));
    return shellExecute ? shellExecute(owner, verb, file, parameters, directory, show) : nullptr;
}

}  // namespace qf_framework
