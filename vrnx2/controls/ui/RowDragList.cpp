#include "vrnx2/controls/ui/RowDragList.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <utility>

#include "vrnx2/controls/ui/DragAutoScroll.h"

namespace vrnx2 {

RowDragList::RowDragList(QWidget* parent) : QTreeWidget(parent) {
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setAutoScroll(false);
}

void RowDragList::startDrag(Qt::DropActions) {
    const QModelIndex index = currentIndex();
    if (!index.isValid()) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(model()->mimeData({index}));
    // The move is made by the drop; nothing is removed here afterwards.
    drag->exec(Qt::MoveAction);
    stopScroll();
}

void RowDragList::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == this)
        event->acceptProposedAction();
    else
        event->ignore();
}

void RowDragList::dragMoveEvent(QDragMoveEvent* event) {
    const QPoint pos = event->position().toPoint();
    dragOver(pos.y());
    QTreeWidgetItem* item = itemAt(pos);
    if (event->source() == this && item && canDrop(item))
        event->acceptProposedAction();
    else
        event->ignore();
}

void RowDragList::dragLeaveEvent(QDragLeaveEvent* event) {
    stopScroll();
    QTreeWidget::dragLeaveEvent(event);
}

void RowDragList::dropEvent(QDropEvent* event) {
    stopScroll();
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (event->source() == this && item && drop(item)) {
        event->setDropAction(Qt::CopyAction);  // keeps the view from removing anything
        event->accept();
    } else {
        event->ignore();
    }
}

void RowDragList::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && pressed)
        pressed(itemAt(event->position().toPoint()), event->position().toPoint());
}

void RowDragList::SetUpRowList(const QStringList& headers, DragAutoScroll* scroll,
                               std::function<bool(int)> canDropOn,
                               std::function<bool(int)> dropOn) {
    setObjectName(QStringLiteral("LV1"));
    setColumnCount(static_cast<int>(headers.size()));
    setHeaderLabels(headers);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    canDrop = [this, canDropOn = std::move(canDropOn)](QTreeWidgetItem* item) {
        return canDropOn(indexOfTopLevelItem(item));
    };
    drop = [this, dropOn = std::move(dropOn)](QTreeWidgetItem* item) {
        return dropOn(indexOfTopLevelItem(item));
    };
    dragOver = [this, scroll](int y) { scroll->DragOverList(this, y); };
    stopScroll = [scroll] { scroll->Stop(); };
}

RowDragList* AddFramedRowList(QWidget* frame, QGridLayout* grid, const QStringList& headers,
                              DragAutoScroll* scroll, std::function<bool(int)> canDropOn,
                              std::function<bool(int)> dropOn) {
    auto* list = new RowDragList(frame);
    list->SetUpRowList(headers, scroll, std::move(canDropOn), std::move(dropOn));
    frame->setFocusProxy(list);
    grid->addWidget(list, 0, 0);
    return list;
}

void ShowAsCurrent(QTreeWidget* view, QTreeWidgetItem* item) {
    view->setCurrentItem(item);
    if (item) {
        item->setSelected(true);
        view->scrollToItem(item);
    } else {
        view->clearSelection();
    }
}

}  // namespace vrnx2
