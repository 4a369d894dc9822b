#pragma once
// The main window's entries to the preferences dialog and the about box.

class QWidget;

namespace vrnx2 {

// Shows the preferences dialog modally over `parent`, filled from the store.
void OpenPreferences(QWidget* parent);
// Shows the about box modally over `parent`.
void OpenAbout(QWidget* parent);

}  // namespace vrnx2
