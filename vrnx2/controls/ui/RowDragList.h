#pragma once

#include <QTreeWidget>
#include <functional>

namespace vrnx2 {

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
    void SetUpRowList(const QStringList& headers);

protected:
    void startDrag(Qt::DropActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace vrnx2
