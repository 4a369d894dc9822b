// The plugin window's tree page: the catalogue's categories and plugins, and the outside
// tools started on the selected plugin.
#include <QAction>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabWidget>

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/controls/ui/DragAutoScroll.h"
#include "vrnx2/controls/ui/MirrorModel.h"
#include "vrnx2/controls/ui/QtText.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/plugins/PluginInstall.h"
#include "vrnx2/plugins/ui/PluginForm.h"
#include "vrnx2/profiles/Preferences.h"

namespace vrnx2 {

namespace {

void CollapseBelow(QTreeView* view, const QModelIndex& index) {
    const QAbstractItemModel* model = view->model();
    for (int i = 0; i < model->rowCount(index); ++i) CollapseBelow(view, model->index(i, 0, index));
    view->collapse(index);
}

}  // namespace

// ---- the tree ----

QModelIndex TPlugin_Form::IndexOf(const CatalogueNode* node) const {
    return node ? nodes_->IndexOf(node->id) : QModelIndex();
}

CatalogueNode* TPlugin_Form::NodeOf(const QModelIndex& index) const {
    // Only a node the tree shows: the model is synced after every change of the catalogue.
    auto it = shown_.find(nodes_->KeyOf(index));
    return it != shown_.end() && nodes_->Rows().Has(it->first) ? it->second : nullptr;
}

CatalogueNode* TPlugin_Form::SelectedNode() const {
    const QModelIndex index = tree_->currentIndex();
    return index.isValid() && tree_->selectionModel()->isSelected(index) ? NodeOf(index) : nullptr;
}

void TPlugin_Form::SelectNode(CatalogueNode* node) {
    ShowAsCurrent(tree_, IndexOf(node));
    SelectionChanged();
}

QRect TPlugin_Form::IconRect(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    QStyleOptionViewItem opt;
    opt.initFrom(tree_->viewport());
    opt.rect = tree_->visualRect(index);
    opt.features = QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    const int extent = tree_->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, tree_);
    opt.decorationSize = tree_->iconSize().isValid() ? tree_->iconSize() : QSize(extent, extent);
    opt.decorationPosition = QStyleOptionViewItem::Left;
    opt.decorationAlignment = Qt::AlignCenter;
    opt.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    opt.icon = index.data(Qt::DecorationRole).value<QIcon>();
    opt.text = index.data(Qt::DisplayRole).toString();
    opt.font = tree_->font();
    return tree_->style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, tree_);
}

void TPlugin_Form::SyncTree(CatalogueNode* select) {
    // Row by row: the view keeps each node's expansion and its scroll place.
    syncing_ = true;
    nodes_->Sync();
    syncing_ = false;
    SelectNode(select);
}

void TPlugin_Form::AfterLoad() {
    // A fresh catalogue shows fully expanded.
    syncing_ = true;
    nodes_->Reset();
    tree_->expandAll();
    syncing_ = false;
    SyncList(catalogue_.RowCount() > 0 ? 0 : -1);
    SelectNode(catalogue_.Root());
    tree_->setFocus();
}

void TPlugin_Form::SelectionChanged() {
    const CatalogueNode* node = SelectedNode();
    status_->setText(node && node->IsPlugin() ? Qs(catalogue_.RelativePath(*node->record))
                                              : QString());
    UpdateTreeActions();
}

void TPlugin_Form::UpdateTreeActions() {
    const TreeActionStates s = ActionStatesFor(SelectedNode());
    for (const char* name :
         {"EnablePlugin", "UnInstall", "PluginBuilder", "TextEditor", "Explorer"})
        Action(name)->setEnabled(s.enablePlugin);
    Action("Configulation")->setEnabled(s.configuration);
    Action("ViewHelp")->setEnabled(s.viewHelp);
    Action("DeleteCategory")->setEnabled(s.deleteCategory);
}

void TPlugin_Form::Reload() {
    pages_->setCurrentIndex(0);
    catalogue_.Load();
    AfterLoad();
}

void TPlugin_Form::TogglePlugin() {
    ToggleNode(SelectedNode());
}

void TPlugin_Form::ToggleNode(CatalogueNode* node) {
    if (catalogue_.TogglePlugin(node)) nodes_->Sync();
}

void TPlugin_Form::Install() {
    QStringList filters;
    for (const std::string& f : ChooserFilters(ParseFileFilter(Msg(kMsgCabinetFilter))))
        filters << Qs(f);
    const QString file = chooseCabinet ? chooseCabinet(this, filters) : QString();
    if (file.isEmpty()) return;
    pages_->setCurrentIndex(0);
    if (InstallPlugin(catalogue_, file.toStdString()) == InstallOutcome::Installed) AfterLoad();
    UpdateTreeActions();
}

void TPlugin_Form::Uninstall() {
    CatalogueNode* node = SelectedNode();
    if (!node || !node->IsPlugin()) return;
    CatalogueNode* parent = node->parent;
    if (UninstallPlugin(catalogue_, node)) {
        SyncTree(parent);
        SyncList(-1);
    }
    UpdateTreeActions();
}

void TPlugin_Form::CreateCategory() {
    CatalogueNode* node = catalogue_.CreateCategory(SelectedNode());
    SyncTree(node);
    tree_->setFocus();
    if (const QModelIndex index = IndexOf(node); index.isValid()) tree_->edit(index);
}

void TPlugin_Form::DeleteCategory() {
    CatalogueNode* node = SelectedNode();
    if (!node) return;
    CatalogueNode* parent = node->parent;
    if (catalogue_.DeleteCategory(node)) SyncTree(parent);
}

void TPlugin_Form::RenameEdited(CatalogueNode* node, const QString& edited) {
    if (!node || edited == Qs(node->label)) return;
    const std::string text = edited.toStdString();
    // The rename may tell of a bad name and sorts the siblings, neither of which belongs in
    // the middle of the view committing its editor.
    // By its id: the node may be gone by then.
    QMetaObject::invokeMethod(
        this,
        [this, id = node->id, text] {
            CatalogueNode* live = NodeOf(nodes_->IndexOf(id));
            if (!live) return;
            catalogue_.RenameCategory(live, text);
            SyncTree(live);
        },
        Qt::QueuedConnection);
}

void TPlugin_Form::ExpandSelected() {
    if (const QModelIndex index = IndexOf(SelectedNode()); index.isValid())
        tree_->expandRecursively(index);
    else
        tree_->expandAll();
}

void TPlugin_Form::CollapseSelected() {
    CatalogueNode* node = SelectedNode();
    if (node && node->IsPlugin()) node = node->parent;
    if (!node) node = catalogue_.Root();
    if (node != SelectedNode()) SelectNode(node);
    if (const QModelIndex index = IndexOf(node); index.isValid()) CollapseBelow(tree_, index);
}

void TPlugin_Form::SortTree() {
    catalogue_.SortTree();
    SyncTree(SelectedNode());
}

bool TPlugin_Form::CanTreeDropOn(const CatalogueNode* target) const {
    const CatalogueNode* dragged = SelectedNode();
    return dragged && target && target != dragged;
}

bool TPlugin_Form::TreeDropOn(CatalogueNode* target) {
    scroll_->Stop();
    CatalogueNode* dragged = SelectedNode();
    if (!CanTreeDropOn(target) || !catalogue_.MoveNode(dragged, target)) return false;
    SyncTree(dragged);
    return true;
}

// ---- outside tools ----

void TPlugin_Form::RunConfiguration() {
    const CatalogueNode* node = SelectedNode();
    if (!node || !node->IsPlugin() || !runProgram) return;
    const std::vector<std::string> argv = ConfigArguments(*node->record);
    if (!argv.empty()) runProgram(argv, false);
}

void TPlugin_Form::ViewHelp() {
    const CatalogueNode* node = SelectedNode();
    if (node && node->IsPlugin() && !node->record->Help.empty() && openTarget)
        openTarget(node->record->Help);
}

void TPlugin_Form::RunTool(ToolRun (*tool)(const TPluginRec&, const Preferences&)) {
    const CatalogueNode* node = SelectedNode();
    if (!node || !node->IsPlugin() || !runProgram) return;
    const ToolRun run = tool(*node->record, LoadPreferences());
    if (!run.argv.empty()) runProgram(run.argv, run.wait);
}

void TPlugin_Form::OpenInPluginBuilder() {
    RunTool(&PluginBuilderRun);
}

void TPlugin_Form::OpenInTextEditor() {
    RunTool(&TextEditorRun);
}

void TPlugin_Form::OpenFolder() {
    const CatalogueNode* node = SelectedNode();
    if (node && node->IsPlugin() && openTarget) openTarget(node->record->Dir + "/");
}

}  // namespace vrnx2
