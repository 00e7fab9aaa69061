#include "app/commands.h"

#include <cwchar>

namespace {

struct SwitchEntry {
    const wchar_t* text;
    CommandId command;
};

// Searched in this order; the first exact match wins.
constexpr SwitchEntry kSwitches[] = {
    {L"/shutdown", IDM_SHUTDOWN},   {L"/logoff", IDM_LOGOFF},
    {L"/logout", IDM_LOGOFF},       {L"/restart", IDM_RESTART},
    {L"/reboot", IDM_RESTART},      {L"/hibernate", IDM_HIBERNATE},
    {L"/suspend", IDM_SUSPEND},
};

}  // namespace

CommandId CommandFromSwitch(const wchar_t* tail) {
    if (tail == nullptr || tail[0] == L'\0')
        return 0;
    for (const SwitchEntry& entry : kSwitches) {
        if (std::wcscmp(tail, entry.text) == 0)
            return entry.command;
    }
    return 0;
}

int TimerSeconds(CommandId command) {
    switch (command) {
    case IDM_SHUTDOWN_10M: return 600;
    case IDM_SHUTDOWN_30M: return 1800;
    case IDM_SHUTDOWN_60M: return 3600;
    case IDM_SHUTDOWN_120M: return 7200;
    default: return 0;
    }
}
