// Reads the resources of the built programs as Windows does: the version
// block, the manifests and the icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "version.h"  // made by CMake from the project's version, as are the manifests
#include "tests/support/harness.h"

using namespace qf_test;

namespace {

std::string ManifestOf(const std::wstring& exe) {
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return {};
    std::string text;
    if (HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        const char* data = static_cast<const char*>(LockResource(LoadResource(module, res)));
        text.assign(data, SizeofResource(module, res));
    }
    FreeLibrary(module);
    return text;
}

// The program's version block as Explorer reads it; empty when it has none.
std::string VersionBlockOf(const std::wstring& exe) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
    std::string block(size, '\0');
    if (size == 0 || !GetFileVersionInfoW(exe.c_str(), 0, size, block.data()))
        return {};
    return block;
}

// Its fixed part, or nullptr.
const VS_FIXEDFILEINFO* FixedInfoOf(std::string& block) {
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    return VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) ? info : nullptr;
}

// A string of its US English, Unicode table, or "(missing)".
std::wstring VersionString(std::string& block, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT chars = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &chars) || !value)
        return L"(missing)";
    return value;
}

}  // namespace

TEST(Resources, QuietfallCarriesFileVersion1100) {
    std::string block = VersionBlockOf(BinDir() + L"Quietfall.exe");
    ASSERT_FALSE(block.empty());
    const VS_FIXEDFILEINFO* info = FixedInfoOf(block);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->dwFileVersionMS, MAKELONG(1, 1));
    EXPECT_EQ(info->dwFileVersionLS, 0u);
    EXPECT_EQ(VersionString(block, L"FileVersion"), L"1.1.0.0");
}

TEST(Resources, ManifestsRunAsInvokerAndOnlyQuietfallAsksForCommonControls6) {
    const std::string quietfall = ManifestOf(BinDir() + L"Quietfall.exe");
    EXPECT_NE(quietfall.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(quietfall.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    const std::string warmlink = ManifestOf(BinDir() + L"Warmlink.exe");
    EXPECT_NE(warmlink.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_EQ(warmlink.find("Common-Controls"), std::string::npos);
}

TEST(Resources, BothProgramsCarryTheVersionInformationExplorerShows) {
    struct Expected {
        const wchar_t* exe;
        const wchar_t* internalName;
    };
    for (const Expected& program : {Expected{L"Quietfall.exe", L"Quietfall"}, Expected{L"Warmlink.exe", L"Warmlink"}}) {
        SCOPED_TRACE(Narrow(program.exe));
        std::string block = VersionBlockOf(BinDir() + program.exe);
        ASSERT_FALSE(block.empty());
        const VS_FIXEDFILEINFO* info = FixedInfoOf(block);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->dwFileVersionMS, MAKELONG(1, 1));
        EXPECT_EQ(info->dwFileVersionLS, 0u);
        EXPECT_EQ(info->dwProductVersionMS, MAKELONG(1, 1));
        EXPECT_EQ(info->dwProductVersionLS, 0u);

        auto text = [&](const wchar_t* name) { return VersionString(block, name); };
        EXPECT_EQ(text(L"FileVersion"), L"1.1.0.0");
        EXPECT_EQ(text(L"ProductVersion"), L"1.1.0.0");
        EXPECT_EQ(text(L"ProductName"), L"Quietfall");
        EXPECT_EQ(text(L"CompanyName"), L"Quietfall developers");
        EXPECT_EQ(text(L"LegalCopyright"), L"Copyright (C) 2026 Quietfall developers");
        EXPECT_EQ(text(L"OriginalFilename"), program.exe);
        EXPECT_EQ(text(L"InternalName"), program.internalName);
        // Explorer shows it as the file's description: what the program does.
        const std::wstring description = text(L"FileDescription");
        EXPECT_GT(description.size(), 15u) << Narrow(description);
        EXPECT_EQ(description.find(L"missing"), std::wstring::npos);
    }
}

TEST(Resources, ManifestsNameWindows7To11AndAskForSystemDpiAwareness) {
    for (const wchar_t* exe : {L"Quietfall.exe", L"Warmlink.exe"}) {
        SCOPED_TRACE(Narrow(exe));
        const std::string manifest = ManifestOf(BinDir() + exe);
        EXPECT_NE(manifest.find("version=\"" QF_VERSION_STRING "\""), std::string::npos);
        EXPECT_NE(manifest.find("<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">"),
                  std::string::npos);
        // Windows 7, 8, 8.1, and 10 (which Windows 11 also goes by).
        for (const char* id : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                               "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
            EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + id + "\"/>"), std::string::npos) << id;
        EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true"
                                "</dpiAware>"),
                  std::string::npos);
        EXPECT_NE(manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">"), std::string::npos);
    }
}

TEST(Resources, Icon107HasTheUsualSizes) {
    HMODULE module = LoadLibraryExW((BinDir() + L"Quietfall.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    for (int size : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(
            LoadImageW(module, MAKEINTRESOURCEW(IDI_QUIETFALL), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }

    // The icon group holds exactly these sizes; the 256 one is stored
    // PNG-compressed, the small ones as bitmaps.
    HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(IDI_QUIETFALL), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = dir + 6 + 14 * i;  // width, height, ..., bytes (4), id (2)
        const int size = entry[0] == 0 ? 256 : entry[0];
        sizes.push_back(size);
        const WORD id = *reinterpret_cast<const WORD*>(entry + 12);
        HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(id), RT_ICON);
        ASSERT_NE(image, nullptr) << size;
        const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, image)));
        const bool png = std::memcmp(bytes, "\x89PNG", 4) == 0;
        EXPECT_EQ(png, size == 256) << size;
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 256}));
    FreeLibrary(module);
}
