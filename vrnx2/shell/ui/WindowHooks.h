#pragma once
// Connects the main window's actions to the windows they open.

namespace vrnx2 {

class TVRNX_Form;

void ConnectWindows(TVRNX_Form& form);

}  // namespace vrnx2
