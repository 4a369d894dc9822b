#pragma once
// The main window's entry to the profile build options dialog.

class QWidget;

namespace vrnx2 {

struct TProfileRec;

// Shows the build options of `profile` modally over `parent`, with the computer's optical
// drives to choose from. On OK the edited options replace those of `profile` and the result
// is true; on Cancel `profile` is left as it was.
bool OpenProfileOptions(QWidget* parent, TProfileRec& profile);

}  // namespace vrnx2
