#pragma once
// The builder's plugin tree: the scan of its plugin files, the enable state written into
// them, and the staging of the enabled plugins into numbered folders in the wanted order.
// Paths use "/"; plugin keys keep "\" between the folders of the relative path, as stored.

#include <string>
#include <string_view>
#include <vector>

#include "vrnx2/settings/RecordHolder.h"

namespace vrnx2 {

// "\"Name\",\"rel\\path\\file.inf\"": the identity of a plugin in a profile.
std::string PluginKey(std::string_view name, std::string_view relativePath);

// Appends one entry per plugin file in `folder` and below; `rootFolder` is the folder the
// keys are relative to. Entries come in name order within each folder. Symbolic links are
// not followed.
void ScanPluginFiles(const std::string& folder, const std::string& rootFolder,
                     PluginHolder& holder);

// Writes each entry's Enabled into the "Enable" line of its [PEBuilder] section (no line is
// added). Files that no longer exist are skipped. Returns "path: reason" for every file it
// could not rewrite; such a file is left exactly as it was.
std::vector<std::string> WritePluginEnable(const PluginHolder& holder);

// Stages the enabled entries, in holder order, as pluginDir/NNN(a_b) from the tree moved to
// stashDir. Returns "path: reason" for everything that could not be placed.
std::vector<std::string> StagePlugins(const PluginHolder& holder, const std::string& pluginDir,
                                      const std::string& stashDir, bool useHardLinks);

// True when everything below `dir` is a folder, a hard link to a file of `tree`, or a
// symbolic link made as one in `tree`: what staging from `tree` leaves, whose removal loses
// nothing. False when either cannot be read.
bool HoldsOnlyLinksInto(const std::string& dir, const std::string& tree);

// Places sourceDir's files under targetDir (hard links, or copies when links cannot be made),
// leaving out plugin files of other plugins that share the folder. scannedDir is where the
// folder was when it was scanned, so ownPluginFile can be recognised.
void CopyPluginFolder(const std::string& scannedDir, const std::string& sourceDir,
                      bool useHardLinks, const std::string& ownPluginFile,
                      const std::string& targetDir, std::vector<std::string>* failures = nullptr);

// Name of a staged folder: "%.3d(%s)" with "/" of the relative folder turned into "_".
std::string StagedFolderName(int position, std::string_view relativeDir);

}  // namespace vrnx2
