// Writes the lpCmdLine it received, as UTF-16, to the file named by
// QF_PROBE_OUT, so a test can compare it with the command line it passed.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR lpCmdLine, int) {
    wchar_t path[MAX_PATH];
    if (!GetEnvironmentVariableW(L"QF_PROBE_OUT", path, MAX_PATH))
        return 2;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    const DWORD bytes = lpCmdLine ? static_cast<DWORD>(lstrlenW(lpCmdLine) * sizeof(wchar_t)) : 0;
    if (lpCmdLine == nullptr)
        WriteFile(file, "N", 1, &written, nullptr);  // marks a null tail
    else
        WriteFile(file, lpCmdLine, bytes, &written, nullptr);
    CloseHandle(file);
    return 0;
}
