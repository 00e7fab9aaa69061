// Reads the resources of the built programs as Windows does: the version
// block, the manifests and the icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"
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

}  // namespace

TEST(Resources, QuietfallCarriesFileVersion1100) {
    const std::wstring exe = BinDir() + L"Quietfall.exe";
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length));
    EXPECT_EQ(info->dwFileVersionMS, MAKELONG(1, 1));
    EXPECT_EQ(info->dwFileVersionLS, 0u);
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\FileVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, L"1.1.0.0");
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
