#include "vrnx2/controls/ui/MirrorModel.h"

#include <QMimeData>
#include <algorithm>
#include <memory>
#include <unordered_map>

#include "vrnx2/controls/ui/QtText.h"

namespace vrnx2 {

namespace {

const QString kRowMime = QStringLiteral("application/x-vrnx2-row");

}  // namespace

MirrorModel::MirrorModel(const QStringList& headers, QObject* parent)
    : QAbstractItemModel(parent), headers_(headers) {}

void MirrorModel::SetHeaders(const QStringList& headers) {
    headers_ = headers;
    if (!headers_.isEmpty()) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void MirrorModel::ShowRows(std::function<int()> count, std::function<Key(int)> keyAt,
                           std::function<RowLook(int)> lookAt) {
    // Every update asks for the top rows first, so their places are known to the looks.
    auto rowOf = std::make_shared<std::unordered_map<Key, int>>();
    children = [count, keyAt, rowOf](Key parent) {
        std::vector<Key> keys;
        if (parent != 0) return keys;
        rowOf->clear();
        for (int i = 0, n = count(); i < n; ++i) {
            keys.push_back(keyAt(i));
            (*rowOf)[keys.back()] = i;
        }
        return keys;
    };
    look = [lookAt, rowOf](Key key) {
        auto it = rowOf->find(key);
        return it == rowOf->end() ? RowLook{} : lookAt(it->second);
    };
}

void MirrorModel::Reset() {
    beginResetModel();
    mirror_.Reset(children, look);
    endResetModel();
}

void MirrorModel::Sync() {
    mirror_.Sync(children, look, *this);
}

void MirrorModel::Before(const Step& s) {
    switch (s.kind) {
        case Step::Insert:
            beginInsertRows(IndexOf(s.parent), s.row, s.row);
            break;
        case Step::Remove:
            beginRemoveRows(IndexOf(s.parent), s.row, s.row);
            break;
        case Step::Move: {
            // Qt counts the destination before the row leaves its place.
            const int to = s.parent == s.toParent && s.toRow > s.row ? s.toRow + 1 : s.toRow;
            beginMoveRows(IndexOf(s.parent), s.row, s.row, IndexOf(s.toParent), to);
            break;
        }
        case Step::Change:
            break;
    }
}

void MirrorModel::After(const Step& s) {
    switch (s.kind) {
        case Step::Insert:
            endInsertRows();
            break;
        case Step::Remove:
            endRemoveRows();
            break;
        case Step::Move:
            endMoveRows();
            break;
        case Step::Change: {
            const QModelIndex first = index(s.row, 0, IndexOf(s.parent));
            emit dataChanged(first, first.siblingAtColumn(columnCount() - 1));
            break;
        }
    }
}

MirrorModel::Key MirrorModel::KeyOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return 0;
    return mirror_.Child(static_cast<Key>(index.internalId()), index.row());
}

QModelIndex MirrorModel::IndexOf(Key key, int column) const {
    const int row = mirror_.RowOf(key);
    if (row < 0) return {};
    return createIndex(row, column, static_cast<quintptr>(mirror_.Parent(key)));
}

QModelIndex MirrorModel::index(int row, int column, const QModelIndex& parent) const {
    const Key up = parent.isValid() ? KeyOf(parent) : 0;
    if (parent.isValid() && up == 0) return {};
    if (row < 0 || row >= mirror_.RowCount(up) || column < 0 || column >= columnCount()) return {};
    // An index carries its parent's key: rows may move, parents stay found.
    return createIndex(row, column, static_cast<quintptr>(up));
}

QModelIndex MirrorModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    return IndexOf(static_cast<Key>(child.internalId()));
}

int MirrorModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return mirror_.RowCount(0);
    if (parent.column() != 0) return 0;
    const Key key = KeyOf(parent);
    return key == 0 ? 0 : mirror_.RowCount(key);
}

int MirrorModel::columnCount(const QModelIndex&) const {
    return std::max(1, static_cast<int>(headers_.size()));
}

QVariant MirrorModel::data(const QModelIndex& index, int role) const {
    const Key key = KeyOf(index);
    if (key == 0) return {};
    const RowLook& look = mirror_.Look(key);
    const auto column = static_cast<size_t>(index.column());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return column < look.texts.size() ? Qs(look.texts[column]) : QString();
        case Qt::DecorationRole:
            if (column == 0 && look.icon >= 0 && iconOf) return iconOf(look.icon);
            return {};
        case kIconRole:
            return look.icon;
        default:
            return {};
    }
}

QVariant MirrorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headers_.size())
        return headers_[section];
    return QAbstractItemModel::headerData(section, orientation, role);
}

Qt::ItemFlags MirrorModel::flags(const QModelIndex& index) const {
    const Key key = KeyOf(index);
    if (key == 0) return Qt::NoItemFlags;
    const RowLook& look = mirror_.Look(key);
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (look.draggable) f |= Qt::ItemIsDragEnabled;
    if (look.editable && index.column() == 0) f |= Qt::ItemIsEditable;
    return f;
}

bool MirrorModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const Key key = KeyOf(index);
    if (key == 0 || role != Qt::EditRole || index.column() != 0 || !edited ||
        !mirror_.Look(key).editable)
        return false;
    edited(key, value.toString());
    return true;
}

Qt::DropActions MirrorModel::supportedDropActions() const {
    return Qt::MoveAction;
}

QStringList MirrorModel::mimeTypes() const {
    return {kRowMime};
}

QMimeData* MirrorModel::mimeData(const QModelIndexList& indexes) const {
    if (indexes.isEmpty()) return nullptr;
    const Key key = KeyOf(indexes.first());
    if (key == 0) return nullptr;
    auto* data = new QMimeData;
    // The model's address keeps a drag from another list from counting as this one's.
    data->setData(kRowMime, QByteArray::number(reinterpret_cast<quintptr>(this)) + ' ' +
                                QByteArray::number(static_cast<qulonglong>(key)));
    return data;
}

MirrorModel::Key MirrorModel::DraggedKey(const QMimeData* data) const {
    if (!data) return 0;
    const QList<QByteArray> parts = data->data(kRowMime).split(' ');
    if (parts.size() != 2 || parts[0] != QByteArray::number(reinterpret_cast<quintptr>(this)))
        return 0;
    bool ok = false;
    const Key key = parts[1].toULongLong(&ok);
    return ok && mirror_.Has(key) ? key : 0;
}

bool MirrorModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                  const QModelIndex& parent) const {
    // Only onto a row: the rule places the dragged one by the row it lands on.
    const Key dragged = DraggedKey(data);
    const Key target = KeyOf(parent);
    return row < 0 && dragged != 0 && target != 0 && canDrop && canDrop(dragged, target);
}

bool MirrorModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                               const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent) || !drop) return false;
    return drop(DraggedKey(data), KeyOf(parent));
}

}  // namespace vrnx2
