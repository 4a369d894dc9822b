#pragma once
// The OK, Apply and Cancel buttons at the foot of a dialog.

class QAction;
class QDialog;
class QHBoxLayout;
class QPushButton;
class QWidget;

namespace vrnx2 {

struct DialogButtons {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QHBoxLayout* row = nullptr;  // right-aligned, to add to the dialog's layout
};

// OK (named "OK", the default button, accepts) and Cancel (named `cancelName`, rejects) with
// the captions of messages 040 and 041.
DialogButtons MakeOkCancel(QDialog* dialog, const char* cancelName);

// The foot of a window that applies its changes: the buttons of the `ok` (default) and
// `apply` actions and Cancel ("CANCEL_Button", rejects), right-aligned, or after `leading`
// when one is given, which takes the rest of the row.
QHBoxLayout* MakeOkApplyCancel(QDialog* dialog, QAction* ok, QAction* apply,
                               QWidget* leading = nullptr);

}  // namespace vrnx2
