#pragma once
// The profile build options dialog as logic: a profile record turned into the plain values
// its controls show and back, the rules that enable and clear controls, and the rules of the
// output folder, which is kept both absolute and relative to the builder folder.

#include <string>
#include <vector>

#include "vrnx2/settings/RecordHolder.h"

namespace vrnx2 {

// What the dialog's controls hold. Folders are shown without their trailing "/".
struct ProfileOptionsValues {
    // General page
    std::string source;             // GEE01
    bool absoluteOutput = false;    // GRB1 checked, else GRB2
    std::string outputDir;          // GEE02: absolute, or relative to the builder folder
    std::string isoPath;            // GEE03
    std::string isoFile;            // GED01
    std::string customDir;          // GEE04
    std::string buildParameter;     // GED02
    std::string isoBuildParameter;  // GED03

    // Build options page
    bool skipRegistry = false;          // BCH01
    bool skipFiles = false;             // BCH02
    bool buildIso = false;              // BCH03
    std::string volumeId;               // BED01
    bool isoDuplicatesOnce = false;     // BCH03_1
    bool noUpperCase = false;           // BCH03_2
    bool burnCd = false;                // BCH04
    int writingTool = -1;               // BCB01 item, -1 none
    int drive = -1;                     // BCB02 item, -1 none
    bool blankCdrw = false;             // BCH04_1
    bool verify = false;                // BCH04_2
    bool eject = false;                 // BCH04_3
    bool cleanIsoAfterBurn = false;     // BCH04_4
    bool cleanOutputAfterBurn = false;  // BCH04_5
    bool verbose = false;               // BCH05

    // External programs page; the text areas hold one text per line.
    bool preBuildProgram = false;       // ECH01
    bool buildProgram = false;          // ECH02
    bool isoProgram = false;            // ECH03
    std::vector<std::string> program1;  // EMM01
    std::vector<std::string> program2;  // EMM02
    std::vector<std::string> program3;  // EMM03

    bool operator==(const ProfileOptionsValues&) const = default;
};

// Items of the writing-tool list, in index order (the index is BurnUsing).
inline constexpr const char* kWritingTools[] = {"StarBurn", "CD-Record"};
inline constexpr int kWritingToolCount = 2;
// Longest volume id that can be typed.
inline constexpr int kVolumeIdMaxLength = 32;

// The dialog's title: text 061 and "(%s) - [%s:%s]" of text 075, profile and builder name.
std::string OptionsTitle(const TProfileRec& profile);
// The output label: text 084 with its "%s" (if it has one) filled with nothing in absolute
// mode and text 112 in relative mode.
std::string OutputLabel(bool absolute);
// `text` with its first "%s" replaced by `arg`; nothing else in it is interpreted.
std::string FillPlaceholder(const std::string& text, const std::string& arg);
// The variables the outside program command lines may use, as the dialog lists them.
std::string MacroListText();

// ---- record and values ----------------------------------------------------------------------

// The values the controls start with, the drive chosen as the first drive whose address
// equals the profile's Device, else the first drive. The dependency rules are applied.
ProfileOptionsValues OptionsFromProfile(const TProfileRec& profile, const DriveHolder& drives);
// Reads the values back into `profile` (only the fields the dialog edits).
void OptionsToProfile(const ProfileOptionsValues& values, const DriveHolder& drives,
                      TProfileRec& profile);

// The first drive whose address equals `device` exactly, else 0; -1 for an empty list.
int DriveIndexFor(const DriveHolder& drives, const std::string& device);

// ---- dependency rules -----------------------------------------------------------------------

// Clears what the rules clear: verify unless the first writing tool is chosen, burning
// unless an image is made. Run after any controlling box changed, and once at opening.
void ApplyDependencies(ProfileOptionsValues& values);

struct OptionsEnabling {
    bool isoOptions = false;   // volume id label and box, BCH03_1, BCH03_2, BCH04
    bool burnOptions = false;  // writing tool and drive labels and lists, BCH04_1, _3, _4, _5
    bool verify = false;       // BCH04_2
    bool program1 = false;     // EMM01
    bool program2 = false;     // EMM02
    bool program3 = false;     // EMM03
};
OptionsEnabling EnabledControls(const ProfileOptionsValues& values);

// ---- folders --------------------------------------------------------------------------------

// A folder as a path box shows it: without trailing "/" (a lone "/" stays).
std::string ShownFolder(const std::string& stored);
// A folder as the record keeps it: with a trailing "/". An empty text stays empty: it names
// no folder, and "/" would name the file-system root.
std::string StoredFolder(const std::string& shown);
// The source box's text as the record keeps it: a CD image file (one that exists as a file,
// or a name ending in ".iso") as it is, a folder as StoredFolder keeps it.
std::string StoredSource(const std::string& shown);

// `folder` expressed relative to `base`, without trailing "/": common leading components
// dropped, one "../" per remaining component of `base`, then the rest of `folder`. A folder
// or base that is not absolute is returned as it is (shown form).
std::string RelativeFolder(const std::string& folder, const std::string& base);
// `base` joined with `relative`, without trailing "/", "." and ".." steps resolved by name
// as the relative form was made. An absolute `relative` is returned as it is.
std::string JoinFolder(const std::string& base, const std::string& relative);

// GEE02's text after switching between absolute and relative output.
std::string SwitchOutputText(const std::string& text, bool toAbsolute,
                             const std::string& builderFolder);
// Where the folder chooser of GEE02 starts.
std::string OutputBrowseStart(const std::string& text, bool absolute,
                              const std::string& builderFolder);
// GEE02's text for a folder chosen or dropped.
std::string OutputTextFor(const std::string& folder, bool absolute,
                          const std::string& builderFolder);

// ---- text areas -----------------------------------------------------------------------------

// A stored command line as text area lines: split at CR LF, CR or LF; a final line break
// adds no line.
std::vector<std::string> TextAreaLines(const std::string& stored);
// The text area's whole text: every line, the last included, ended by CR LF.
std::string TextAreaText(const std::vector<std::string>& lines);

}  // namespace vrnx2
