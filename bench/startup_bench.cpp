// How quickly Quietfall starts, under Wine, against bare programs built with
// the same compiler and flags in the same run:
// - start to visible menu: Quietfall without a switch against bare_menu.exe,
//   which only shows a popup menu owned by a hidden window;
// - start to exit of "/suspend": Quietfall against bare_suspend.exe, which
//   only calls SetSuspendState(FALSE, FALSE, FALSE). (A power-off is no
//   baseline under Wine: ending the Wine session costs more than the program.)
// The four kinds of start are interleaved, round after round, so that a slow
// spell of the machine falls on all of them alike; the figures are medians.
// Prints detail lines, then one "row" line per figure for scripts/bench.sh.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/harness.h"

using namespace qf_test;

namespace {

constexpr int kDefaultRounds = 51;
constexpr double kGoalRatio = 1.05;

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring Quoted(const std::wstring& exe) { return L"\"" + exe + L"\""; }

// Start to exit in ms; < 0 when the program did not start or end.
double UntilExit(const std::wstring& exe, const std::wstring& tail) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    Program program;
    if (!program.Start(exe, Quoted(exe) + tail) || !program.WaitForExit(20000))
        return -1;
    QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

// Start until the program's popup menu is on screen, in ms; the menu is then
// dismissed with Escape and the program waited for. < 0 on failure.
double UntilMenu(const std::wstring& exe) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    Program program;
    if (!program.Start(exe, Quoted(exe)))
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
    if (!program.WaitForExit(20000))
        program.Kill();
    return menu ? Milliseconds(start, end) : -1;
}

struct Series {
    const char* name;
    std::function<double()> once;
    std::vector<double> times;
    int failures = 0;

    double Quantile(double q) const {
        if (times.empty())
            return -1;
        std::vector<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        return sorted[static_cast<size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5)];
    }
    double Median() const { return Quantile(0.5); }
};

void Detail(const Series& s) {
    std::printf("  %-34s median %7.1f ms  (quartiles %6.1f .. %6.1f, %zu runs, %d failed)\n", s.name, s.Median(),
                s.Quantile(0.25), s.Quantile(0.75), s.times.size(), s.failures);
}

// figure, ours, unit, baseline's name, baseline, largest ratio that meets the goal
void Row(const char* figure, const Series& ours, const Series& baseline) {
    std::printf("row\t%s\t%.1f\tms\t%s\t%.1f\t<=\t%.2f\n", figure, ours.Median(), baseline.name, baseline.Median(),
                kGoalRatio);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRounds;
    const std::wstring bin = BinDir();
    const std::wstring quietfall = bin + L"Quietfall.exe";

    Series series[] = {
        {"bare_suspend.exe", [&] { return UntilExit(bin + L"bare_suspend.exe", L""); }, {}},
        {"Quietfall.exe /suspend", [&] { return UntilExit(quietfall, L" /suspend"); }, {}},
        {"bare_menu.exe", [&] { return UntilMenu(bin + L"bare_menu.exe"); }, {}},
        {"Quietfall.exe (menu)", [&] { return UntilMenu(quietfall); }, {}},
    };
    constexpr int kSeries = sizeof series / sizeof series[0];

    // One start of each first, so that no figure pays for Wine loading its
    // own DLLs into the cache.
    for (Series& s : series)
        s.once();

    for (int round = 0; round < rounds; ++round) {
        // Each round starts with another of the four, so that none always
        // follows the same one.
        for (int k = 0; k < kSeries; ++k) {
            Series& s = series[(round + k) % kSeries];
            const double t = s.once();
            if (t >= 0)
                s.times.push_back(t);
            else
                ++s.failures;
        }
    }

    std::printf("Start-up under Wine: %d interleaved rounds\n", rounds);
    for (const Series& s : series)
        Detail(s);
    Row("start to exit of \"/suspend\"", series[1], series[0]);
    Row("start to visible menu", series[3], series[2]);
    return 0;
}
