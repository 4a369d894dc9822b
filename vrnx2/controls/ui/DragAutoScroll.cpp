#include "vrnx2/controls/ui/DragAutoScroll.h"

#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

namespace vrnx2 {

DragAutoScroll::DragAutoScroll(int intervalMs, QObject* parent)
    : QObject(parent), timer_(new QTimer(this)) {
    timer_->setInterval(intervalMs);
    connect(timer_, &QTimer::timeout, this, &DragAutoScroll::Tick);
}

void DragAutoScroll::Tick() {
    if (!view_ || direction_ == AutoScroll::Stop) return;
    if (!byLine_) {
        StepList(view_, direction_);
        return;
    }
    view_->verticalScrollBar()->triggerAction(direction_ == AutoScroll::Up
                                                  ? QAbstractSlider::SliderSingleStepSub
                                                  : QAbstractSlider::SliderSingleStepAdd);
    view_->viewport()->update();
}

void DragAutoScroll::DragOverList(QTreeView* view, int pointerY) {
    const QModelIndex top = view->indexAt(QPoint(1, 1));
    const int topRowTop = top.isValid() ? view->visualRect(top).top() : 0;
    Steer(view, AutoScrollFor(top.isValid(), topRowTop, pointerY, view->viewport()->height()));
    byLine_ = false;
}

void DragAutoScroll::DragOverTree(QTreeView* view, int pointerY) {
    Steer(view, AutoScrollFor(view->model() && view->model()->rowCount() > 0, 0, pointerY,
                              view->viewport()->height()));
    byLine_ = true;
}

void DragAutoScroll::Steer(QTreeView* view, AutoScroll direction) {
    view_ = view;
    direction_ = direction;
    if (direction_ == AutoScroll::Stop)
        timer_->stop();
    else if (!timer_->isActive())
        timer_->start();
}

void DragAutoScroll::Stop() {
    timer_->stop();
    direction_ = AutoScroll::Stop;
}

bool DragAutoScroll::Active() const {
    return timer_->isActive();
}

void DragAutoScroll::StepList(QTreeView* view, AutoScroll direction) {
    const QAbstractItemModel* model = view->model();
    const int count = model ? model->rowCount() : 0;
    int step = 0;
    if (count > 2)
        step = AutoScrollStep(count, view->visualRect(model->index(0, 0)).top(),
                              view->visualRect(model->index(1, 0)).top());
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(bar->value() + (direction == AutoScroll::Up ? -step : step));
    view->viewport()->update();
}

}  // namespace vrnx2
