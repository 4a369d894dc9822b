#pragma once
// The OK and Cancel buttons at the foot of a dialog.

class QDialog;
class QHBoxLayout;
class QPushButton;

namespace vrnx2 {

struct DialogButtons {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QHBoxLayout* row = nullptr;  // right-aligned, to add to the dialog's layout
};

// OK (named "OK", the default button, accepts) and Cancel (named `cancelName`, rejects) with
// the captions of messages 040 and 041.
DialogButtons MakeOkCancel(QDialog* dialog, const char* cancelName);

}  // namespace vrnx2
