#pragma once
// What the main window decides without a window: which actions a selected profile enables,
// the folders its actions open, the geometry and style it keeps in the settings store, the
// profile list order rules (sort, move, drop, auto-scroll) and the build-step bar's input.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "vrnx2/base/FormGeometry.h"
#include "vrnx2/base/ListRules.h"
#include "vrnx2/build/BuildRun.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Records.h"

namespace vrnx2 {

// ---- settings of the window ----

inline constexpr const char* kMainFormKey = "Software\\HALV\\Varnex v2\\Forms\\Main";

MainFormGeometry LoadMainFormGeometry(int screenWidth, int screenHeight);
// Normal state: FormState 0 and the geometry. Otherwise only FormState, so the last normal
// geometry stays for the next start.
void SaveMainFormGeometry(FormState state, const MainFormGeometry& normal);

struct MainColumnWidths {
    int32_t profile = 200;
    int32_t builder = 216;
};
MainColumnWidths LoadMainColumnWidths();
void SaveMainColumnWidths(const MainColumnWidths& widths);

bool LoadAdvancedStyle();
void SaveBuildStyle(bool advanced);
int32_t RegisteredBuilderCount();

// The build-step bar's colours: 0x00BBGGRR, or 0xFF0000nn for system colour nn.
struct BarColours {
    uint32_t selectedBack = 0xFF00000D;
    uint32_t unselectedBack = 0xFF000005;
    uint32_t selectedFore = 0xFF000005;
    uint32_t unselectedFore = 0xFF000008;
};
BarColours LoadBarColours();

struct DecodedColour {
    bool system = false;
    int systemIndex = 0;  // when system: 13 highlight, 5 window, 8 window text ...
    uint8_t red = 0, green = 0, blue = 0;
};
DecodedColour DecodeColour(uint32_t colour);

// ---- the selected profile ----

// Build output folder: the full output folder with an absolute output, else the builder
// folder joined with the relative one. Trailing "/".
std::string BuildOutputDir(const TProfileRec& p);
// Folder opened by a folder action (OPEN_BUILDER_DIR ... OPEN_CUSTOM_DIR), with a trailing
// "/"; empty for other names. "Plugin" is found without regard to letter case.
std::string FolderOfAction(const std::string& actionName, const TProfileRec& p);
// The builder's log file, found without regard to letter case.
std::string LogFileOf(const TProfileRec& p);

// Enabled state of the profile and build actions, by action name.
using ActionStates = std::map<std::string, bool>;
// The names the two functions below cover.
const std::array<const char*, 16>& ProfileActionNames();
// Selection update: `p` the selected row's profile at `row` of `rowCount`; null when no
// row is selected, which disables everything.
ActionStates SelectionStates(const TProfileRec* p, int row, int rowCount);
// Action state update: with no row selected every profile action goes off; it never
// turns one on.
void RestrictToSelection(ActionStates& states, bool rowSelected);

// What the empty profile list says in place of its rows: with no builder registered, that
// one is registered first (text 153, naming the Settings menu and its item); with builders,
// that Add makes a profile (text 154). Captions lose their accelerator marks. Empty while
// the list has rows.
std::string EmptyListHint(int profileCount, int builderCount);
// The argument list that opens the log in the text editor (an empty editor means the
// desktop's handler): the editor's path is started as it is, never split; a Windows editor
// gets the log's path in Windows form.
std::vector<std::string> LogViewerArguments(const std::string& editor, const std::string& logFile);
// "Program.hlp" beside the program file.
std::string HelpFileFor(const std::string& programFile);

// ---- the build-step bar ----

class BuildStepBar {
public:
    static constexpr int kColumns = 4;
    // Before any profile is selected: registry, files, ISO on; disc off.
    std::array<int, kColumns> toggles{1, 1, 1, 0};

    void Toggle(int column);
    void SetAll();
    // Columns left..right become 1, the others 0.
    void SetRange(int left, int right);
    void SetFromProfile(const TProfileRec& p);
    BuildSteps Steps() const;

    // Mouse dragging over the bar: `SelectionMoved` applies a changed selection range and
    // reports whether the toggles changed.
    void StartDrag() { dragging_ = true; }
    void StopDrag() { dragging_ = false; }
    bool Dragging() const { return dragging_; }
    bool SelectionMoved(int left, int right);

private:
    bool dragging_ = false;
    int lastLeft_ = -1, lastRight_ = -1;
};

// Keys on the bar.
enum class BarKey { Space, A, Left, Right, Other };
enum class BarKeyAction { None, ToggleCurrent, SetAll, Consume, ApplySelection };
BarKeyAction BarKeyDown(BarKey key, bool ctrl);
BarKeyAction BarKeyUp(BarKey key, bool shift);
// A typed character anywhere in the window: '1'..'4' name a bar column (0..3), −1 else.
// Those characters are always consumed; they toggle only in the advanced style.
int DigitColumn(char32_t typed);

// Stored design of the bar: four text columns, centred, two empty items each.
std::string BuildStepBarCellKinds();

}  // namespace vrnx2
