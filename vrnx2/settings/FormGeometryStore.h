#pragma once
// A window's place, size and state under its key of the settings store, as the main window,
// the builder registration window and the plugin window keep them.

#include <string>

#include "vrnx2/base/FormGeometry.h"

namespace vrnx2 {

// Height, Width, Top, Left and FormState of `key`. Height and width default to those of
// `defaults`; Top and Left to centring the window on a screen of the given size. FormState 1
// is maximised, 2 minimised, anything else normal.
MainFormGeometry ReadFormGeometry(const std::string& key, const MainFormGeometry& defaults,
                                  int screenWidth, int screenHeight);
// FormState, and in the normal state the geometry as well; otherwise the last normal
// geometry stays for the next start.
void WriteFormGeometry(const std::string& key, const MainFormGeometry& geometry);

}  // namespace vrnx2
