#pragma once

#include <optional>

namespace tarvolk::dmx_test {

// "Tarvolk_DMX-Test.exe /Bericht DATEI" writes the support report to DATEI
// without a window, for an administrator's script, and needs no plug-in.
// Returns the exit code when the command line asks for that (0 written, 1
// not, the reason in German on the standard error stream) or for anything
// else (1, with how to call it); nothing for an empty command line, which
// opens the window.
std::optional<int> RunCommandLine();

}  // namespace tarvolk::dmx_test
