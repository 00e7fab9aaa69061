// The main program's command vocabulary: menu command ids, switches and the
// actions a countdown can end in. Free of Win32 so it builds and tests anywhere.
#pragma once
#include <cstdint>

#include "resources/resource.h"

// 16-bit menu command id; 0 means no command.
using CommandId = std::uint16_t;

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

// Matches the whole command tail exactly (code unit by code unit, case
// sensitive) against the switch table; 0 when nothing matches or tail is null.
CommandId CommandFromSwitch(const wchar_t* tail);

// Length of the countdown a timer command starts, in seconds; 0 for any other
// command.
int TimerSeconds(CommandId command);
