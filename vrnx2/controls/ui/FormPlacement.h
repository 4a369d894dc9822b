#pragma once

#include <QRect>
#include <QSize>

#include "vrnx2/base/FormGeometry.h"

class QWidget;

// The primary screen's available area; 1024 x 768 when there is no screen.
QRect PrimaryArea();
// Lays the form out and keeps it at least `least` and never below what its controls need.
void SetLeastSize(QWidget* form, QSize least);
// Moves the form to (left, top), or centres it on the primary screen when no screen would
// show a `probe`-sized window there: a place stored for a screen now gone would hide it.
void MoveOntoScreen(QWidget* form, int left, int top, QSize probe);
// The form's state and its current frame place and client size, as the store keeps them.
MainFormGeometry CurrentGeometry(const QWidget* form);
