// System functions that only some runs of a program need, from libraries
// loaded the first time one of them is called rather than when the program
// starts. Under Wine, loading the shell library (and what it pulls in) at
// start-up costs more than all the rest of what Quietfall does before its
// menu is on screen, and most runs never open a page.
#pragma once
#include <windows.h>

namespace qf_framework {

// The address of `function` in the system library `library` (a file name
// such as L"comctl32.dll"), loading the library if needed; null when either
// cannot be had. A library loaded here stays loaded.
FARPROC SystemFunction(const wchar_t* library, const char* function);

// ShellExecuteW of shell32.dll, with its arguments and result; 0 (a failure)
// when the shell library cannot be loaded.
HINSTANCE ShellExecuteOnDemand(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                               const wchar_t* directory, int show);

}  // namespace qf_framework
