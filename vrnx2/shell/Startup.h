#pragma once
// Start-up decisions that need no windows: the reset switch and the reset itself.

#include <string>
#include <vector>

namespace vrnx2 {

// True when `args` (without the program name) hold "I" introduced by "-" or "/", in either
// letter case. Every other argument is ignored.
bool HasResetSwitch(const std::vector<std::string>& args);

// Deletes the program's whole settings tree and reports it through the user interface
// (text 028, caption 029). Returns the exit code: 0, or 1 when the store could not be
// changed (then an error box says why instead).
int ResetSettings();

}  // namespace vrnx2
