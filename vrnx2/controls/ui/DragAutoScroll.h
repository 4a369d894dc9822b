#pragma once

#include <QObject>
#include <functional>

#include "vrnx2/base/ListRules.h"

class QTimer;
class QTreeWidget;

namespace vrnx2 {

// The timer that scrolls a list while a drag rests near its top or bottom edge. Each window
// keeps its own interval and decides what one tick does.
class DragAutoScroll : public QObject {
public:
    DragAutoScroll(int intervalMs, QObject* parent, std::function<void()> onTick);

    // Starts or stops by the pointer's place over a flat list, `pointerY` in its viewport.
    void DragOverList(QTreeWidget* view, int pointerY);
    // Starts or stops in `direction`, remembering `view` as the one to scroll.
    void Steer(QTreeWidget* view, AutoScroll direction);
    void Stop();
    bool Active() const;
    AutoScroll Direction() const { return direction_; }
    QTreeWidget* View() const { return view_; }

    // One tick on a flat list: the distance between its first two rows.
    static void StepList(QTreeWidget* view, AutoScroll direction);

private:
    QTimer* timer_;
    QTreeWidget* view_ = nullptr;
    AutoScroll direction_ = AutoScroll::Stop;
};

}  // namespace vrnx2
