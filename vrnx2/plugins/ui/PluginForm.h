#pragma once
// TPlugin_Form: one profile's name, plugin tree and plugin order. It shows the catalogue and
// forwards every action to it; install, uninstall and the outside tools go through hooks
// that tests replace.

#include <QDialog>
#include <QModelIndex>
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "vrnx2/controls/ui/ActionButton.h"
#include "vrnx2/plugins/PluginCatalogue.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QTabWidget;

namespace vrnx2 {

class DragAutoScroll;
class MirrorModel;
class RowDragList;

class TPlugin_Form : public QDialog {
    Q_OBJECT
public:
    // The item data role of a node's icon number.
    static constexpr int kIconRole = Qt::UserRole + 1;

    TPlugin_Form(QWidget* parent, const TProfileRec& profile, bool edit);
    ~TPlugin_Form() override;

    // The cabinet chooser: filter entries and the one shown first; empty when cancelled.
    std::function<QString(QWidget* parent, const QStringList& filters)> chooseCabinet;
    // Starts a program from its argument list, waiting for it when asked (RunArguments).
    std::function<void(const std::vector<std::string>& argv, bool wait)> runProgram;
    // Opens a document or folder with the desktop's handler.
    std::function<void(const std::string& target)> openTarget;

    QAction* Action(const std::string& name) const;
    PluginCatalogue& Catalogue() { return catalogue_; }
    RowDragList* Tree() const { return tree_; }
    RowDragList* OrderList() const { return list_; }
    QTabWidget* Pages() const { return pages_; }
    QLineEdit* NameField() const { return name_; }
    QCheckBox* OrderCheck() const { return orderCheck_; }
    QLabel* StatusLine() const { return status_; }

    // Set once an Apply has stored the choices; stays set after Cancel.
    bool Applied() const { return catalogue_.Applied(); }
    // The profile copy; Apply has updated its name and Manage Order.
    const TProfileRec& Profile() const { return profile_; }

    // The tree's index of a node shown, and the node of an index; invalid and null outside.
    QModelIndex IndexOf(const CatalogueNode* node) const;
    CatalogueNode* NodeOf(const QModelIndex& index) const;
    CatalogueNode* SelectedNode() const;
    void SelectNode(CatalogueNode* node);
    // Where a click toggles a plugin, in the tree's viewport.
    QRect IconRect(const QModelIndex& index) const;
    int SelectedRow() const;
    void SelectRow(int row);

    bool Apply();
    void Reload();
    void TogglePlugin();
    void ToggleNode(CatalogueNode* node);
    void Install();
    void Uninstall();
    void CreateCategory();
    void DeleteCategory();
    void ExpandSelected();
    void CollapseSelected();
    void SortTree();
    void RunConfiguration();
    void ViewHelp();
    void OpenInPluginBuilder();
    void OpenInTextEditor();
    void OpenFolder();
    void MoveRow(int delta);
    void SortByColumn(int column);

    // Drag and drop on the tree (onto `target`) and the order list (onto `row`).
    bool CanTreeDropOn(const CatalogueNode* target) const;
    bool TreeDropOn(CatalogueNode* target);
    bool CanListDropOn(int row) const;
    bool ListDropOn(int row);
    // Scrolls the tree or the list while a drag rests near its edges.
    DragAutoScroll* AutoScroller() const { return scroll_; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildActions();
    void BuildControls();
    void RestoreLayout();
    void SaveLayout();
    void AfterLoad();
    void SyncTree(CatalogueNode* select);
    void SyncList(int select);
    void SelectionChanged();
    void UpdateTreeActions();
    void UpdateOrderActions();
    void PageChanged(int page);
    void OrderCheckChanged(bool on);
    void RenameEdited(CatalogueNode* node, const QString& text);
    void ShowTreeMenu(const QPoint& pos);
    void ShowListMenu(const QPoint& pos);
    void PlaceButtons();
    void RunTool(ToolRun (*tool)(const TPluginRec&, const Preferences&));

    TProfileRec profile_;
    PluginCatalogue catalogue_;
    NamedActions actions_{this, true};
    int currentPage_ = 0;
    bool syncing_ = false;

    QLineEdit* name_ = nullptr;
    QTabWidget* pages_ = nullptr;
    RowDragList* tree_ = nullptr;
    MirrorModel* nodes_ = nullptr;
    std::unordered_map<std::uint64_t, CatalogueNode*> shown_;  // by id, as of the last update
    QCheckBox* orderCheck_ = nullptr;
    RowDragList* list_ = nullptr;
    QScrollArea* treePanel_ = nullptr;
    QWidget* orderPanel_ = nullptr;
    QWidget* upButton_ = nullptr;
    QWidget* downButton_ = nullptr;
    QLabel* status_ = nullptr;
    DragAutoScroll* scroll_ = nullptr;
};

}  // namespace vrnx2
