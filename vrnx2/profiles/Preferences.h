#pragma once
// The application preferences: the two outside programs started on the person's behalf,
// Plugin Builder (by its folder) and a text editor, each with whether to wait for it to end.
// They live in the System key of the settings store; the rules of the preferences dialog's
// path boxes live here too, so the dialog only shows and forwards.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vrnx2 {

inline constexpr const char* kSystemKey = "Software\\HALV\\Varnex v2\\System";

struct Preferences {
    std::string pluginBuilderPath;  // the folder that holds Plugin_Builder.exe
    bool pluginBuilderWait = false;
    std::string textEditor;  // empty: the desktop's own handler opens text files
    bool textEditorWait = false;

    bool operator==(const Preferences&) const = default;
};

// Absent values read as their defaults (empty, false); reading never fails.
Preferences LoadPreferences();
// The program that opens a text file: the chosen editor, else the desktop's opener.
std::string TextEditorProgram(const std::string& editor);

// Writes the four values as they stand, in one transaction: on StoreError none is written.
void SavePreferences(const Preferences& prefs);

// ---- about box -----------------------------------------------------------------------------

// The product's version as the about box shows it, "#.00"-formatted.
inline constexpr double kProductVersion = 2.01;
// "version " and the product's version: "version 2.01".
std::string AboutVersionText();

// ---- path boxes ----------------------------------------------------------------------------

// A folder path without trailing "/". The root keeps its "/": "" would name no folder at all.
std::string WithoutTrailingDelimiter(std::string path);

enum class PathBoxKind { Folder, File };

// The text a path box takes from names dropped on it: the first name only, a folder box's
// without trailing delimiter. nullopt when nothing was dropped.
std::optional<std::string> DroppedPathText(const std::vector<std::string>& names, PathBoxKind kind);

// Where a file chooser opened from a box holding `fileText` starts: the text up to and with
// its last "/"; empty (the chooser's own choice) when it names no folder.
std::string InitialFolderOf(const std::string& fileText);

// ---- file chooser filters ------------------------------------------------------------------

// One entry of a filter text "label|patterns|label|patterns" (patterns joined by ";").
struct FileFilter {
    std::string label;
    std::vector<std::string> patterns;
};

// Splits a filter text; a label without patterns matches every file.
std::vector<FileFilter> ParseFileFilter(const std::string& text);

// The entries as a chooser lists them, "label(pattern pattern)". "*.*" becomes "*": here it
// would otherwise hide every name without a dot, programs among them.
std::vector<std::string> ChooserFilters(const std::vector<FileFilter>& filters);

// The entry a chooser shows first for a box holding `fileText`: the first whose patterns
// match its file name (letter case ignored), else the last, which lists everything. Programs
// here carry no extension, so an empty box starts with the last entry too.
std::size_t InitialFilterIndex(const std::vector<FileFilter>& filters, const std::string& fileText);

}  // namespace vrnx2
