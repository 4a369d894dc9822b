#pragma once
// The builder windows as the main window opens them.

#include "vrnx2/settings/Records.h"

class QWidget;

namespace vrnx2 {

// Shows the registration window modally; true when an Apply stored a changed list (the
// profiles must then be reloaded).
bool OpenBuilderRegistration(QWidget* parent);
// Shows the selection dialog modally; true with `chosen` filled (Number = the builder's
// stored position) when a builder was chosen with OK.
bool SelectBuilder(QWidget* parent, TBuilderRec& chosen);

}  // namespace vrnx2
