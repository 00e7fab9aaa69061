// The action a countdown ends in: chosen in the countdown dialog, carried out
// by the program's entry point after the dialog has run out. Free of Win32.
#pragma once
#include <cstdint>

// Index of the action chosen in the countdown dialog; also the index of its
// entry in the dialog's action list.
using CountdownMethod = std::int32_t;
enum : CountdownMethod {
    kMethodShutdown = 0,   // forced power-off
    kMethodLogoff = 1,
    kMethodRestart = 2,
    kMethodHibernate = 3,
    kMethodSuspend = 4,
};
