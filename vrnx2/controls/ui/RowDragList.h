#pragma once

#include <QTreeView>
#include <functional>

#include "vrnx2/controls/RowMirror.h"

class QGridLayout;

namespace vrnx2 {

class DragAutoScroll;
class MirrorModel;

// The rows of a flat list by position: their number, each one's identity and texts.
struct RowSource {
    std::function<int()> count;
    std::function<RowMirror::Key(int row)> keyAt;
    std::function<RowLook(int row)> lookAt;
};

// A tree or list whose drags move its own rows by the window's rules: a drop onto a row goes
// to the model (canDropMimeData, dropMimeData), whose rule moves the rows in the window's
// logic; the view itself never inserts or removes anything.
class RowDragList : public QTreeView {
public:
    std::function<void(int y)> dragOver;  // pointer in the viewport
    std::function<void()> stopScroll;
    std::function<void(const QModelIndex&, const QPoint&)> pressed;  // optional

    // Drags on, drops accepted, and Qt's own auto-scroll off: the window scrolls by its timer.
    explicit RowDragList(QWidget* parent);

    // The windows' row lists: named "LV1", `headers` as columns over the rows of `source`,
    // one row selected at a time, no editing, sortable headers that stay in place, and a
    // context menu of the window's. Drags reorder the rows: `canDropOn` and `dropOn` take
    // the row under the pointer, and `scroll` follows the pointer near the edges and stops
    // with the drag.
    void SetUpRowList(const QStringList& headers, DragAutoScroll* scroll, RowSource source,
                      std::function<bool(int row)> canDropOn, std::function<bool(int row)> dropOn);
    // The model of a row list; null for other trees.
    MirrorModel* Rows() const { return rows_; }
    // Takes the rows as they are now (row by row), then shows `row` (−1: none) as current.
    void ShowRows(int row);

protected:
    void startDrag(Qt::DropActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    MirrorModel* rows_ = nullptr;
};

// A row list (SetUpRowList) filling the first cell of `grid` in `frame`, which passes the
// focus on to it.
RowDragList* AddFramedRowList(QWidget* frame, QGridLayout* grid, const QStringList& headers,
                              DragAutoScroll* scroll, RowSource source,
                              std::function<bool(int row)> canDropOn,
                              std::function<bool(int row)> dropOn);

// Makes `index` the view's current and only selected row, scrolled into view; an invalid
// index clears the selection.
void ShowAsCurrent(QAbstractItemView* view, const QModelIndex& index);

}  // namespace vrnx2
