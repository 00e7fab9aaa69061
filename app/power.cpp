#include "app/power.h"

#include <windows.h>
#include <powrprof.h>

namespace {

using OpenProcessTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
using LookupPrivilegeValueWFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, PLUID);
using AdjustTokenPrivilegesFn = BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD,
                                              PTOKEN_PRIVILEGES, PDWORD);

template <typename Fn>
Fn Resolve(HMODULE module, const char* name) {
    // GetProcAddress hands back a generic FARPROC; the cast names the real type.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

void EnableShutdownPrivilege() {
    // Resolved at run time so that a system without these entry points still
    // carries the command out; the system may then refuse it.
    HMODULE advapi = LoadLibraryW(L"advapi32.dll");
    if (advapi == nullptr)
        return;

    auto openProcessToken = Resolve<OpenProcessTokenFn>(advapi, "OpenProcessToken");
    auto lookupPrivilegeValue = Resolve<LookupPrivilegeValueWFn>(advapi, "LookupPrivilegeValueW");
    auto adjustTokenPrivileges = Resolve<AdjustTokenPrivilegesFn>(advapi, "AdjustTokenPrivileges");

    if (openProcessToken && lookupPrivilegeValue && adjustTokenPrivileges) {
        HANDLE token = nullptr;
        if (openProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
            TOKEN_PRIVILEGES privileges = {};
            if (lookupPrivilegeValue(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
                privileges.PrivilegeCount = 1;
                privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
                adjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
            }
            CloseHandle(token);
        }
    }
    FreeLibrary(advapi);
}

void PowerOff() { ExitWindowsEx(EWX_POWEROFF, 0); }
void ForcedPowerOff() { ExitWindowsEx(EWX_POWEROFF | EWX_FORCE, 0); }
void LogOff() { ExitWindowsEx(EWX_LOGOFF, 0); }
void Restart() { ExitWindowsEx(EWX_REBOOT, 0); }
void Hibernate() { SetSuspendState(TRUE, FALSE, TRUE); }
void Suspend() { SetSuspendState(FALSE, FALSE, FALSE); }

void PerformCountdownAction(CountdownMethod method) {
    switch (method) {
    case kMethodShutdown: ForcedPowerOff(); break;
    case kMethodLogoff: LogOff(); break;
    case kMethodRestart: Restart(); break;
    case kMethodHibernate: Hibernate(); break;
    case kMethodSuspend: Suspend(); break;
    default: break;
    }
}
