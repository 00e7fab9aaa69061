// Stand-in until the countdown dialog lands: it fails to open (-1), so a
// timer command performs nothing.
#pragma once
#include <windows.h>

#include "app/commands.h"

class CTimeDlg {
public:
    int m_nRemain = 0;
    CountdownMethod m_nMethod = kMethodShutdown;

    INT_PTR RunModal(HWND) { return -1; }
};
