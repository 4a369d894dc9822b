#pragma once

#include <QObject>

#include "vrnx2/base/ListRules.h"

class QTimer;
class QTreeView;

namespace vrnx2 {

// The timer that scrolls a list while a drag rests near its top or bottom edge. Each window
// keeps its own interval.
class DragAutoScroll : public QObject {
public:
    DragAutoScroll(int intervalMs, QObject* parent);

    // Starts or stops by the pointer's place over a flat list, `pointerY` in its viewport;
    // a tick moves by one row.
    void DragOverList(QTreeView* view, int pointerY);
    // The same over a tree, whose rows differ in height; a tick moves by one line.
    void DragOverTree(QTreeView* view, int pointerY);
    void Stop();
    bool Active() const;
    AutoScroll Direction() const { return direction_; }
    QTreeView* View() const { return view_; }
    // What the timer does on each timeout.
    void Tick();

    // One tick on a flat list: the distance between its first two rows.
    static void StepList(QTreeView* view, AutoScroll direction);

private:
    // Starts or stops in `direction`, remembering `view` as the one to scroll.
    void Steer(QTreeView* view, AutoScroll direction);

    QTimer* timer_;
    QTreeView* view_ = nullptr;
    AutoScroll direction_ = AutoScroll::Stop;
    bool byLine_ = false;
};

}  // namespace vrnx2
