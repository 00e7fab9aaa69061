// How quickly Quietfall starts, under Wine: the time from CreateProcessW to
// the end of a run that acts on a switch, and to the moment its menu is on
// screen. The baseline, measured in the same run, is a bare program built
// with the same compiler and runtime that only returns (tail_probe.exe), so
// the figures show what Quietfall adds to starting any program.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "tests/support/harness.h"

using namespace qf_test;

namespace {

constexpr int kRuns = 15;

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Median of kRuns timings of `once`, which returns a time in ms (< 0: failed).
double Median(const std::function<double()>& once) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const double t = once();
        if (t >= 0)
            times.push_back(t);
    }
    if (times.empty())
        return -1;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double UntilExit(const std::wstring& exe, const std::wstring& tail, const LaunchOptions& options) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    Program program;
    if (!program.Start(exe, L"\"" + exe + L"\"" + tail, options) || !program.WaitForExit(20000))
        return -1;
    QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

double UntilMenu(const std::wstring& exe) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    Program program;
    if (!program.Start(exe, L"\"" + exe + L"\""))
        return -1;
    HWND menu = nullptr;
    while (!menu && program.Running()) {
        menu = program.FindWindowOf(L"#32768");
        if (!menu)
            Sleep(1);
    }
    QueryPerformanceCounter(&end);
    if (menu) {
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(menu, WM_KEYUP, VK_ESCAPE, 0);
    }
    program.WaitForExit(20000);
    return menu ? Milliseconds(start, end) : -1;
}

void Report(const char* what, double ms, double baseline) {
    if (ms < 0)
        std::printf("%-44s failed\n", what);
    else
        std::printf("%-44s %8.1f ms  (%+7.1f ms, x%.2f against the baseline)\n", what, ms, ms - baseline,
                    ms / baseline);
}

}  // namespace

int main() {
    const std::wstring bin = BinDir();
    const std::wstring dir = MakeTempDir(L"bench");
    const std::wstring out = dir + L"tail.bin";
    const LaunchOptions probeOptions{false, {}, {{L"QF_PROBE_OUT", out}}};

    // One run of each first, so that no figure pays for loading Wine's DLLs.
    UntilExit(bin + L"tail_probe.exe", L"", probeOptions);
    UntilExit(bin + L"Quietfall.exe", L" /suspend", {});

    std::printf("Start-up under Wine, median of %d runs\n", kRuns);
    const double baseline = Median([&] { return UntilExit(bin + L"tail_probe.exe", L"", probeOptions); });
    std::printf("%-44s %8.1f ms\n", "baseline: bare program, start to exit", baseline);
    Report("Quietfall /suspend, start to exit", Median([&] { return UntilExit(bin + L"Quietfall.exe", L" /suspend", {}); }),
           baseline);
    Report("Quietfall, start to menu on screen", Median([&] { return UntilMenu(bin + L"Quietfall.exe"); }), baseline);
    RemoveTree(dir);
    return 0;
}
