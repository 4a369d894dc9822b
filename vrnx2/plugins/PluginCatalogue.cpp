#include "vrnx2/plugins/PluginCatalogue.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "common/MoveElement.h"
#include "common/Number.h"
#include "common/Trim.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/TextCase.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/build/BuildPlan.h"
#include "vrnx2/build/OutsideProgram.h"
#include "vrnx2/build/PluginChoices.h"
#include "vrnx2/build/PluginFiles.h"
#include "vrnx2/settings/FormGeometryStore.h"
#include "vrnx2/settings/General.h"
#include "vrnx2/settings/ProfileList.h"

namespace vrnx2 {

std::uint64_t NewCatalogueNodeId() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

namespace fs = std::filesystem;

namespace {

constexpr const char* kRootLabel = "Plugins";

// Path elements of a category path. Empty elements ("a\\b") name no category and are
// dropped, so such a path lands where "a\b" does.
std::vector<std::string> Elements(const std::string& path) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t slash = path.find('\\', start);
        std::string element =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!element.empty()) out.push_back(std::move(element));
        if (slash == std::string::npos) return out;
        start = slash + 1;
    }
}

std::string Join(const std::vector<std::string>& elements, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        if (i) out += '\\';
        out += elements[i];
    }
    return out;
}

// Category paths compare element by element, so a path always follows its ancestors and
// siblings come in label order.
bool PathLess(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int c = platform::CompareNoCaseLocale(a[i], b[i]);
        if (c != 0) return c < 0;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;  // names the collator holds equal still get one fixed order
}

std::vector<std::string> ReadCategoryList(const std::string& file) {
    std::vector<std::string> lines;
    auto bytes = platform::ReadFile(file);
    if (!bytes) return lines;
    std::string text = DecodeIniText(*bytes);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        std::string line =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        // Only a ";" in the very first column makes a comment: " ;x" names a category.
        if (!line.empty() && line[0] != ';' && !TrimView(line).empty()) lines.push_back(line);
        if (end == std::string::npos) break;
        start =
            end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

std::unique_ptr<CatalogueNode> MakeCategory(const std::string& name, const std::string& label,
                                            int icon = kIconCategory) {
    auto node = std::make_unique<CatalogueNode>();
    node->label = label;
    node->icon = icon;
    node->record = std::make_unique<TPluginRec>();
    node->record->IsCategory = true;
    node->record->Name = name;
    return node;
}

CatalogueNode* Append(CatalogueNode* parent, std::unique_ptr<CatalogueNode> node) {
    node->parent = parent;
    parent->children.push_back(std::move(node));
    return parent->children.back().get();
}

void Collect(CatalogueNode* node, std::vector<CatalogueNode*>& out) {
    out.push_back(node);
    for (auto& child : node->children) Collect(child.get(), out);
}

bool Contains(const CatalogueNode* ancestor, const CatalogueNode* node) {
    for (; node; node = node->parent)
        if (node == ancestor) return true;
    return false;
}

std::unique_ptr<CatalogueNode> Detach(CatalogueNode* node) {
    auto& siblings = node->parent->children;
    auto it = std::find_if(siblings.begin(), siblings.end(),
                           [node](const auto& c) { return c.get() == node; });
    std::unique_ptr<CatalogueNode> owned = std::move(*it);
    siblings.erase(it);
    owned->parent = nullptr;
    return owned;
}

void ShowError(const std::string& text) {
    UI().MessageBox(text, Msg(kMsgError), MB_ERROR_OK);
}

}  // namespace

std::string NormaliseCategoryPath(const std::string& path) {
    std::string p = Trim(path);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    if (!p.empty() && p.front() == '\\') p.erase(0, 1);
    return p;
}

PluginCatalogue::PluginCatalogue(const TProfileRec& profile, std::string categoryListFile)
    : categoryListFile_(std::move(categoryListFile)), manageOrder_(profile.ManageOrder) {
    const std::string builderDir = platform::WithoutTrailingSlash(profile.Builder.Path);
    pluginDir_ =
        platform::ResolveNoCase(builderDir.empty() ? "." : builderDir, "Plugin").generic_string();
    storeKey_ = ProfileKey(profile.ProfileNumber) + "\\Plugin";
    root_ = MakeCategory(kRootLabel, kRootLabel, kIconRoot);
}

std::string PluginCatalogue::DefaultCategoryListFile() {
    return platform::ProgramFile().replace_extension(".cgl").generic_string();
}

void PluginCatalogue::Load() {
    BusyPointer busy;
    rows_.clear();
    directions_[0] = directions_[1] = 0;
    root_ = MakeCategory(kRootLabel, kRootLabel, kIconRoot);

    PluginHolder scanned;
    ScanPluginFiles(pluginDir_, pluginDir_, scanned);
    std::stable_sort(scanned.Entries().begin(), scanned.Entries().end(),
                     [](const auto& a, const auto& b) {
                         return platform::CompareNoCaseLocale(a.text, b.text) < 0;
                     });

    // Stored choices override the plugin file's defaults. Keys compare without regard to case.
    ApplyPluginChoices(ReadPluginChoices(storeKey_), scanned);

    // The category set: every listed and every used path with all its ancestors.
    std::unordered_map<std::string, std::vector<std::string>> set;  // folded path -> elements
    auto addPath = [&set](const std::string& path) {
        auto elements = Elements(path);
        for (size_t n = 1; n <= elements.size(); ++n) {
            std::vector<std::string> prefix(elements.begin(), elements.begin() + n);
            set.emplace(platform::FoldCase(Join(prefix, n)), std::move(prefix));
        }
    };
    auto listed = ReadCategoryList(categoryListFile_);
    std::stable_sort(listed.begin(), listed.end(), [](const auto& a, const auto& b) {
        return platform::CompareNoCaseLocale(a, b) < 0;
    });
    for (const auto& line : listed) addPath(NormaliseCategoryPath(line));
    for (int i = 0; i < scanned.Count(); ++i) {
        TPluginRec* rec = scanned.Get(i);
        rec->Category = NormaliseCategoryPath(rec->Category);
        addPath(rec->Category);
    }
    std::vector<std::vector<std::string>> paths;
    paths.reserve(set.size());
    for (auto& [folded, elements] : set) paths.push_back(std::move(elements));
    std::sort(paths.begin(), paths.end(), PathLess);

    std::unordered_map<std::string, CatalogueNode*> nodeOf;  // folded path -> category node
    for (const auto& elements : paths) {
        CatalogueNode* parent = root_.get();
        if (elements.size() > 1) {
            auto it = nodeOf.find(platform::FoldCase(Join(elements, elements.size() - 1)));
            if (it != nodeOf.end()) parent = it->second;
        }
        const std::string& name = elements.back();
        CatalogueNode* node = Append(parent, MakeCategory(name, Trim(name)));
        nodeOf.emplace(platform::FoldCase(Join(elements, elements.size())), node);
    }

    for (int i = 0; i < scanned.Count(); ++i) {
        std::unique_ptr<TPluginRec> rec = scanned.Take(i);
        CatalogueNode* parent = root_.get();
        if (!rec->Category.empty()) {
            auto elements = Elements(rec->Category);
            auto it = nodeOf.find(platform::FoldCase(Join(elements, elements.size())));
            if (it != nodeOf.end()) parent = it->second;
        }
        auto node = std::make_unique<CatalogueNode>();
        node->label = rec->Name;
        node->icon = rec->Enabled ? kIconEnabled : kIconDisabled;
        node->key = scanned.Text(i);
        node->record = std::move(rec);
        Append(parent, std::move(node));
    }

    if (manageOrder_) BuildOrderList();
}

std::vector<CatalogueNode*> PluginCatalogue::Nodes() const {
    std::vector<CatalogueNode*> out;
    Collect(root_.get(), out);
    return out;
}

std::string PluginCatalogue::CategoryPathOf(const CatalogueNode* node) {
    std::vector<const std::string*> labels;
    for (const CatalogueNode* p = node ? node->parent : nullptr; p && !p->IsRoot(); p = p->parent)
        labels.push_back(&p->label);
    std::string path;
    for (auto it = labels.rbegin(); it != labels.rend(); ++it) {
        if (!path.empty()) path += '\\';
        path += **it;
    }
    return path;
}

std::string PluginCatalogue::RelativePath(const TPluginRec& rec) const {
    const std::string prefix = pluginDir_ + "/";
    if (rec.FilePath.compare(0, prefix.size(), prefix) == 0)
        return rec.FilePath.substr(prefix.size());
    return rec.FilePath;
}

bool PluginCatalogue::TogglePlugin(CatalogueNode* node) {
    if (!node || !node->IsPlugin()) return false;
    node->icon = node->icon == kIconEnabled ? kIconDisabled : kIconEnabled;
    node->record->Enabled = node->icon == kIconEnabled;
    return true;
}

CatalogueNode* PluginCatalogue::CreateCategory(CatalogueNode* selected) {
    // Everything stays below the root, so every category has a path Apply can store.
    CatalogueNode* parent = selected ? selected : root_.get();
    if (parent->IsPlugin()) parent = parent->parent;
    const std::string name = Msg(kMsgNewCategory);
    return Append(parent, MakeCategory(name, name));
}

bool PluginCatalogue::CanRename(const CatalogueNode* node) {
    return node && node->icon == kIconCategory && !node->IsRoot();
}

bool PluginCatalogue::RenameCategory(CatalogueNode* node, const std::string& text) {
    if (!CanRename(node)) return false;
    std::string trimmed = Trim(text);
    if (trimmed.empty() || trimmed.find('\\') != std::string::npos) {
        ShowError(Msg(kMsgInvalidCategoryName));
        node->label = node->record->Name;
        return false;
    }
    // The label is what Apply stores: blanks around it would make a second category that
    // looks the same as this one once the tree is loaded again.
    node->record->Name = trimmed;
    node->label = trimmed;
    SortChildren(node->parent);
    return true;
}

bool PluginCatalogue::DeleteCategory(CatalogueNode* node) {
    if (!node || node->icon != kIconCategory || node->IsRoot()) return false;
    if (!node->children.empty()) {
        ShowError(Msg(kMsgCategoryNotEmpty));
        return false;
    }
    Detach(node);
    return true;
}

bool PluginCatalogue::MoveNode(CatalogueNode* dragged, CatalogueNode* target) {
    if (!dragged || !target || dragged->IsRoot() || Contains(dragged, target)) return false;
    CatalogueNode* parent = target->IsPlugin() ? target->parent : target;
    Append(parent, Detach(dragged));
    return true;
}

void PluginCatalogue::RemovePlugin(CatalogueNode* node) {
    if (!node || !node->IsPlugin() || node->IsRoot()) return;
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(),
                               [node](const OrderRow& r) { return r.node == node; }),
                rows_.end());
    Detach(node);
}

void PluginCatalogue::SortChildren(CatalogueNode* node) {
    if (!node) return;
    auto sortKey = [](const CatalogueNode& n) { return (n.IsCategory() ? "a" : "z") + n.label; };
    std::stable_sort(node->children.begin(), node->children.end(),
                     [&](const auto& a, const auto& b) {
                         return platform::CompareNoCaseLocale(sortKey(*a), sortKey(*b)) < 0;
                     });
}

void PluginCatalogue::SortTree() {
    for (CatalogueNode* node : Nodes()) SortChildren(node);
}

void PluginCatalogue::SetManageOrder(bool on) {
    manageOrder_ = on;
    if (on)
        BuildOrderList();
    else
        ClearOrderList();
}

void PluginCatalogue::ClearOrderList() {
    rows_.clear();
}

void PluginCatalogue::BuildOrderList() {
    rows_.clear();
    for (CatalogueNode* node : Nodes()) {
        if (!node->IsPlugin() || !node->record->Enabled) continue;
        rows_.push_back(OrderRow{node, node->record->Name, RelativePath(*node->record)});
    }
    directions_[0] = directions_[1] = 0;
    // By number, then by folder. Comparing the numbers as numbers keeps position 1000 after
    // 999, where the three-digit text key would not.
    std::stable_sort(rows_.begin(), rows_.end(), [](const OrderRow& a, const OrderRow& b) {
        const TPluginRec& ra = *a.node->record;
        const TPluginRec& rb = *b.node->record;
        if (ra.Order != rb.Order) return ra.Order < rb.Order;
        return platform::CompareNoCaseLocale(ra.Dir, rb.Dir) < 0;
    });
}

void PluginCatalogue::RefreshOrder() {
    if (!manageOrder_) return;
    for (size_t i = 0; i < rows_.size(); ++i)
        rows_[i].node->record->Order = static_cast<int32_t>(i + 1);
}

int PluginCatalogue::MoveRowUp(int row) {
    if (!CanMoveUp(row)) return row;
    std::swap(rows_[row - 1], rows_[row]);
    return row - 1;
}

int PluginCatalogue::MoveRowDown(int row) {
    if (!CanMoveDown(row)) return row;
    std::swap(rows_[row], rows_[row + 1]);
    return row + 1;
}

int PluginCatalogue::DropRow(int dragged, int target) {
    if (dragged < 0 || dragged >= RowCount() || target < 0 || target >= RowCount() ||
        dragged == target)
        return dragged;
    MoveElement(rows_, static_cast<size_t>(dragged), static_cast<size_t>(target));
    return target;
}

int PluginCatalogue::SortByColumn(int column) {
    int& direction = directions_[column == 0 ? 0 : 1];
    direction = (direction == 1 || direction == -1) ? -direction : 1;
    const int d = direction;
    std::stable_sort(rows_.begin(), rows_.end(), [column, d](const OrderRow& a, const OrderRow& b) {
        const std::string& x = column == 0 ? a.caption : a.path;
        const std::string& y = column == 0 ? b.caption : b.path;
        return platform::CompareNoCaseLocale(x, y) * d < 0;
    });
    return direction;
}

std::string PluginCatalogue::StoredValue(const TPluginRec& rec, const std::string& categoryPath) {
    return EncodePluginChoice(rec.Enabled, categoryPath, rec.Order);
}

bool PluginCatalogue::Apply(TProfileRec& profile, const std::string& nameField) {
    std::vector<CatalogueNode*> nodes = Nodes();
    for (CatalogueNode* node : nodes) node->record->Order = 0;
    if (manageOrder_)
        for (size_t i = 0; i < rows_.size(); ++i)
            rows_[i].node->record->Order = static_cast<int32_t>(i + 1);

    // The old choices go only together with the new ones being written.
    std::vector<PluginChoice> choices;
    for (CatalogueNode* node : nodes) {
        if (node->IsPlugin())
            choices.push_back(
                {node->key, node->record->Enabled, CategoryPathOf(node), node->record->Order});
    }
    try {
        WritePluginChoices(storeKey_, choices);
    } catch (const StoreError& e) {
        ShowError(e.what());
        return false;
    }
    profile.ProfileName = Trim(nameField);
    profile.ManageOrder = manageOrder_;
    applied_ = true;
    return true;
}

TreeActionStates ActionStatesFor(const CatalogueNode* selected) {
    TreeActionStates states;
    if (!selected) return states;
    if (!selected->IsPlugin()) {
        states.deleteCategory = !selected->IsRoot();
        return states;
    }
    const TPluginRec& rec = *selected->record;
    std::error_code ec;
    states.enablePlugin = true;
    const std::string program = ConfigProgram(rec);
    states.configuration = !program.empty() && fs::is_regular_file(program, ec);
    states.viewHelp = !rec.Help.empty() && fs::is_regular_file(rec.Help, ec);
    return states;
}

PluginFormLayout LoadPluginFormLayout(int screenWidth, int screenHeight) {
    const std::string k = kPluginFormKey;
    PluginFormLayout l;
    l.geometry = ReadFormGeometry(k, l.geometry, screenWidth, screenHeight);
    l.pluginColumn = RegReadInteger(0, k, "Profile Column Width", l.pluginColumn);
    l.pathColumn = RegReadInteger(0, k, "Builder Column Width", l.pathColumn);
    return l;
}

void SavePluginFormLayout(const PluginFormLayout& l) {
    const std::string k = kPluginFormKey;
    StoreTransaction tx;
    WriteFormGeometry(k, l.geometry);
    RegWriteInteger(0, k, "Profile Column Width", l.pluginColumn);
    RegWriteInteger(0, k, "Builder Column Width", l.pathColumn);
    tx.Commit();
}
}  // namespace vrnx2
