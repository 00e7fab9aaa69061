#pragma once
#include <windows.h>

#include "app/commands.h"

// Shows the localised action menu at the mouse cursor and returns the chosen
// command, or 0 when it was dismissed or could not be shown.
CommandId ShowActionMenu(HINSTANCE instance);
