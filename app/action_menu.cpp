// The action menu: a localised popup at the mouse cursor, owned by a hidden
// window for as long as it is tracked.
#include "app/action_menu.h"

#include <powrprof.h>

#include "app/main_wnd.h"
#include "localisation/language_manager.h"

CommandId ShowActionMenu(HINSTANCE instance) {
    // A failed query leaves the record zero, which greys both power items.
    SYSTEM_POWER_CAPABILITIES capabilities;
    ZeroMemory(&capabilities, sizeof capabilities);
    GetPwrCapabilities(&capabilities);

    CMainWnd owner;
    const RECT origin = {0, 0, 0, 0};
    if (owner.Create(nullptr, origin, L"Quietfall", CMainWnd::kStyle, 0) == nullptr)
        return 0;
    SetFocus(owner.m_hWnd);

    HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_ACTIONMENU));
    if (menu == nullptr) {
        owner.DestroyWindow();
        return 0;
    }
    HMENU popup = GetSubMenu(menu, 0);

    // The menu opens where the cursor is now, before the texts are replaced.
    POINT at = {0, 0};
    GetCursorPos(&at);
    g_languageManager.LocalizeMenu(popup);

    if (!capabilities.HiberFilePresent)
        EnableMenuItem(popup, IDM_HIBERNATE, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
    if (!capabilities.SystemS1 && !capabilities.SystemS2 && !capabilities.SystemS3)
        EnableMenuItem(popup, IDM_SUSPEND, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);

    const BOOL chosen =
        TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner.m_hWnd, nullptr);

    DestroyMenu(menu);
    owner.DestroyWindow();
    return static_cast<CommandId>(chosen);
}
