#pragma once
// Reading and setting the rows of an item view in window tests.

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QStringList>

namespace vrnx2::test {

inline QModelIndex RowAt(const QAbstractItemView* view, int row,
                         const QModelIndex& parent = QModelIndex()) {
    return view->model()->index(row, 0, parent);
}

inline int RowCount(const QAbstractItemView* view, const QModelIndex& parent = QModelIndex()) {
    return view->model()->rowCount(parent);
}

inline QString RowText(const QAbstractItemView* view, int row, int column = 0) {
    return view->model()->index(row, column).data().toString();
}

// Every row's text in `column`, joined by commas.
inline QString ColumnText(const QAbstractItemView* view, int column = 0,
                          const QModelIndex& parent = QModelIndex()) {
    QStringList out;
    for (int i = 0; i < view->model()->rowCount(parent); ++i)
        out << view->model()->index(i, column, parent).data().toString();
    return out.join(QLatin1Char(','));
}

inline int CurrentRow(const QAbstractItemView* view) {
    return view->currentIndex().isValid() ? view->currentIndex().row() : -1;
}

inline QString CurrentText(const QAbstractItemView* view) {
    return view->currentIndex().siblingAtColumn(0).data().toString();
}

// As a click on the row does.
inline void SetCurrentRow(QAbstractItemView* view, int row) {
    view->selectionModel()->setCurrentIndex(
        RowAt(view, row), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace vrnx2::test
