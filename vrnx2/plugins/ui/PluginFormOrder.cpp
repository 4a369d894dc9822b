// The plugin window's order page: the enabled plugins in the order the build takes them.
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollArea>

#include "vrnx2/controls/ui/DragAutoScroll.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/plugins/ui/PluginForm.h"

namespace vrnx2 {

// ---- pages and the order list ----

void TPlugin_Form::PageChanged(int page) {
    treePanel_->setVisible(page == 0);
    orderPanel_->setVisible(page == 1);
    if (orderCheck_->isChecked()) {
        if (page == 0 && currentPage_ == 1) catalogue_.RefreshOrder();
        if (page == 1) {
            status_->clear();
            catalogue_.BuildOrderList();
            SyncList(catalogue_.RowCount() > 0 ? 0 : -1);
        }
    }
    currentPage_ = page;
    UpdateOrderActions();
}

void TPlugin_Form::OrderCheckChanged(bool on) {
    list_->setEnabled(on);
    catalogue_.SetManageOrder(on);
    SyncList(catalogue_.RowCount() > 0 ? 0 : -1);
}

void TPlugin_Form::SyncList(int select) {
    syncing_ = true;
    list_->ShowRows(select);
    syncing_ = false;
    UpdateOrderActions();
}

int TPlugin_Form::SelectedRow() const {
    const QModelIndex index = list_->currentIndex();
    return index.isValid() && list_->selectionModel()->isSelected(index) ? index.row() : -1;
}

void TPlugin_Form::SelectRow(int row) {
    ShowAsCurrent(list_, list_->model()->index(row, 0));
    UpdateOrderActions();
}

void TPlugin_Form::UpdateOrderActions() {
    // The move keys only act on the page that shows the list.
    const int row = currentPage_ == 1 ? SelectedRow() : -1;
    Action("Item_Up")->setEnabled(catalogue_.CanMoveUp(row));
    Action("Item_Down")->setEnabled(catalogue_.CanMoveDown(row));
}

void TPlugin_Form::MoveRow(int delta) {
    const int row = SelectedRow();
    if (row < 0) return;
    const int moved = delta < 0 ? catalogue_.MoveRowUp(row) : catalogue_.MoveRowDown(row);
    SyncList(moved);
    list_->setFocus();
}

void TPlugin_Form::SortByColumn(int column) {
    if (column < 0 || column > 1) return;
    const int row = SelectedRow();
    const CatalogueNode* selected =
        row >= 0 ? catalogue_.Rows()[static_cast<size_t>(row)].node : nullptr;
    const int direction = catalogue_.SortByColumn(column);
    list_->header()->setSortIndicatorShown(true);
    list_->header()->setSortIndicator(column,
                                      direction > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    int select = -1;
    for (int i = 0; i < catalogue_.RowCount(); ++i)
        if (catalogue_.Rows()[static_cast<size_t>(i)].node == selected) select = i;
    SyncList(select);
}

bool TPlugin_Form::CanListDropOn(int row) const {
    const int selected = SelectedRow();
    return selected >= 0 && row >= 0 && row < catalogue_.RowCount() && row != selected;
}

bool TPlugin_Form::ListDropOn(int row) {
    scroll_->Stop();
    if (!CanListDropOn(row)) return false;
    SyncList(catalogue_.DropRow(SelectedRow(), row));
    return true;
}

}  // namespace vrnx2
