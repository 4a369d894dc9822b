#include "vrnx2/build/PluginFolderStash.h"

#include <sys/stat.h>

#include <filesystem>
#include <regex>

#include "platform/FileSystem.h"
#include "platform/Files.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/base/OwnTexts.h"
#include "vrnx2/base/UserInterface.h"
#include "vrnx2/build/PluginFiles.h"
#include "vrnx2/settings/SystemRoutines.h"

namespace vrnx2 {

namespace fs = std::filesystem;

namespace {

bool Exists(const std::string& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

bool IsDirectory(const std::string& p) {
    std::error_code ec;
    return !p.empty() && fs::is_directory(p, ec);
}

void ShowError(const std::string& text) {
    UI().MessageBox(text, Msg(kMsgError), MB_ERROR_OK);
}

bool RetryPluginFolder() {
    std::string text = Msg(kMsgPluginFolderUse) + "\r\n" +
                       Msg(kMsgCloseApplicationsInPluginFolder) + "\r\n" + Msg(kMsgContinue);
    return UI().MessageBox(text, Msg(kMsgError), MB_ERROR_RETRYCANCEL) == ID_RETRY;
}

void Pump() {
    UI().ProcessMessages();
}

// True when every entry of `dir` is a folder named like a staged plugin ("001(...)"), so the
// folder is what an interrupted run left, not the user's plugin tree.
bool HoldsOnlyStagedFolders(const std::string& dir) {
    static const std::regex staged(R"(\d{3,}\(.*\))");
    for (const auto& e : platform::ListDirectory(dir))
        if (!e.isDirectory || e.isSymlink || !std::regex_match(e.name, staged)) return false;
    return true;
}

// Plugin is the folder this run made, holding nothing but folders it staged.
bool IsOwnStaging(const std::string& pluginDir, const StagedFolder& own) {
    struct stat st {};
    if (::lstat(pluginDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_dev != own.device ||
        st.st_ino != own.inode)
        return false;
    for (const auto& e : platform::ListDirectory(pluginDir))
        if (!e.isDirectory || e.isSymlink || !own.staged.count(e.name)) return false;
    return true;
}

}  // namespace

bool ResolveLeftoverStash(const std::string& pluginDir, const std::string& stashDir, bool staging) {
    if (!Exists(stashDir)) return true;
    bool userTree =
        Exists(pluginDir) && !(IsDirectory(pluginDir) && HoldsOnlyStagedFolders(pluginDir));
    // A build that does not stage only needs the user's tree in place.
    if (userTree && !staging) return true;
    if (userTree) {
        ShowError(
            FillIn(Own(OwnText::StashBesideUserTree), {stashDir, pluginDir, pluginDir, stashDir}));
        return false;
    }
    // Staged folders that are only links into the stash go; copies, or anything else, are
    // kept under a name of their own for the user to remove.
    const bool onlyLinks = Exists(pluginDir) && HoldsOnlyLinksInto(pluginDir, stashDir);
    std::string aside = pluginDir + ".staged";
    for (int n = 2; Exists(aside); ++n) aside = pluginDir + ".staged." + std::to_string(n);
    std::string question = FillIn(Own(OwnText::StashPutBack), {stashDir, pluginDir});
    if (Exists(pluginDir))
        question += onlyLinks ? Own(OwnText::StagedLinksRemoved)
                              : FillIn(Own(OwnText::StagedFoldersMoveTo), {aside});
    if (UI().MessageBox(question, Msg(kMsgConfirmation), MB_QUESTION_YESNO) != ID_YES) return false;
    if (onlyLinks && (!DeleteTree(pluginDir) || Exists(pluginDir))) {
        ShowError(FillIn(Own(OwnText::CannotDelete), {pluginDir}));
        return false;
    }
    if (Exists(pluginDir) && (!RenamePath(pluginDir, aside) || Exists(pluginDir))) {
        ShowError(FillIn(Own(OwnText::CannotRename), {pluginDir, aside}));
        return false;
    }
    if (!RenamePath(stashDir, pluginDir) || Exists(stashDir) || !IsDirectory(pluginDir)) {
        ShowError(FillIn(Own(OwnText::CannotRename), {stashDir, pluginDir}));
        return false;
    }
    return true;
}

bool StashPluginFolder(const std::string& pluginDir, const std::string& stashDir) {
    for (;;) {
        Pump();
        RenamePath(pluginDir, stashDir);
        Pump();
        Pump();
        if (Exists(stashDir) && !Exists(pluginDir)) return true;
        if (!RetryPluginFolder()) return false;
    }
}

StagedFolder StagedFolderOf(const std::string& dir) {
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) return {};
    return {st.st_dev, st.st_ino, {}};
}

bool RestorePluginFolder(const std::string& pluginDir, const std::string& stashDir,
                         const StagedFolder& own) {
    if (Exists(pluginDir)) {
        for (;;) {
            Pump();
            if (!Exists(pluginDir)) break;
            if (!IsOwnStaging(pluginDir, own)) {
                ShowError(FillIn(Own(OwnText::PluginNotStagedHere), {pluginDir, stashDir}));
                return false;
            }
            DeleteTree(pluginDir);
            Pump();
            Pump();
            if (!Exists(pluginDir)) break;
            if (!RetryPluginFolder()) return false;
        }
    }
    if (Exists(stashDir)) {
        for (;;) {
            Pump();
            RenamePath(stashDir, pluginDir);
            Pump();
            Pump();
            if (!Exists(stashDir) && IsDirectory(pluginDir)) break;
            if (!RetryPluginFolder()) return false;
        }
    }
    return true;
}

}  // namespace vrnx2
