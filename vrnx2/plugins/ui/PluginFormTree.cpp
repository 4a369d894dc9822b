// The plugin window's tree page: the catalogue's categories and plugins, and the outside
// tools started on the selected plugin.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>
#include <array>
#include <unordered_set>

#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/controls/ui/DragAutoScroll.h"
#include "vrnx2/controls/ui/QtText.h"
#include "vrnx2/controls/ui/RowDragList.h"
#include "vrnx2/controls/ui/WindowSetup.h"
#include "vrnx2/plugins/PluginInstall.h"
#include "vrnx2/plugins/ui/PluginForm.h"
#include "vrnx2/profiles/Preferences.h"

namespace vrnx2 {

namespace {

// The four node images: root, category, disabled plugin, enabled plugin.
QIcon NodeIcon(int icon) {
    static std::array<QIcon, 4> icons;
    if (icons[0].isNull()) {
        QStyle* style = QApplication::style();
        icons[kIconRoot] = style->standardIcon(QStyle::SP_DriveHDIcon);
        icons[kIconCategory] = style->standardIcon(QStyle::SP_DirIcon);
        for (int i : {kIconDisabled, kIconEnabled}) {
            QPixmap pixmap(16, 16);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            QStyleOptionButton box;
            box.rect = QRect(1, 1, 14, 14);
            box.state =
                QStyle::State_Enabled | (i == kIconEnabled ? QStyle::State_On : QStyle::State_Off);
            box.palette = QApplication::palette();
            style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter);
            painter.end();
            icons[static_cast<size_t>(i)] = QIcon(pixmap);
        }
    }
    return icons[static_cast<size_t>(std::clamp(icon, 0, 3))];
}

void CollapseBelow(QTreeWidgetItem* item) {
    for (int i = 0; i < item->childCount(); ++i) CollapseBelow(item->child(i));
    item->setExpanded(false);
}

}  // namespace

// ---- the tree ----

QTreeWidgetItem* TPlugin_Form::ItemOf(const CatalogueNode* node) const {
    auto it = itemOf_.find(node);
    return it == itemOf_.end() ? nullptr : it->second;
}

CatalogueNode* TPlugin_Form::NodeOf(const QTreeWidgetItem* item) {
    return item ? reinterpret_cast<CatalogueNode*>(item->data(0, kNodeRole).value<quintptr>())
                : nullptr;
}

CatalogueNode* TPlugin_Form::SelectedNode() const {
    QTreeWidgetItem* item = tree_->currentItem();
    return item && item->isSelected() ? NodeOf(item) : nullptr;
}

void TPlugin_Form::SelectNode(CatalogueNode* node) {
    QTreeWidgetItem* item = ItemOf(node);
    ShowAsCurrent(tree_, item);
    SelectionChanged();
}

QRect TPlugin_Form::IconRect(const QTreeWidgetItem* item) const {
    if (!item) return {};
    QStyleOptionViewItem opt;
    opt.initFrom(tree_->viewport());
    opt.rect = tree_->visualItemRect(item);
    opt.features = QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    const int extent = tree_->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, tree_);
    opt.decorationSize = tree_->iconSize().isValid() ? tree_->iconSize() : QSize(extent, extent);
    opt.decorationPosition = QStyleOptionViewItem::Left;
    opt.decorationAlignment = Qt::AlignCenter;
    opt.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    opt.icon = item->icon(0);
    opt.text = item->text(0);
    opt.font = tree_->font();
    return tree_->style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, tree_);
}

void TPlugin_Form::SetItemIcon(QTreeWidgetItem* item, int icon) {
    item->setIcon(0, NodeIcon(icon));
    item->setData(0, kIconRole, icon);
}

void TPlugin_Form::SyncTree(CatalogueNode* select) {
    // Moves, renames and sorts rebuild the items; each node keeps its expanded state.
    std::unordered_set<const CatalogueNode*> collapsed;
    for (const auto& [node, item] : itemOf_)
        if (item->childCount() > 0 && !item->isExpanded()) collapsed.insert(node);
    syncing_ = true;
    {
        const QSignalBlocker block(tree_);
        tree_->setUpdatesEnabled(false);
        tree_->clear();
        itemOf_.clear();
        std::function<QTreeWidgetItem*(CatalogueNode*)> make = [&](CatalogueNode* node) {
            auto* item = new QTreeWidgetItem(QStringList{Qs(node->label)});
            item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
            SetItemIcon(item, node->icon);
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
            if (!node->IsRoot()) flags |= Qt::ItemIsDragEnabled;
            if (PluginCatalogue::CanRename(node)) flags |= Qt::ItemIsEditable;
            item->setFlags(flags);
            itemOf_[node] = item;
            for (auto& child : node->children) item->addChild(make(child.get()));
            return item;
        };
        if (catalogue_.Root()) tree_->addTopLevelItem(make(catalogue_.Root()));
        for (const auto& [node, item] : itemOf_)
            if (item->childCount() > 0) item->setExpanded(!collapsed.count(node));
        tree_->setUpdatesEnabled(true);
    }
    syncing_ = false;
    SelectNode(select);
}

void TPlugin_Form::AfterLoad() {
    itemOf_.clear();  // a fresh catalogue shows fully expanded
    SyncTree(nullptr);
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
    if (!catalogue_.TogglePlugin(node)) return;
    if (QTreeWidgetItem* item = ItemOf(node)) SetItemIcon(item, node->icon);
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
    if (QTreeWidgetItem* item = ItemOf(node)) tree_->editItem(item, 0);
}

void TPlugin_Form::DeleteCategory() {
    CatalogueNode* node = SelectedNode();
    if (!node) return;
    CatalogueNode* parent = node->parent;
    if (catalogue_.DeleteCategory(node)) SyncTree(parent);
}

void TPlugin_Form::RenameEdited(QTreeWidgetItem* item) {
    CatalogueNode* node = NodeOf(item);
    if (!node || item->text(0) == Qs(node->label)) return;
    const std::string text = item->text(0).toStdString();
    // The items are rebuilt afterwards, which must not happen while the view is still
    // committing the edit.
    QMetaObject::invokeMethod(
        this,
        [this, node, text] {
            bool live = false;
            for (const auto& entry : itemOf_) live = live || entry.first == node;
            if (!live) return;
            catalogue_.RenameCategory(node, text);
            SyncTree(node);
        },
        Qt::QueuedConnection);
}

void TPlugin_Form::ExpandSelected() {
    if (QTreeWidgetItem* item = ItemOf(SelectedNode()))
        tree_->expandRecursively(tree_->indexFromItem(item));
    else
        tree_->expandAll();
}

void TPlugin_Form::CollapseSelected() {
    CatalogueNode* node = SelectedNode();
    if (node && node->IsPlugin()) node = node->parent;
    if (!node) node = catalogue_.Root();
    if (node != SelectedNode()) SelectNode(node);
    if (QTreeWidgetItem* item = ItemOf(node)) CollapseBelow(item);
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
