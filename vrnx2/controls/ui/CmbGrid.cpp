#include "vrnx2/controls/ui/CmbGrid.h"

#include <qdrawutil.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <stdexcept>

#include "vrnx2/controls/ui/QtText.h"

namespace vrnx2 {

namespace {

std::string Std(const QString& s) {
    return s.toStdString();
}
// The delegate routes drawing and editing to the grid's own rules.
class ComboGridDelegate : public QStyledItemDelegate {
public:
    explicit ComboGridDelegate(TComboGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        grid_->PaintCell(painter, opt, index.column(), index.row());
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        const int col = index.column(), row = index.row();
        if (row < grid_->FixedRows() || col < grid_->FixedCols()) return nullptr;
        const TCellKind& kind = grid_->CellKind(col);
        if (!kind.editable || (kind.kind != ckText && kind.kind != ckList)) {
            grid_->viewport()->update(grid_->visualRect(index));
            return nullptr;
        }
        // The editor takes a copy of the column's settings as they are now.
        return new TComboInplaceEdit(grid_, kind, parent);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
    }
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex&) const override {
        editor->setGeometry(option.rect);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        // While the drop-down list is open, Enter, Esc and the arrows work the list, not the
        // grid's commit and cancel.
        if (event->type() == QEvent::KeyPress) {
            auto* editor = qobject_cast<TComboInplaceEdit*>(object);
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (editor && editor->ListVisible() &&
                (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
                 key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left ||
                 key == Qt::Key_Right))
                return false;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    TComboGrid* grid_;
};

// The drop-down button of a list column's editor.
class ListDropButton : public QWidget {
public:
    explicit ListDropButton(TComboInplaceEdit* editor) : QWidget(editor), editor_(editor) {
        setCursor(Qt::ArrowCursor);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QStyleOptionButton opt;
        opt.initFrom(this);
        opt.rect = rect();
        opt.state |= down_ ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &p, this);
        // A small downward triangle of lines 7, 5, 3 and 1 pixels wide.
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                 QPalette::ButtonText));
        const int shift = down_ ? 1 : 0;
        const int cx = width() / 2 + shift, top = height() / 2 - 2 + shift;
        for (int i = 0; i < 4; ++i) {
            const int half = 3 - i;
            p.drawLine(cx - half, top + i, cx + half, top + i);
        }
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        down_ = true;
        update();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton || !down_) return;
        down_ = false;
        update();
        editor_->ToggleList();
    }

private:
    TComboInplaceEdit* editor_;
    bool down_ = false;
};

int ListRowsShown(int count) {
    return std::clamp(count, 1, 8);
}

}  // namespace

// ---- TCellKind ----

void TCellKind::SetCellAlignment(uint8_t alignment) {
    cellAlignment = alignment;
    if (owner_) owner_->viewport()->update();
}

void TCellKind::SetFixedAlignment(uint8_t alignment) {
    fixedAlignment = alignment;
    if (owner_) owner_->viewport()->update();
}

// ---- TInplaceListBox ----

TInplaceListBox::TInplaceListBox(QWidget* owner) : QListWidget(owner) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    hide();
}

void TInplaceListBox::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (QListWidgetItem* item = itemAt(event->position().toPoint())) emit picked(item->text());
}

// ---- TComboInplaceEdit ----

TComboInplaceEdit::TComboInplaceEdit(TComboGrid* grid, const CellKindData& kind, QWidget* parent)
    : QLineEdit(parent), grid_(grid), kind_(kind) {
    setFrame(false);
    if (kind_.kind == ckText) {
        if (!kind_.items.empty() && !kind_.items[0].text.empty())
            setInputMask(Qs(kind_.items[0].text));
        if (kind_.maxLength > 0) setMaxLength(kind_.maxLength);
    } else if (kind_.kind == ckList) {
        button_ = new ListDropButton(this);
        const int width = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        button_->resize(width, height());
        // The text ends 2 pixels before the button.
        setTextMargins(0, 0, width + 2, 0);
        PlaceButton();
    }
}

bool TComboInplaceEdit::ListVisible() const {
    return list_ && list_->isVisible();
}

void TComboInplaceEdit::PlaceButton() {
    if (button_) button_->setGeometry(width() - button_->width(), 0, button_->width(), height());
}

void TComboInplaceEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    PlaceButton();
}

void TComboInplaceEdit::OpenList() {
    if (kind_.kind != ckList) return;
    if (!list_) {
        list_ = new TInplaceListBox(this);
        for (const CellItem& item : kind_.items) list_->addItem(Qs(item.text));
        connect(list_, &TInplaceListBox::picked, this, [this](const QString& text) {
            setText(text);
            CloseList();
        });
    }
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    const GridRect editor{origin.x(), origin.y(), origin.x() + width(), origin.y() + height()};
    const int rowHeight = std::max(list_->sizeHintForRow(0), fontMetrics().height());
    const int listHeight = ListRowsShown(list_->count()) * rowHeight + 2 * list_->frameWidth();
    const GridRect r = DropDownListRect(editor, kind_.dropDownWidth, listHeight);
    list_->setGeometry(r.left, r.top, r.Width(), r.Height());
    const QList<QListWidgetItem*> same = list_->findItems(text(), Qt::MatchExactly);
    list_->setCurrentRow(same.isEmpty() ? 0 : list_->row(same.first()));
    list_->show();
    list_->raise();
}

void TComboInplaceEdit::CloseList() {
    if (list_) list_->hide();
}

void TComboInplaceEdit::ToggleList() {
    setFocus(Qt::MouseFocusReason);
    if (ListVisible())
        CloseList();
    else
        OpenList();
}

void TComboInplaceEdit::keyPressEvent(QKeyEvent* event) {
    if (ListVisible()) {
        switch (event->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down: {
                const int step = event->key() == Qt::Key_Up ? -1 : 1;
                const int row = std::clamp(list_->currentRow() + step, 0, list_->count() - 1);
                list_->setCurrentRow(row);
                if (QListWidgetItem* item = list_->item(row)) setText(item->text());
                event->accept();
                return;
            }
            case Qt::Key_Left:
            case Qt::Key_Right:
                event->accept();
                return;
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Escape:
                CloseList();
                event->accept();
                return;
            default:
                break;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TComboInplaceEdit::focusOutEvent(QFocusEvent* event) {
    CloseList();
    QLineEdit::focusOutEvent(event);
    if (grid_ && grid_->OnEditEnd) grid_->OnEditEnd(grid_);
}

// ---- TComboGrid ----

TComboGrid::TComboGrid(QWidget* parent) : QTableWidget(parent) {
    setItemDelegate(new ComboGridDelegate(this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setSelectionMode(ContiguousSelection);
    setSelectionBehavior(SelectItems);
    setEditTriggers(NoEditTriggers);
}

TComboGrid::~TComboGrid() = default;

TCellKind& TComboGrid::CellKind(int col) {
    if (col < 0) throw std::out_of_range("TComboGrid column");
    if (static_cast<size_t>(col) >= kinds_.size()) kinds_.resize(static_cast<size_t>(col) + 1);
    auto& slot = kinds_[static_cast<size_t>(col)];
    if (!slot) slot = std::make_unique<TCellKind>(this);
    return *slot;
}

QString TComboGrid::Cell(int col, int row) const {
    const QTableWidgetItem* it = item(row, col);
    return it ? it->text() : QString();
}

void TComboGrid::SetCell(int col, int row, const QString& text) {
    if (row < 0 || col < 0 || row >= rowCount() || col >= columnCount()) return;
    if (QTableWidgetItem* it = item(row, col))
        it->setText(text);
    else
        setItem(row, col, new QTableWidgetItem(text));
}

int TComboGrid::CellValue(int col, int row) const {
    const QTableWidgetItem* it = item(row, col);
    return it ? it->data(Qt::UserRole).toInt() : 0;
}

void TComboGrid::SetCellValue(int col, int row, int value) {
    if (row < 0 || col < 0 || row >= rowCount() || col >= columnCount()) return;
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        it = new QTableWidgetItem;
        setItem(row, col, it);
    }
    it->setData(Qt::UserRole, value);
    RepaintCell(col, row);
}

void TComboGrid::SetFixedRows(int n) {
    fixedRows_ = std::max(0, n);
    viewport()->update();
}

void TComboGrid::SetFixedCols(int n) {
    fixedCols_ = std::max(0, n);
    viewport()->update();
}

void TComboGrid::SetEditingAllowed(bool on) {
    setEditTriggers(on ? (DoubleClicked | EditKeyPressed | AnyKeyPressed | SelectedClicked)
                       : NoEditTriggers);
}

void TComboGrid::SetFocusCellDraw(bool on) {
    focusCellDraw_ = on;
    viewport()->update();
}

std::string TComboGrid::CellDataText() const {
    std::vector<StoredCell> cells;
    for (int row = 0; row < rowCount(); ++row)
        for (int col = 0; col < columnCount(); ++col) {
            const QString text = Cell(col, row);
            if (!text.isEmpty()) cells.push_back(StoredCell{col, row, Std(text)});
        }
    return WriteCellData(cells);
}

bool TComboGrid::SetCellDataText(std::string_view text, std::string* error) {
    std::optional<std::vector<StoredCell>> cells = ReadCellData(text, error);
    if (!cells) return false;
    // Cells outside the grid's size have nowhere to go and are left out.
    for (const StoredCell& c : *cells) SetCell(c.col, c.row, Qs(c.text));
    return true;
}

std::string TComboGrid::CellKindText() const {
    std::vector<CellKindData> kinds;
    for (const auto& k : kinds_)
        kinds.push_back(k ? static_cast<const CellKindData&>(*k) : CellKindData{});
    return WriteCellKinds(kinds);
}

bool TComboGrid::SetCellKindText(std::string_view text, std::string* error) {
    std::optional<std::vector<CellKindData>> kinds = ReadCellKinds(text, error);
    if (!kinds) return false;
    kinds_.clear();
    for (CellKindData& k : *kinds) {
        auto kind = std::make_unique<TCellKind>(this);
        static_cast<CellKindData&>(*kind) = std::move(k);
        kinds_.push_back(std::move(kind));
    }
    viewport()->update();
    return true;
}

void TComboGrid::RepaintCell(int col, int row) {
    if (col < 0 || row < 0) return;
    viewport()->update(visualRect(model()->index(row, col)));
}

void TComboGrid::ToggleCheck(int col, int row) {
    const std::string next = ToggledCheckText(CellKind(col), Std(Cell(col, row)));
    SetCell(col, row, Qs(next));
    RepaintCell(col, row);
}

bool TComboGrid::BeginPress(int col, int row) {
    if (pressed_.x() >= 0 || IsFixed(col, row)) return false;
    const TCellKind& kind = CellKind(col);
    const bool pressable =
        kind.kind == ckButton || (kind.kind == ckCheck && kind.editable && EditingAllowed());
    if (!pressable) return false;
    pressed_ = QPoint(col, row);
    RepaintCell(col, row);
    return true;
}

void TComboGrid::EndPress(bool inside) {
    const QPoint p = pressed_;
    pressed_ = QPoint(-1, -1);
    RepaintCell(p.x(), p.y());
    if (!inside) return;
    if (CellKind(p.x()).kind == ckCheck) ToggleCheck(p.x(), p.y());
    if (OnGridBtnClick) OnGridBtnClick(this, p.x(), p.y());
}

void TComboGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid()) BeginPress(index.column(), index.row());
    }
    QTableWidget::mousePressEvent(event);
    if (OnMouseDown) OnMouseDown(event);
}

void TComboGrid::mouseMoveEvent(QMouseEvent* event) {
    QTableWidget::mouseMoveEvent(event);
    if (OnMouseMove) OnMouseMove(event);
}

void TComboGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && pressed_.x() >= 0) {
        const QModelIndex index = indexAt(event->position().toPoint());
        EndPress(index.isValid() && index.column() == pressed_.x() && index.row() == pressed_.y());
    }
    if (OnMouseUp) OnMouseUp(event);
}

void TComboGrid::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown && OnKeyDown(event)) return;
    const QModelIndex cur = currentIndex();
    if (cur.isValid() && !IsFixed(cur.column(), cur.row())) {
        const uint8_t kind = CellKind(cur.column()).kind;
        if (event->key() == Qt::Key_Space && (kind == ckButton || kind == ckCheck)) {
            if (!event->isAutoRepeat() && !(QApplication::mouseButtons() & Qt::LeftButton))
                BeginPress(cur.column(), cur.row());
            event->accept();
            return;
        }
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && kind == ckButton) {
            if (OnGridBtnClick) OnGridBtnClick(this, cur.column(), cur.row());
            event->accept();
            return;
        }
    }
    QTableWidget::keyPressEvent(event);
}

void TComboGrid::keyReleaseEvent(QKeyEvent* event) {
    if (OnKeyUp && OnKeyUp(event)) return;
    const QModelIndex cur = currentIndex();
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && cur.isValid() &&
        pressed_ == QPoint(cur.column(), cur.row())) {
        EndPress(true);
        event->accept();
        return;
    }
    QTableWidget::keyReleaseEvent(event);
}

// ---- drawing ----

void TComboGrid::DrawText(QPainter* painter, const QRect& rect, const QString& text,
                          uint8_t alignment, int margin) {
    int flags = Qt::TextSingleLine;
    if (alignment & caWordWrap) flags = Qt::TextWordWrap;
    if (alignment & caHCenter)
        flags |= Qt::AlignHCenter;
    else if (alignment & caRight)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    const QRect bounds = painter->fontMetrics().boundingRect(rect, flags, text);
    const GridRect cell{rect.left(), rect.top(), rect.left() + rect.width(),
                        rect.top() + rect.height()};
    const GridPoint at = PlaceCellText(cell, bounds.width(), bounds.height(), alignment, margin);
    painter->save();
    painter->setClipRect(rect);
    painter->drawText(QRect(at.x, at.y, bounds.width(), bounds.height()), flags, text);
    painter->restore();
}

void TComboGrid::DrawButton(QPainter* painter, const QRect& rect, const QString& caption,
                            bool down) {
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.rect = rect;
    opt.text = caption;
    opt.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
    if (!down) opt.state &= ~QStyle::State_HasFocus;
    style()->drawControl(QStyle::CE_PushButton, &opt, painter, this);
}

void TComboGrid::DrawCheck(QPainter* painter, const QRect& rect, CheckState state, bool down) {
    const QPalette& pal = palette();
    qDrawShadePanel(painter, rect, pal, false, 1, &pal.brush(QPalette::Button));
    // A 13 by 13 square from 6 pixels before the centre to 7 after it.
    const QPoint c = rect.center();
    const QRect box(c.x() - 6, c.y() - 6, 13, 13);
    QBrush inside = down          ? pal.brush(QPalette::Button)
                    : state.found ? pal.brush(QPalette::Base)
                                  : pal.brush(QPalette::Disabled, QPalette::Text);
    qDrawShadePanel(painter, box, pal, true, 2, &inside);
    if (state.found && state.value == 0) {
        painter->save();
        painter->setPen(QPen(pal.color(QPalette::Text), 2));
        const QRect in = box.adjusted(3, 3, -3, -3);
        painter->drawLine(in.topLeft(), in.bottomRight());
        painter->drawLine(in.topRight(), in.bottomLeft());
        painter->restore();
    }
}

void TComboGrid::PaintCell(QPainter* painter, const QStyleOptionViewItem& option, int col,
                           int row) {
    const QRect rect = option.rect;
    const TCellKind& kind = CellKind(col);
    const QString text = Cell(col, row);
    const QPalette& pal = palette();
    if (row < fixedRows_) {
        painter->fillRect(rect, pal.brush(QPalette::Button));
        painter->setPen(pal.color(QPalette::ButtonText));
        DrawText(painter, rect, text, kind.fixedAlignment, kind.margin);
        return;
    }
    if (kind.kind == ckButton || kind.kind == ckCheck) {
        const bool down = pressed_ == QPoint(col, row);
        if (kind.kind == ckButton)
            DrawButton(painter, rect, Qs(ButtonCaption(kind, Std(text))), down);
        else
            DrawCheck(painter, rect, CheckStateOf(kind, Std(text)), down);
        if ((option.state & QStyle::State_HasFocus) && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = rect.adjusted(2, 2, -2, -2);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, this);
        }
        return;
    }
    if (col < fixedCols_) {
        painter->fillRect(rect, pal.brush(QPalette::Button));
        painter->setPen(pal.color(QPalette::ButtonText));
        DrawText(painter, rect, text, kind.fixedAlignment, kind.margin);
        return;
    }
    QColor back = pal.color(QPalette::Base);
    QColor fore = pal.color(QPalette::Text);
    QFont font = this->font();
    const bool selected = option.state & QStyle::State_Selected;
    if (selected && focusCellDraw_) {
        back = pal.color(QPalette::Highlight);
        fore = pal.color(QPalette::HighlightedText);
    } else if (EditCellDraw) {
        EditCellDraw(this, col, row, back, font, fore);
    }
    painter->save();
    painter->fillRect(rect, back);
    painter->setFont(font);
    painter->setPen(fore);
    const QString shown = Qs(CellDisplayText(kind, Std(text)));
    DrawText(painter, rect, shown, kind.cellAlignment, kind.margin);
    painter->restore();
}

}  // namespace vrnx2
