// The main program's command vocabulary: menu command ids and switches. Free
// of Win32 so it builds and tests anywhere. The actions a countdown can end
// in belong to the countdown (countdown/countdown_method.h).
#pragma once
#include <cstdint>

#include "resources/resource.h"

// 16-bit menu command id; 0 means no command.
using CommandId = std::uint16_t;

// Matches the whole command tail exactly (code unit by code unit, case
// sensitive) against the switch table; 0 when nothing matches or tail is null.
CommandId CommandFromSwitch(const wchar_t* tail);

// Length of the countdown a timer command starts, in seconds; 0 for any other
// command.
int TimerSeconds(CommandId command);
