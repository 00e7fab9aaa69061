// Entry point of Quietfall: one command per start, from a switch or the menu.
#include <windows.h>
#include <shellapi.h>

#include "app/action_menu.h"
#include "app/commands.h"
#include "app/power.h"
#include "countdown/time_dlg.h"
#include "localisation/language_manager.h"
#include "localisation/language_setup.h"

namespace {

void RunCountdown(int seconds) {
    CTimeDlg dialog;
    dialog.m_nRemain = seconds;
    if (dialog.RunModal(GetActiveWindow()) == 1)
        PerformCountdownAction(dialog.m_nMethod);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int) {
    SetupLanguage();

    CommandId command = CommandFromSwitch(lpCmdLine);
    if (command == 0)
        command = ShowActionMenu(hInstance);

    // Enabled for every command, the dismissed menu included, and before a
    // countdown opens: nothing enables it later.
    EnableShutdownPrivilege();

    switch (command) {
    case IDM_SHUTDOWN: PowerOff(); break;
    case IDM_LOGOFF: LogOff(); break;
    case IDM_RESTART: Restart(); break;
    case IDM_HIBERNATE: Hibernate(); break;
    case IDM_SUSPEND: Suspend(); break;
    case IDM_HELP_PAGE:
        ShellExecuteW(nullptr, L"open", g_languageManager.GetText(L"URL_HELP"), nullptr, nullptr,
                      SW_SHOWNORMAL);
        break;
    case IDM_SHUTDOWN_10M:
    case IDM_SHUTDOWN_30M:
    case IDM_SHUTDOWN_60M:
    case IDM_SHUTDOWN_120M: RunCountdown(TimerSeconds(command)); break;
    default: break;
    }
    return 0;
}
