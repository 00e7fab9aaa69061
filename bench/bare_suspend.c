/* Baseline for "Quietfall /suspend": a program that only asks for a suspend.
   Built with the same compiler and flags as Quietfall. */
#include <windows.h>
#include <powrprof.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR tail, int show) {
    (void)instance;
    (void)previous;
    (void)tail;
    (void)show;
    SetSuspendState(FALSE, FALSE, FALSE);
    return 0;
}
