// The stand-in power library (tests/stubs/powrprof) is used by a copy of
// Quietfall.exe that has it beside it, once Wine is told to prefer a native
// powrprof.dll for Quietfall.exe. Wine does not take that choice from the
// environment of a child started by a Wine program, so it goes into the
// prefix's per-program settings for the time of a test suite.
#pragma once

namespace qf_test {

void UseStandInPowerLibrary(bool use);

}  // namespace qf_test
