#pragma once

#include <QRect>
#include <QSize>

#include "vrnx2/base/FormGeometry.h"

class QScrollArea;
class QWidget;

namespace vrnx2 {

// The primary screen's available area; 1024 x 768 when there is no screen.
QRect PrimaryArea();
// The available area of the screen a window at `frame` opens on: the screen under the
// frame's centre, else the primary one.
QRect AreaFor(const QRect& frame);
// The size of the window's font in points (what designed sizes grow with).
double FontPoints(const QWidget* widget);
// A size measured for 9-point text, grown with the widget's font.
QSize GrownForFont(const QWidget* widget, QSize designed);
// Lays the form out and keeps it at least `least` and never below what its controls need.
void SetLeastSize(QWidget* form, QSize least);
// Opens a form that keeps its geometry: the stored size (or `designed`, grown with the font,
// when none is stored), grown to `needed` and to what the layout needs, clamped to the
// available area of its screen; the frame lies wholly on that area. `least` is the smallest
// size the form may be given. The place is checked again once the form is shown, when its
// window frame is known.
void PlaceForm(QWidget* form, QSize designed, QSize least, const MainFormGeometry& stored,
               QSize needed = QSize());
// Sizes a dialog that keeps no geometry: its designed client size grown with the font, or
// what its layout needs where that is more. `fixed` dialogs cannot be resized. A dialog whose
// content lies in `scrolling` (ScrollingContent) is given no more than the available area of
// its screen, where its content then scrolls, and is put back onto that area once shown.
void FitDialog(QWidget* dialog, QSize designed, bool fixed, QScrollArea* scrolling = nullptr);
// A scroll area without a frame around `content`, which shows all of it where there is room.
QScrollArea* ScrollingContent(QWidget* content, QWidget* parent);
// The form's state and its current frame place and client size, as the store keeps them.
MainFormGeometry CurrentGeometry(const QWidget* form);

}  // namespace vrnx2
