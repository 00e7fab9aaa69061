// The rule by which a program's command tail follows from its command line:
// the program's name ends at the first character at or below U+0020 outside
// double quotes (each quote toggles), then every character from U+0001 to
// U+0020 is skipped; what is left is the tail. The C runtime derives the
// lpCmdLine of wWinMain this way; command_tail_test checks it against this
// rule under Wine, and the command_tail fuzz target checks the rule itself.
#pragma once

#include <string>

inline std::wstring CommandTailOf(const std::wstring& commandLine) {
    std::size_t i = 0;
    bool quoted = false;
    while (i < commandLine.size() && (commandLine[i] > L' ' || quoted)) {
        if (commandLine[i] == L'"')
            quoted = !quoted;
        ++i;
    }
    while (i < commandLine.size() && commandLine[i] >= 1 && commandLine[i] <= 0x20)
        ++i;
    return commandLine.substr(i);
}
