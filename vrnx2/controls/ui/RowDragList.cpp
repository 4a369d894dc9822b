#include "vrnx2/controls/ui/RowDragList.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>

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

void RowDragList::SetUpRowList(const QStringList& headers) {
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
}

}  // namespace vrnx2
