// Menu localisation: every item's resource text is a key of section "MENU".
#include "localisation/language_manager.h"

void LanguageManager::LocalizeMenu(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    if (count <= 0) return;

    wchar_t key[1024];
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_SUBMENU;

    for (int position = 0; position < count; ++position) {
        // An item whose text cannot be fetched (a separator) gives an empty
        // key, which no language file can hold.
        key[0] = 0;
        GetMenuStringW(menu, static_cast<UINT>(position), key, 1024, MF_BYPOSITION);
        const UINT id = GetMenuItemID(menu, position);  // -1 for an item that opens a sub-menu

        const std::wstring text = MenuText(key);
        if (!text.empty()) {
            ModifyMenuW(menu, static_cast<UINT>(position), MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(id),
                        text.c_str());
        }
        if (GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) && info.hSubMenu != nullptr) {
            LocalizeMenu(GetSubMenu(menu, position));
        }
    }
}
