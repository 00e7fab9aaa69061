// Prints what Windows reads from shortcut files, one line per file given:
//   <target>|<arguments>|<working folder>|<icon file>,<icon index>
// in UTF-8, or "unreadable" when the shortcut cannot be loaded.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(size - 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::string Describe(const wchar_t* file) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return "unreadable";
    std::string line = "unreadable";
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        if (SUCCEEDED(persist->Load(file, STGM_READ))) {
            wchar_t target[MAX_PATH] = L"", args[1024] = L"", dir[MAX_PATH] = L"", icon[MAX_PATH] = L"";
            int iconIndex = 0;
            link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
            link->GetArguments(args, 1024);
            link->GetWorkingDirectory(dir, MAX_PATH);
            link->GetIconLocation(icon, MAX_PATH, &iconIndex);
            line = Utf8(target) + "|" + Utf8(args) + "|" + Utf8(dir) + "|" + Utf8(icon) + "," +
                   std::to_string(iconIndex);
        }
        persist->Release();
    }
    link->Release();
    return line;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    CoInitialize(nullptr);
    for (int i = 1; i < argc; ++i)
        std::printf("%s\n", Describe(argv[i]).c_str());
    CoUninitialize();
    return 0;
}
