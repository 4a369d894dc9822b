#pragma once
// TComboGrid: a grid of text cells in which every column has a kind (text, drop-down
// list, button, check box) and settings; a colour hook for drawing, an event for button
// clicks and one for the end of editing. The rules without a window live in CellKind.h.

#include <QLineEdit>
#include <QListWidget>
#include <QPoint>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vrnx2/controls/CellKind.h"

namespace vrnx2 {

class TComboGrid;

// The settings of one column; changing an alignment repaints the grid.
class TCellKind : public CellKindData {
public:
    explicit TCellKind(TComboGrid* owner) : owner_(owner) {}
    TComboGrid* Owner() const { return owner_; }
    void SetCellAlignment(uint8_t alignment);
    void SetFixedAlignment(uint8_t alignment);

private:
    TComboGrid* owner_;
};

// Drop-down list of a list column: a window of its own that never takes the focus; the
// editor hands it the keys that work the list.
class TInplaceListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TInplaceListBox(QWidget* owner);

signals:
    void picked(const QString& text);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The in-place editor: a line edit with the column's input mask and length limit; list
// columns add a drop-down button at the right edge.
class TComboInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    TComboInplaceEdit(TComboGrid* grid, const CellKindData& kind, QWidget* parent);

    const CellKindData& Kind() const { return kind_; }
    bool ListVisible() const;
    TInplaceListBox* List() const { return list_; }
    QWidget* DropDownButton() const { return button_; }
    void OpenList();
    void CloseList();
    void ToggleList();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceButton();
    TComboGrid* grid_;
    CellKindData kind_;
    QWidget* button_ = nullptr;
    TInplaceListBox* list_ = nullptr;
};

class TComboGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit TComboGrid(QWidget* parent = nullptr);
    ~TComboGrid() override;

    // The column's settings; a column beyond the list gets the defaults on first use.
    TCellKind& CellKind(int col);
    int CellKindCount() const { return static_cast<int>(kinds_.size()); }

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);
    // An integer carried by a cell besides its text.
    int CellValue(int col, int row) const;
    void SetCellValue(int col, int row, int value);

    int FixedRows() const { return fixedRows_; }
    int FixedCols() const { return fixedCols_; }
    void SetFixedRows(int n);
    void SetFixedCols(int n);
    // Whether cells may be edited at all (the grid's editing option).
    bool EditingAllowed() const { return editTriggers() != NoEditTriggers; }
    void SetEditingAllowed(bool on);

    bool FocusCellDraw() const { return focusCellDraw_; }
    void SetFocusCellDraw(bool on);
    QPoint PressedCell() const { return pressed_; }  // (column, row); (−1, −1) none

    // Colour and font hook for normal text and list cells: on entry the grid's background
    // colour, its font and its text colour.
    std::function<void(TComboGrid* sender, int col, int row, QColor& colour, QFont& font,
                       QColor& fontColour)>
        EditCellDraw;
    std::function<void(TComboGrid* sender, int col, int row)> OnGridBtnClick;
    std::function<void(TComboGrid* sender)> OnEditEnd;
    // For the owning window: keys before the grid sees them (true consumes), mouse events
    // after the grid has handled them.
    std::function<bool(QKeyEvent*)> OnKeyDown;
    std::function<bool(QKeyEvent*)> OnKeyUp;
    std::function<void(QMouseEvent*)> OnMouseDown;
    std::function<void(QMouseEvent*)> OnMouseMove;
    std::function<void(QMouseEvent*)> OnMouseUp;

    // Stored form of the design.
    std::string CellDataText() const;
    bool SetCellDataText(std::string_view text, std::string* error = nullptr);
    std::string CellKindText() const;
    bool SetCellKindText(std::string_view text, std::string* error = nullptr);

    // Draws one cell (the delegate's paint).
    void PaintCell(QPainter* painter, const QStyleOptionViewItem& option, int col, int row);
    // Writes a check cell's next state and repaints it.
    void ToggleCheck(int col, int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    friend class TComboInplaceEdit;
    bool IsFixed(int col, int row) const { return row < fixedRows_ || col < fixedCols_; }
    bool BeginPress(int col, int row);
    void EndPress(bool inside);
    void RepaintCell(int col, int row);
    void DrawText(QPainter* painter, const QRect& rect, const QString& text, uint8_t alignment,
                  int margin);
    void DrawButton(QPainter* painter, const QRect& rect, const QString& caption, bool down);
    void DrawCheck(QPainter* painter, const QRect& rect, CheckState state, bool down);

    std::vector<std::unique_ptr<TCellKind>> kinds_;
    QPoint pressed_{-1, -1};
    bool focusCellDraw_ = true;
    int fixedRows_ = 0;
    int fixedCols_ = 0;
};

}  // namespace vrnx2
