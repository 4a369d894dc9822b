#pragma once
// The plugin catalogue of one profile, as logic: the tree of categories and plugins, the order
// list of the enabled plugins, and Apply, which stores the profile's choices. The plugin
// window shows this data and forwards its actions here; nodes and rows are plain values.
//
// Stored form, under Profiles\NNN\Plugin: one string value per plugin, named by its plugin
// key, with the data "enabled","category\path","order".

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vrnx2/base/FormGeometry.h"
#include "vrnx2/plugins/PluginTools.h"
#include "vrnx2/settings/Records.h"

namespace vrnx2 {

enum CatalogueIcon { kIconRoot = 0, kIconCategory = 1, kIconDisabled = 2, kIconEnabled = 3 };

// A number for each node made in this run, never given twice.
std::uint64_t NewCatalogueNodeId();

// One node of the tree. Nodes are owned by their parent, so a pointer stays valid while the
// node exists, also across moves.
struct CatalogueNode {
    std::uint64_t id = NewCatalogueNodeId();  // how the window's rows know the node
    std::string label;
    int icon = kIconCategory;
    std::string key;  // plugin key; empty for the root and categories
    std::unique_ptr<TPluginRec> record;
    CatalogueNode* parent = nullptr;
    std::vector<std::unique_ptr<CatalogueNode>> children;

    bool IsRoot() const { return parent == nullptr; }
    bool IsPlugin() const { return icon == kIconDisabled || icon == kIconEnabled; }
    // The root counts as a category, as it does for the tree's actions.
    bool IsCategory() const { return !IsPlugin(); }
};

// One row of the order list. It points to the record of its tree node and owns nothing.
struct OrderRow {
    CatalogueNode* node = nullptr;
    std::string caption;  // Name
    std::string path;     // plugin file relative to the plugin folder
};

class PluginCatalogue {
public:
    // `profile` gives the builder folder, the profile number and Manage Order;
    // `categoryListFile` the predefined categories (DefaultCategoryListFile() in the program).
    PluginCatalogue(const TProfileRec& profile, std::string categoryListFile);

    // The program file's path with the extension ".cgl".
    static std::string DefaultCategoryListFile();

    const std::string& PluginDir() const { return pluginDir_; }
    // Profiles\NNN\Plugin of the profile.
    const std::string& StoreKey() const { return storeKey_; }

    // ---- the tree ----

    // Scans the plugin folder, applies the stored choices and the category list, and builds
    // the tree afresh; unapplied edits are dropped. Builds the order list when the profile
    // manages the order, else clears it.
    void Load();

    CatalogueNode* Root() const { return root_.get(); }
    // Every node, each before its children, children in sibling order.
    std::vector<CatalogueNode*> Nodes() const;
    // The labels of the node's ancestors below the root, outermost first, joined by "\".
    static std::string CategoryPathOf(const CatalogueNode* node);
    // The path of a plugin's file relative to the plugin folder ("/"-separated).
    std::string RelativePath(const TPluginRec& rec) const;

    // Flips an enabled plugin to disabled and back; false (nothing changed) for categories.
    bool TogglePlugin(CatalogueNode* node);

    // A new category labelled with message 125 as the last child of `selected` (a plugin's
    // parent when a plugin is selected, the root when nothing is).
    CatalogueNode* CreateCategory(CatalogueNode* selected);
    // In-place editing is allowed on categories other than the root.
    static bool CanRename(const CatalogueNode* node);
    // Takes the text, trimmed, when it is not empty and holds no "\"; the siblings are then
    // sorted again. Otherwise reports the invalid name and returns false; the window puts
    // the label back to record->Name.
    bool RenameCategory(CatalogueNode* node, const std::string& text);
    // Removes an empty category; a category with content is refused with a message. The root
    // and plugins are never removed here.
    bool DeleteCategory(CatalogueNode* node);
    // Drag and drop: moves `dragged` with everything below it to the end of the target's
    // category (the target itself when it is a category or the root). False when nothing
    // moves: the target is the dragged node or lies inside it.
    bool MoveNode(CatalogueNode* dragged, CatalogueNode* target);
    // Removes a plugin node (after its files were uninstalled), with its order list row.
    void RemovePlugin(CatalogueNode* node);
    // Sorts every node's children: categories first, then plugins, each by label.
    void SortTree();
    static void SortChildren(CatalogueNode* node);

    // ---- the order list ----

    bool ManageOrder() const { return manageOrder_; }
    // The order check box: set builds the list, clear empties it.
    void SetManageOrder(bool on);
    // Rows for the enabled plugins in tree order, sorted once by Order, then by folder.
    void BuildOrderList();
    void ClearOrderList();
    // Leaving the order page: each row's record gets its 1-based position (when managed).
    void RefreshOrder();

    const std::vector<OrderRow>& Rows() const { return rows_; }
    bool CanMoveUp(int row) const { return row > 0 && row < RowCount(); }
    bool CanMoveDown(int row) const { return row >= 0 && row + 1 < RowCount(); }
    // Both return the row's new position (the row that was moved stays selected).
    int MoveRowUp(int row);
    int MoveRowDown(int row);
    // Drag and drop on the list: the dragged row lands at the target's position (after the
    // target when it was below, before it otherwise). Returns the new position.
    int DropRow(int dragged, int target);
    // Column click: the column's direction turns 1 -> -1 -> 1 (0 becomes 1) and the rows
    // are sorted by it once. Returns the new direction.
    int SortByColumn(int column);
    int SortDirection(int column) const { return directions_[column == 0 ? 0 : 1]; }
    int RowCount() const { return static_cast<int>(rows_.size()); }

    // ---- Apply ----

    // Stores the tree as the profile's choices in one transaction and updates `profile`
    // (ProfileName from `nameField` trimmed, Manage Order). A store failure is reported,
    // leaves the stored choices and `profile` as they were, and returns false.
    bool Apply(TProfileRec& profile, const std::string& nameField);
    // Set by a successful Apply; stays set (Apply then Cancel still counts as changed).
    bool Applied() const { return applied_; }

    // The value data stored for a plugin node (quotes in the path doubled).
    static std::string StoredValue(const TPluginRec& rec, const std::string& categoryPath);

private:
    std::string pluginDir_;
    std::string storeKey_;
    std::string categoryListFile_;
    bool manageOrder_ = false;
    bool applied_ = false;
    std::unique_ptr<CatalogueNode> root_;
    std::vector<OrderRow> rows_;
    int directions_[2] = {0, 0};
};

// Category path normalised for the set: trimmed, one leading and one trailing "\" removed.
std::string NormaliseCategoryPath(const std::string& path);

// ---- what the tree's actions may do with the selected node ----

struct TreeActionStates {
    bool enablePlugin = false;    // also UnInstall, PluginBuilder, TextEditor, Explorer
    bool configuration = false;   // the plugin's configuration program exists
    bool viewHelp = false;        // the plugin's help file exists
    bool deleteCategory = false;  // a category other than the root
};
// Null for no selection. Reload, Install, CreateCategory, Expand, Collapse and Sort are
// always available.
TreeActionStates ActionStatesFor(const CatalogueNode* selected);

// ---- the plugin window's geometry ----

inline constexpr const char* kPluginFormKey = "Software\\HALV\\Varnex v2\\Forms\\Plugin";

// Client size, place and state of the plugin window (Top and Left default to centring it),
// and the widths of the order list's two columns.
struct PluginFormLayout {
    MainFormGeometry geometry{460, 592, 0, 0, FormState::Normal};
    int32_t pluginColumn = 216;
    int32_t pathColumn = 200;
};
PluginFormLayout LoadPluginFormLayout(int screenWidth, int screenHeight);
// Normal state: FormState 0 and the geometry; otherwise FormState alone, so the last normal
// geometry stays. The column widths always. One transaction.
void SavePluginFormLayout(const PluginFormLayout& layout);
}  // namespace vrnx2
