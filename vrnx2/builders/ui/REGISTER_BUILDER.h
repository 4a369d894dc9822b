#pragma once
// TREGISTER_BUILDER_FORM: adds, edits, removes and orders the registered builders. It shows
// and forwards; the list, its number map and the Apply live in BuilderList.

#include <QDialog>
#include <functional>
#include <map>
#include <string>

#include "vrnx2/builders/BuilderList.h"
#include "vrnx2/controls/ui/ActionButton.h"

class QAction;
class QGroupBox;
class QPushButton;

namespace vrnx2 {

class DragAutoScroll;
class RowDragList;

class TREGISTER_BUILDER_FORM : public QDialog {
    Q_OBJECT
public:
    explicit TREGISTER_BUILDER_FORM(QWidget* parent = nullptr);
    ~TREGISTER_BUILDER_FORM() override;

    // Asks for a builder's name and folder with `caption`; true on OK. Runs the builder
    // edit dialog unless replaced.
    std::function<bool(const QString& caption, QString& name, QString& path)> editBuilder;

    QAction* Action(const std::string& name) const;
    RowDragList* View() const { return view_; }
    const BuilderList& List() const { return list_; }
    // Set once an Apply has stored the list; stays set after Cancel.
    bool Changed() const { return changed_; }

    void AddBuilder();
    void EditBuilder();
    void DeleteBuilder();
    void MoveSelected(int delta);
    void SortByColumn(int column);
    // False when the store refused the list (the person was told).
    bool Apply();
    void SelectRow(int row);

    bool CanDropOn(int row) const;
    bool DropOn(int row);
    // Scrolls the list while a drag rests near its edges.
    DragAutoScroll* AutoScroller() const { return scroll_; }

    void done(int result) override;

private:
    void BuildControls();
    void RestoreLayout();
    void SaveLayout();
    void SyncView();
    void UpdateStates();
    void ShowContextMenu(const QPoint& pos);

    BuilderList list_;
    bool changed_ = false;
    bool showing_ = false;  // the view is being brought to the selection
    NamedActions actions_{this, true};
    QGroupBox* frame_ = nullptr;
    RowDragList* view_ = nullptr;
    DragAutoScroll* scroll_ = nullptr;
};

}  // namespace vrnx2
