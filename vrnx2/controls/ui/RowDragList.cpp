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
#include "vrnx2/controls/ui/MirrorModel.h"

namespace vrnx2 {

RowDragList::RowDragList(QWidget* parent) : QTreeView(parent) {
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setAutoScroll(false);
}

void RowDragList::startDrag(Qt::DropActions) {
    const QModelIndex index = currentIndex();
    if (!index.isValid() || !model()) return;
    QMimeData* data = model()->mimeData({index});
    if (!data) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    // The move is made by the drop; nothing is removed here afterwards.
    drag->exec(Qt::MoveAction);
    if (stopScroll) stopScroll();
}

void RowDragList::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() == this)
        event->acceptProposedAction();
    else
        event->ignore();
}

void RowDragList::dragMoveEvent(QDragMoveEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (dragOver) dragOver(pos.y());
    const QModelIndex target = indexAt(pos);
    if (event->source() == this && target.isValid() &&
        model()->canDropMimeData(event->mimeData(), Qt::MoveAction, -1, -1,
                                 target.siblingAtColumn(0)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void RowDragList::dragLeaveEvent(QDragLeaveEvent* event) {
    if (stopScroll) stopScroll();
    QTreeView::dragLeaveEvent(event);
}

void RowDragList::dropEvent(QDropEvent* event) {
    if (stopScroll) stopScroll();
    const QModelIndex target = indexAt(event->position().toPoint());
    if (event->source() == this && target.isValid() &&
        model()->dropMimeData(event->mimeData(), Qt::MoveAction, -1, -1,
                              target.siblingAtColumn(0))) {
        event->setDropAction(Qt::CopyAction);  // keeps the view from removing anything
        event->accept();
    } else {
        event->ignore();
    }
}

void RowDragList::mousePressEvent(QMouseEvent* event) {
    QTreeView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && pressed)
        pressed(indexAt(event->position().toPoint()), event->position().toPoint());
}

void RowDragList::SetUpRowList(const QStringList& headers, DragAutoScroll* scroll, RowSource source,
                               std::function<bool(int)> canDropOn,
                               std::function<bool(int)> dropOn) {
    setObjectName(QStringLiteral("LV1"));
    rows_ = new MirrorModel(headers, this);
    rows_->ShowRows(std::move(source.count), std::move(source.keyAt), std::move(source.lookAt));
    rows_->canDrop = [this, canDropOn = std::move(canDropOn)](RowMirror::Key, RowMirror::Key to) {
        return canDropOn(rows_->Rows().RowOf(to));
    };
    rows_->drop = [this, dropOn = std::move(dropOn)](RowMirror::Key, RowMirror::Key to) {
        return dropOn(rows_->Rows().RowOf(to));
    };
    setModel(rows_);
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
    dragOver = [this, scroll](int y) { scroll->DragOverList(this, y); };
    stopScroll = [scroll] { scroll->Stop(); };
}

void RowDragList::ShowRows(int row) {
    if (!rows_) return;
    rows_->Sync();
    ShowAsCurrent(this, row >= 0 ? rows_->index(row, 0) : QModelIndex());
}

RowDragList* AddFramedRowList(QWidget* frame, QGridLayout* grid, const QStringList& headers,
                              DragAutoScroll* scroll, RowSource source,
                              std::function<bool(int)> canDropOn, std::function<bool(int)> dropOn) {
    auto* list = new RowDragList(frame);
    list->SetUpRowList(headers, scroll, std::move(source), std::move(canDropOn), std::move(dropOn));
    frame->setFocusProxy(list);
    grid->addWidget(list, 0, 0);
    return list;
}

void ShowAsCurrent(QAbstractItemView* view, const QModelIndex& index) {
    QItemSelectionModel* selection = view->selectionModel();
    if (!selection) return;
    if (index.isValid()) {
        selection->setCurrentIndex(index,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        view->scrollTo(index);
    } else {
        selection->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
        selection->clearSelection();
    }
}

}  // namespace vrnx2
