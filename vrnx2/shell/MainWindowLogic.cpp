#include "vrnx2/shell/MainWindowLogic.h"

#include <filesystem>

#include "common/Trim.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/build/ImageCache.h"
#include "vrnx2/build/OutsideProgram.h"
#include "vrnx2/controls/CellKind.h"
#include "vrnx2/profiles/Preferences.h"
#include "vrnx2/profiles/ProfileOptions.h"
#include "vrnx2/settings/FormGeometryStore.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace {

const std::string kRoot = kVarnexKey;

bool DirExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

// A menu or button caption as running text: "&Add" and "追加(&A)" become "Add" and "追加".
std::string PlainCaption(std::string caption) {
    if (const size_t at = caption.find("(&");
        at != std::string::npos && at + 3 < caption.size() && caption[at + 3] == ')')
        caption.erase(at, 4);
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;  // "&&" is a literal "&"
        out += caption[i];
    }
    return std::string(TrimView(out));
}

std::string PluginDirOf(const TProfileRec& p) {
    const std::string base = platform::WithTrailingSlash(p.Builder.Path);
    if (p.Builder.Path.empty()) return std::string();
    std::optional<std::string> found = platform::FindNoCase(base, "Plugin");
    return base + (found ? *found : std::string("Plugin")) + "/";
}

}  // namespace

std::string EmptyListHint(int profileCount, int builderCount) {
    if (profileCount > 0) return {};
    if (builderCount < 1)
        return FillPlaceholder(
            FillPlaceholder(Msg(kMsgNoBuilderRegisteredYet), PlainCaption(Msg(kMsgMenuSettings))),
            PlainCaption(Msg(kMsgRegisterBuilderMenu)));
    return FillPlaceholder(Msg(kMsgNoProfilesYet), PlainCaption(Msg(kMsgAddProfile)));
}

MainFormGeometry LoadMainFormGeometry(int screenWidth, int screenHeight) {
    return ReadFormGeometry(kMainFormKey, MainFormGeometry{}, screenWidth, screenHeight);
}

void SaveMainFormGeometry(FormState state, const MainFormGeometry& normal) {
    MainFormGeometry g = normal;
    g.state = state;
    WriteFormGeometry(kMainFormKey, g);
}

MainColumnWidths LoadMainColumnWidths() {
    return MainColumnWidths{RegReadInteger(0, kMainFormKey, "Profile Column Width", 200),
                            RegReadInteger(0, kMainFormKey, "Builder Column Width", 216)};
}

void SaveMainColumnWidths(const MainColumnWidths& widths) {
    RegWriteInteger(0, kMainFormKey, "Profile Column Width", widths.profile);
    RegWriteInteger(0, kMainFormKey, "Builder Column Width", widths.builder);
}

bool LoadAdvancedStyle() {
    return RegReadInteger(0, kRoot, "BuildStyle", 0) == 1;
}

void SaveBuildStyle(bool advanced) {
    RegWriteInteger(0, kRoot, "BuildStyle", advanced ? 1 : 0);
}

int32_t RegisteredBuilderCount() {
    return RegReadInteger(0, kRoot, "BuilderCount", 0);
}

BarColours LoadBarColours() {
    // The store keeps 32-bit integers; the colour numbers are their bit patterns.
    auto read = [](const char* name, uint32_t def) {
        return static_cast<uint32_t>(RegReadInteger(0, kRoot, name, static_cast<int32_t>(def)));
    };
    BarColours c;
    c.selectedBack = read("SelectedBackColor", c.selectedBack);
    c.unselectedBack = read("UnselectedBackColor", c.unselectedBack);
    c.selectedFore = read("SelectedForeColor", c.selectedFore);
    c.unselectedFore = read("UnselectedForeColor", c.unselectedFore);
    return c;
}

DecodedColour DecodeColour(uint32_t colour) {
    DecodedColour d;
    if ((colour >> 24) == 0xFF) {
        d.system = true;
        d.systemIndex = static_cast<int>(colour & 0xFF);
        return d;
    }
    d.red = static_cast<uint8_t>(colour & 0xFF);
    d.green = static_cast<uint8_t>((colour >> 8) & 0xFF);
    d.blue = static_cast<uint8_t>((colour >> 16) & 0xFF);
    return d;
}

std::string BuildOutputDir(const TProfileRec& p) {
    if (p.UseAbsoluteOutput) return platform::WithTrailingSlash(p.FullOutDir);
    if (p.Builder.Path.empty()) return platform::WithTrailingSlash(p.OutDir);
    std::string rel = p.OutDir;
    while (!rel.empty() && rel.front() == '/') rel.erase(rel.begin());
    return platform::WithTrailingSlash(platform::WithTrailingSlash(p.Builder.Path) + rel);
}

// A CD image as the source opens its unpacked files, or, before a build has unpacked it, the
// folder that holds it.
std::string SourceFolderOf(const TProfileRec& p) {
    const std::string source = platform::WithoutTrailingSlash(p.Source);
    std::error_code ec;
    if (source.empty() || !std::filesystem::exists(source, ec) ||
        std::filesystem::is_directory(source, ec))
        return platform::WithTrailingSlash(p.Source);
    const std::string unpacked = CachedImageFolder(source);
    return platform::WithTrailingSlash(
        unpacked.empty() ? std::filesystem::path(source).parent_path().string() : unpacked);
}

std::string FolderOfAction(const std::string& name, const TProfileRec& p) {
    if (name == "OPEN_BUILDER_DIR") return platform::WithTrailingSlash(p.Builder.Path);
    if (name == "OPEN_PLUGIN_DIR") return PluginDirOf(p);
    if (name == "OPEN_SOURCE_DIR") return SourceFolderOf(p);
    if (name == "OPEN_BUILD_DIR") return BuildOutputDir(p);
    if (name == "OPEN_ISO_DIR") return platform::WithTrailingSlash(p.ISOPath);
    if (name == "OPEN_CUSTOM_DIR") return platform::WithTrailingSlash(p.CustomDir);
    return std::string();
}

std::string LogFileOf(const TProfileRec& p) {
    if (p.Builder.Path.empty()) return std::string();
    return platform::ResolveNoCase(p.Builder.Path, "pebuilder.log").string();
}

const std::array<const char*, 16>& ProfileActionNames() {
    static const std::array<const char*, 16> names = {
        "Item_UP",         "Item_Down",           "EDIT_PROFILE",     "COPY_PROFILE",
        "DELETE_PROFILE",  "PROFILE_PREFERENSES", "OPEN_BUILDER_DIR", "OPEN_PLUGIN_DIR",
        "OPEN_SOURCE_DIR", "OPEN_BUILD_DIR",      "OPEN_ISO_DIR",     "OPEN_CUSTOM_DIR",
        "VIEW_LOGFILE",    "BASIC_BUILD",         "BASIC_CREATEISO",  "ADVANCED_BUILD"};
    return names;
}

ActionStates SelectionStates(const TProfileRec* p, int row, int rowCount) {
    ActionStates s;
    for (const char* name : ProfileActionNames()) s[name] = false;
    if (!p || row < 0 || row >= rowCount) return s;
    s["Item_UP"] = row > 0;
    s["Item_Down"] = row < rowCount - 1;
    s["EDIT_PROFILE"] = s["COPY_PROFILE"] = s["DELETE_PROFILE"] = s["PROFILE_PREFERENSES"] = true;
    for (const char* folder : {"OPEN_BUILDER_DIR", "OPEN_PLUGIN_DIR", "OPEN_SOURCE_DIR",
                               "OPEN_BUILD_DIR", "OPEN_ISO_DIR", "OPEN_CUSTOM_DIR"})
        s[folder] = DirExists(FolderOfAction(folder, *p));
    s["BASIC_BUILD"] = s["ADVANCED_BUILD"] = true;
    const std::string out = BuildOutputDir(*p);
    s["BASIC_CREATEISO"] =
        DirExists(out) && platform::ExistsNoCase(out, "I386/SYSTEM32/shell32.dll");
    const std::string log = LogFileOf(*p);
    std::error_code ec;
    s["VIEW_LOGFILE"] = !log.empty() && std::filesystem::is_regular_file(log, ec);
    return s;
}

void RestrictToSelection(ActionStates& states, bool rowSelected) {
    for (const char* name : ProfileActionNames()) states[name] = states[name] && rowSelected;
}

std::vector<std::string> LogViewerArguments(const std::string& editor, const std::string& logFile) {
    const std::string program = TextEditorProgram(editor);
    return {program, PathForProgram(program, logFile)};
}

std::string HelpFileFor(const std::string& programFile) {
    return std::filesystem::path(programFile).replace_extension(".hlp").string();
}

void BuildStepBar::Toggle(int column) {
    if (column < 0 || column >= kColumns) return;
    toggles[static_cast<size_t>(column)] = 1 - toggles[static_cast<size_t>(column)];
}

void BuildStepBar::SetAll() {
    toggles.fill(1);
}

void BuildStepBar::SetRange(int left, int right) {
    for (int c = 0; c < kColumns; ++c) toggles[static_cast<size_t>(c)] = c >= left && c <= right;
}

void BuildStepBar::SetFromProfile(const TProfileRec& p) {
    toggles = {p.SkipRegistry ? 0 : 1, p.SkipFiles ? 0 : 1, p.BuildISO ? 1 : 0,
               p.BuildISO && p.BurnCD ? 1 : 0};
}

BuildSteps BuildStepBar::Steps() const {
    return BuildSteps{toggles[0] == 1, toggles[1] == 1, toggles[2] == 1, toggles[3] == 1};
}

bool BuildStepBar::SelectionMoved(int left, int right) {
    if (!dragging_ || (left == lastLeft_ && right == lastRight_)) return false;
    lastLeft_ = left;
    lastRight_ = right;
    SetRange(left, right);
    return true;
}

BarKeyAction BarKeyDown(BarKey key, bool ctrl) {
    switch (key) {
        case BarKey::Space:
            return BarKeyAction::ToggleCurrent;
        case BarKey::A:
            return ctrl ? BarKeyAction::SetAll : BarKeyAction::Consume;
        default:
            return BarKeyAction::None;
    }
}

BarKeyAction BarKeyUp(BarKey key, bool shift) {
    if (shift && (key == BarKey::Left || key == BarKey::Right)) return BarKeyAction::ApplySelection;
    return BarKeyAction::None;
}

int DigitColumn(char32_t typed) {
    return typed >= U'1' && typed <= U'4' ? static_cast<int>(typed - U'1') : -1;
}

std::string BuildStepBarCellKinds() {
    std::vector<CellKindData> kinds(BuildStepBar::kColumns);
    for (CellKindData& k : kinds) {
        k.fixedAlignment = k.cellAlignment = caHCenter | caVCenter;
        k.items = {CellItem{}, CellItem{}};
    }
    return WriteCellKinds(kinds);
}

}  // namespace vrnx2
