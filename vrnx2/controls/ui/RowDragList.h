#pragma once

#include <QTreeWidget>
#include <functional>

class QGridLayout;

namespace vrnx2 {

class DragAutoScroll;

// A tree or list whose drags move its own items by the window's rules; the view itself never
// inserts or removes anything, so the window's model stays the one place of truth.
class RowDragList : public QTreeWidget {
public:
    std::function<bool(QTreeWidgetItem*)> canDrop;
    std::function<bool(QTreeWidgetItem*)> drop;
    std::function<void(int y)> dragOver;  // pointer in the viewport
    std::function<void()> stopScroll;
    std::function<void(QTreeWidgetItem*, const QPoint&)> pressed;  // optional

    // Drags on, drops accepted, and Qt's own auto-scroll off: the window scrolls by its timer.
    explicit RowDragList(QWidget* parent);

    // The windows' row lists: named "LV1", `headers` as columns, one row selected at a time,
    // no editing, sortable headers that stay in place, and a context menu of the window's.
    // Drags reorder the rows: `canDropOn` and `dropOn` take the row under the pointer, and
    // `scroll` follows the pointer near the edges and stops with the drag.
    void SetUpRowList(const QStringList& headers, DragAutoScroll* scroll,
                      std::function<bool(int row)> canDropOn, std::function<bool(int row)> dropOn);

protected:
    void startDrag(Qt::DropActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

// A row list (SetUpRowList) filling the first cell of `grid` in `frame`, which passes the
// focus on to it.
RowDragList* AddFramedRowList(QWidget* frame, QGridLayout* grid, const QStringList& headers,
                              DragAutoScroll* scroll, std::function<bool(int row)> canDropOn,
                              std::function<bool(int row)> dropOn);

// Makes `item` the view's current and only selected item, scrolled into view; null clears the
// selection.
void ShowAsCurrent(QTreeWidget* view, QTreeWidgetItem* item);

}  // namespace vrnx2
