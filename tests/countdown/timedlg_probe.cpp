// Runs the countdown dialog in a program that carries no dialog template and
// returns what RunModal gave (as the exit code), so a test can see the
// failure path of a dialog that cannot be created.
#include <windows.h>

#include "countdown/time_dlg.h"
#include "localisation/language_setup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    SetupLanguage();
    CTimeDlg dialog;
    dialog.m_nRemain = 600;
    return static_cast<int>(dialog.RunModal(nullptr));
}
