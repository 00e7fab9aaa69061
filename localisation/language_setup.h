// Start-up choice of the language file: reads the per-user registry value
// "langFileName" (HKEY_CURRENT_USER\Software\Quietfall) and has
// g_languageManager load lang\<value>.ini beside lang\English.ini.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

// Chooses and loads the language files.  Always returns 1.
int SetupLanguage();

// Directory of the running program, ending with its separator ("\" on
// Windows); computed once per process.
std::wstring GetExeDirectory();

#ifdef _WIN32
// Reads "langFileName" of the open key as text (REG_SZ, REG_EXPAND_SZ
// unexpanded, first string of REG_MULTI_SZ); false otherwise.
bool ReadLanguageName(HKEY key, std::wstring& value);
#endif
