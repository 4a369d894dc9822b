#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QStringList>
#include <functional>

#include "vrnx2/controls/RowMirror.h"

namespace vrnx2 {

// The item model of a window's list or tree: the rows a RowMirror keeps of the window's logic.
// Sync() brings it up to date and tells the view row by row. Drags carry the dragged row's
// key; a drop onto a row goes to the window's rule, which moves the rows in its logic and
// syncs. Editing a row's text goes to the window as well: the model never changes the logic.
class MirrorModel : public QAbstractItemModel, private RowMirror::Observer {
public:
    using Key = RowMirror::Key;
    // The row's icon number (RowLook::icon).
    static constexpr int kIconRole = Qt::UserRole + 1;

    // The logic's rows: `children(0)` the top rows.
    RowMirror::ChildrenFn children;
    RowMirror::LookFn look;
    // The image of an icon number; none when unset.
    std::function<QIcon(int icon)> iconOf;
    // Drag and drop onto a row.
    std::function<bool(Key dragged, Key target)> canDrop;
    std::function<bool(Key dragged, Key target)> drop;
    // A row's text edited in place (column 0).
    std::function<void(Key, const QString&)> edited;

    MirrorModel(const QStringList& headers, QObject* parent);

    void SetHeaders(const QStringList& headers);
    // A flat list: `count` rows, each with its key and its look by position. Sets children
    // and look.
    void ShowRows(std::function<int()> count, std::function<Key(int row)> keyAt,
                  std::function<RowLook(int row)> lookAt);
    // Takes the logic's rows afresh, as after a load: the view forgets its expansion.
    void Reset();
    // Takes the logic's rows row by row.
    void Sync();

    const RowMirror& Rows() const { return mirror_; }
    Key KeyOf(const QModelIndex& index) const;
    QModelIndex IndexOf(Key key, int column = 0) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

private:
    using Step = RowMirror::Step;
    void Before(const Step& step) override;
    void After(const Step& step) override;
    // The dragged row a drag from this model carries; 0 for any other drag.
    Key DraggedKey(const QMimeData* data) const;

    RowMirror mirror_;
    QStringList headers_;
};

}  // namespace vrnx2
