#pragma once
// Connects the main window's actions to the windows they open.

class TVRNX_Form;

void ConnectWindows(TVRNX_Form& form);
