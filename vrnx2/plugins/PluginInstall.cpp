#include "vrnx2/plugins/PluginInstall.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/Path.h"
#include "vrnx2/base/MessageIds.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/plugins/PluginCatalogue.h"
#include "vrnx2/plugins/cabinet/CabSTComps.h"
#include "vrnx2/settings/General.h"

namespace vrnx2 {

namespace fs = std::filesystem;

namespace {

void ShowError(const std::string& text) {
    UI().MessageBox(text, Msg(kMsgError), MB_ERROR_OK);
}

bool Ask(const std::string& text, const std::string& caption) {
    return UI().MessageBox(text, caption, MB_QUESTION_YESNO) == ID_YES;
}

// True when `path`, with symbolic links resolved as far as it exists, lies strictly below
// `folder`: a link in the plugin tree must not carry files elsewhere.
bool LiesBelow(const std::string& path, const std::string& folder) {
    std::error_code ec;
    fs::path base = fs::weakly_canonical(folder, ec);
    if (ec) return false;
    fs::path full = fs::weakly_canonical(path, ec);
    if (ec) return false;
    fs::path rel = full.lexically_relative(base);
    if (rel.empty() || rel == ".") return false;
    return *rel.begin() != "..";
}

}  // namespace

std::string ProposedFolderName(const std::string& cabinetFile) {
    return fs::path(cabinetFile).stem().string();
}

std::string InstallFolderPath(const std::string& pluginDir, const std::string& name) {
    std::string rest = name;
    if (!rest.empty() && (rest.back() == '\\' || rest.back() == '/')) rest.pop_back();
    if (rest.empty()) return {};
    std::string path = platform::WithoutTrailingSlash(pluginDir);
    size_t start = 0;
    for (;;) {
        size_t sep = rest.find_first_of("\\/", start);
        std::string part =
            rest.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
        if (part.empty() || part == "." || part == "..") return {};
        for (char c : part)
            if (static_cast<unsigned char>(c) < 0x20) return {};
        // Blanks alone name no folder a person could find again.
        if (part.find_first_not_of(' ') == std::string::npos) return {};
        path += "/" + part;
        if (sep == std::string::npos) return path;
        start = sep + 1;
    }
}

InstallOutcome InstallPlugin(const std::string& pluginDir, const std::string& cabinetFile,
                             std::string* target) {
    std::string name = ProposedFolderName(cabinetFile);
    std::string folder;
    for (;;) {
        if (!UI().InputText(Msg(kMsgPluginInstallation), Msg(kMsgEnterNameFolderInstallPlugin),
                            name))
            return InstallOutcome::Cancelled;
        folder = InstallFolderPath(pluginDir, name);
        if (folder.empty()) {
            ShowError("\"" + name + "\"\r\n" +
                      "The folder name must name a folder below the plugin folder: it may not "
                      "be empty, start with a separator, or hold \".\" or \"..\" as a folder.");
            continue;
        }
        if (!LiesBelow(folder, pluginDir)) {
            ShowError(folder + "\r\nThis folder leads outside the plugin folder " + pluginDir +
                      " through a symbolic link; nothing is installed there.");
            continue;
        }
        std::error_code ec;
        if (fs::is_directory(folder, ec) &&
            !Ask(Msg(kMsgFolderAlreadyExists) + "\r\n" + Msg(kMsgContinue), Msg(kMsgConfirmation)))
            continue;
        break;
    }
    if (target) *target = folder;

    TSTCabReader reader;
    reader.Options = 0;
    try {
        reader.ExtractCabinet(cabinetFile, folder, false);
    } catch (const std::exception& e) {
        // Files extracted before the failure stay; the catalogue is left as it is.
        ShowError(e.what());
        return InstallOutcome::Failed;
    }
    return InstallOutcome::Installed;
}

InstallOutcome InstallPlugin(PluginCatalogue& catalogue, const std::string& cabinetFile) {
    InstallOutcome outcome = InstallPlugin(catalogue.PluginDir(), cabinetFile);
    if (outcome == InstallOutcome::Installed) catalogue.Load();
    return outcome;
}

bool UninstallPlugin(PluginCatalogue& catalogue, CatalogueNode* node) {
    if (!node || !node->IsPlugin()) return false;
    const std::string dir = platform::WithoutTrailingSlash(node->record->Dir);
    if (!LiesBelow(dir, catalogue.PluginDir())) {
        // Deleting this folder would take every installed plugin with it.
        ShowError(node->record->FilePath + "\r\n" +
                  "This plugin file lies directly in the plugin folder " + catalogue.PluginDir() +
                  ", not in a folder of its own, so it cannot be uninstalled. Remove its files "
                  "by hand.");
        return false;
    }
    std::string question = Msg(kMsgAllFilesWillBeDeleted);
    if (size_t at = question.find("%s"); at != std::string::npos) question.replace(at, 2, dir);
    if (!Ask(question + "\r\n" + Msg(kMsgContinue), Msg(kMsgPluginUninstallation))) return false;

    bool emptied = DeleteTree(dir + "/*.*");
    std::error_code ec;
    fs::remove(dir, ec);  // a folder that stays (still in use, say) is no failure
    if (!emptied) {
        ShowError(dir + "\r\nSome files in this folder could not be deleted.");
        // The plugin stays listed while its plugin file is still there.
        if (fs::exists(fs::symlink_status(node->record->FilePath, ec))) return false;
    }
    catalogue.RemovePlugin(node);
    return true;
}

}  // namespace vrnx2
