#pragma once
// The entry to the plugin window, for the profile dialogs and the main window.

class QWidget;

namespace vrnx2 {

struct TProfileRec;

// Shows the plugin window of `profile` modally over `parent`: `edit` false for a new
// profile (the name is still to be chosen), true for an existing one. Returns true when the
// person confirmed (OK, or Apply before Cancel); `profile` then carries the chosen name and
// Manage Order.
bool OpenPluginWindow(QWidget* parent, TProfileRec& profile, bool edit);

}  // namespace vrnx2
