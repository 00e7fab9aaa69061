// Runs a copy of Quietfall.exe beside the stand-in power library and lets a
// test use its action menu from outside, as a person would.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/gui.h"
#include "tests/support/harness.h"
#include "tests/support/power_standin.h"

namespace qf_menu_test {

// What one run of the program did.
struct Outcome {
    bool started = false;
    bool menuShown = false;
    RECT menuRect = {};
    bool exited = false;
    DWORD exitCode = STILL_ACTIVE;
    bool leftWindows = false;               // a window of it still showed after the menu closed
    std::vector<qf_test::RelayCall> calls;
    std::string powerLog;                   // the stand-in's record of SetSuspendState
};

// Folder with Quietfall.exe, lang\English.ini and the stand-in powrprof.dll.
class MenuSandbox {
public:
    MenuSandbox();
    ~MenuSandbox();
    MenuSandbox(const MenuSandbox&) = delete;
    MenuSandbox& operator=(const MenuSandbox&) = delete;

    bool Ready() const { return ready_; }
    std::wstring Exe() const { return dir_ + L"Quietfall.exe"; }

    // Starts the program with `tail` (empty: the menu) and capabilities
    // `power` (the stand-in's QF_TEST_POWER). When the menu shows, `drive`
    // gets the program and the menu window; afterwards the program must end
    // on its own within 15 s, else it is killed. A countdown dialog that
    // opens is handed to `onDialog` (when given) or cancelled.
    Outcome Run(const std::wstring& power, const std::function<void(qf_test::Program&, HWND)>& drive,
                const std::wstring& tail = L"",
                const std::function<void(qf_test::Program&, HWND)>& onDialog = nullptr);

private:
    std::wstring dir_;
    bool ready_ = false;
};

// Lets every Quietfall.exe of the prefix load a powrprof.dll from its own
// folder (Wine's per-program DLL overrides; the variable WINEDLLOVERRIDES
// given to a child started from a Wine process is not honoured). Programs
// without one beside them still get Wine's own. false removes the setting.

// The functions the menu tests trace.
const std::vector<std::wstring>& TracedFunctions();

// Number of calls that carry out a command.
size_t CountActions(const Outcome& outcome);

}  // namespace qf_menu_test
