#pragma once
// The main window's profile actions Add, Edit, Copy and Delete, with the real windows:
// the builder selection dialog and the plugin window.

namespace vrnx2 {

class TVRNX_Form;

void AddProfile(TVRNX_Form& form);
void EditProfile(TVRNX_Form& form);
void CopyProfile(TVRNX_Form& form);
void DeleteProfile(TVRNX_Form& form);

}  // namespace vrnx2
