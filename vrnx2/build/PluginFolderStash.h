#pragma once
// The user's plugin tree moved aside to "!Plugin!" while a build stages the chosen plugins
// into a Plugin folder of its own, and put back afterwards. Nothing here deletes a tree this
// run did not stage.

#include <sys/types.h>

#include <set>
#include <string>

namespace vrnx2 {

// The Plugin folder a run made to stage into, by device and inode: restoring deletes only
// that folder, never one another program put in its place meanwhile.
// The folders staged in it are known by name.
struct StagedFolder {
    dev_t device = 0;
    ino_t inode = 0;
    std::set<std::string> staged;
};

// The folder as it is now, with no staged names yet.
StagedFolder StagedFolderOf(const std::string& dir);

// A "!Plugin!" left by an earlier run: the plugin tree is not where the builder expects it.
// Deletes and replaces nothing; offers to put the stash back only when Plugin holds nothing
// but staged folders, and refuses to stage beside it otherwise. True when the run may go on.
bool ResolveLeftoverStash(const std::string& pluginDir, const std::string& stashDir, bool staging);
// Moves the plugin tree aside, retrying while the user asks to. True when it was moved.
bool StashPluginFolder(const std::string& pluginDir, const std::string& stashDir);
// Removes the staged folder and renames the stash back. False when the user cancelled a
// retry and left the two folders to sort out, or Plugin is no longer this run's staging.
bool RestorePluginFolder(const std::string& pluginDir, const std::string& stashDir,
                         const StagedFolder& own);

}  // namespace vrnx2
