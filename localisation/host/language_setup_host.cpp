// The host side of the language choice: the global language manager over the
// host stand-ins, the executable directory from /proc/self/exe, and the
// in-memory registry store.
#include "localisation/language_setup.h"

#include <unistd.h>

#include <string>

#include "localisation/host/host_platform.h"
#include "localisation/language_manager.h"
#include "localisation/language_selection.h"

LanguageManager g_languageManager(HostLocalisationPlatform());

namespace {

ExeDirectoryCache g_exeDirectory;

void FetchModulePath(wchar_t* buffer, std::uint32_t chars) {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::uint32_t out = 0;
    if (length > 0) {
        // The executable's path is taken byte for byte (ASCII paths here).
        for (ssize_t i = 0; i < length && out + 1 < chars; ++i) buffer[out++] = static_cast<unsigned char>(path[i]);
    }
    buffer[out] = 0;
}

}  // namespace

std::wstring GetExeDirectory() { return g_exeDirectory.Get(FetchModulePath, L'/'); }

int SetupLanguage() { return SetupLanguageWith(g_languageManager, GetExeDirectory(), HostLanguageNameStore(), L"lang/"); }
