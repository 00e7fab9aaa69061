// The command tail and the switch table on any command line.
//
// Input: bytes as UTF-16 units, one byte per unit, except that a byte FF
// takes the next two bytes as one unit (little-endian); the line ends at its
// first U+0000, as a command line does.
//
// Properties:
//  - the tail is a suffix of the command line and is empty or begins above
//    U+0020; what it leaves off is a name (no character at or below U+0020
//    outside double quotes) followed only by U+0001..U+0020;
//  - a tail put after a plain name, or a quoted name with blanks in it, and
//    a tab or blanks, comes back unchanged;
//  - CommandFromSwitch of the tail, and of the raw line, is the command of
//    the switch equal to it code unit for code unit, else 0;
//  - each switch after the name found here gives its command; the same
//    switch with one letter in the other case, or with anything after it,
//    gives 0.
#include <cstdint>
#include <string>

#include "app/commands.h"
#include "tests/app/command_tail_rule.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

struct Switch {
    const wchar_t* text;
    CommandId command;
};
const Switch kSwitches[] = {
    {L"/shutdown", IDM_SHUTDOWN}, {L"/logoff", IDM_LOGOFF},   {L"/logout", IDM_LOGOFF},
    {L"/restart", IDM_RESTART},   {L"/reboot", IDM_RESTART},  {L"/hibernate", IDM_HIBERNATE},
    {L"/suspend", IDM_SUSPEND},
};

CommandId ModelCommand(const std::wstring& tail) {
    for (const Switch& s : kSwitches)
        if (tail == s.text) return s.command;
    return 0;
}

std::wstring CommandLine(const std::uint8_t* data, std::size_t size) {
    std::wstring line;
    for (std::size_t i = 0; i < size; ++i) {
        wchar_t unit = data[i];
        if (data[i] == 0xFF && i + 2 < size) {
            unit = static_cast<wchar_t>(data[i + 1] | (data[i + 2] << 8));
            i += 2;
        }
        if (unit == 0) break;
        line.push_back(unit);
    }
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    const std::wstring line = CommandLine(data, size);
    const std::wstring tail = CommandTailOf(line);

    FUZZ_CHECK(tail.size() <= line.size());
    const std::wstring head = line.substr(0, line.size() - tail.size());
    FUZZ_CHECK(line.compare(head.size(), std::wstring::npos, tail) == 0);
    FUZZ_CHECK(tail.empty() || tail[0] > 0x20);
    std::size_t nameEnd = head.size();
    while (nameEnd > 0 && head[nameEnd - 1] >= 1 && head[nameEnd - 1] <= 0x20) --nameEnd;
    bool quoted = false;
    for (std::size_t i = 0; i < nameEnd; ++i) {
        if (head[i] == L'"') quoted = !quoted;
        else FUZZ_CHECK(quoted || head[i] > 0x20);
    }
    // The name ends at the first blank outside quotes, so the blanks behind it
    // were all skipped only if the name was closed (or the line ended).
    FUZZ_CHECK(!quoted || tail.empty());

    if (tail.empty() || tail[0] > 0x20) {
        FUZZ_CHECK(CommandTailOf(L"q.exe " + tail) == tail);
        FUZZ_CHECK(CommandTailOf(L"\"C:\\Program Files\\q.exe\"\t\t" + tail) == tail);
    }

    FUZZ_CHECK(CommandFromSwitch(tail.c_str()) == ModelCommand(tail));
    FUZZ_CHECK(CommandFromSwitch(line.c_str()) == ModelCommand(line));
    if (!quoted && !head.empty() && head.back() <= 0x20) {
        for (const Switch& s : kSwitches) {
            const std::wstring exact = CommandTailOf(head + s.text);
            FUZZ_CHECK(exact == s.text);
            FUZZ_CHECK(CommandFromSwitch(exact.c_str()) == s.command);
            std::wstring other = exact;
            const std::size_t letter = 1 + (size % (other.size() - 1));
            other[letter] = static_cast<wchar_t>(other[letter] - L'a' + L'A');
            FUZZ_CHECK(CommandFromSwitch(other.c_str()) == 0);
            if (!tail.empty()) FUZZ_CHECK(CommandFromSwitch(CommandTailOf(head + s.text + L" " + tail).c_str()) == 0);
            FUZZ_CHECK(CommandFromSwitch((exact + tail.substr(0, 1)).c_str()) == ModelCommand(exact + tail.substr(0, 1)));
        }
    }
    return 0;
}
