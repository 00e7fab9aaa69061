// Warmlink: drops one URL from the internet cache and downloads it into the
// cache again, so that the next reader finds a fresh copy.
#include <windows.h>
#include <urlmon.h>
#include <wininet.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR lpCmdLine, int) {
    // The whole command tail is the URL, quotes and inner blanks included.
    if (lstrlenW(lpCmdLine) == 0) {
        MessageBoxW(nullptr, L"Usage: Warmlink.exe [URL TO TOUCH]", L"Warmlink", MB_OK);
        return 1;
    }

    wchar_t cacheFile[MAX_PATH] = {};
    DeleteUrlCacheEntryW(lpCmdLine);
    const HRESULT result = URLDownloadToCacheFileW(nullptr, lpCmdLine, cacheFile, MAX_PATH, 0, nullptr);
    return FAILED(result) ? 1 : 0;
}
