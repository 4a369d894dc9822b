#pragma once
// Install and uninstall of plugins: a cabinet unpacked into a new folder below the builder's
// plugin folder, and a plugin's folder removed. Questions go through UI(); the window only
// picks the cabinet file and updates its action states afterwards.

#include <string>

namespace vrnx2 {

class PluginCatalogue;
struct CatalogueNode;

enum class InstallOutcome { Cancelled, Installed, Failed };

// The folder name first proposed for a cabinet: its file name without the extension.
std::string ProposedFolderName(const std::string& cabinetFile);

// A folder name typed for an install, as folders below the plugin folder: "\" and "/"
// separate nested folders and one trailing separator is ignored. Empty when the name is
// refused (blank, absolute, "." or ".." or an empty folder in it, control characters).
std::string InstallFolderPath(const std::string& pluginDir, const std::string& name);

// Asks for the folder name (starting with the proposed one), confirms an existing folder,
// and extracts the cabinet and the cabinets that follow it into that folder. Refused names
// and extraction failures are reported; `target` receives the folder extracted into.
InstallOutcome InstallPlugin(const std::string& pluginDir, const std::string& cabinetFile,
                             std::string* target = nullptr);
// The same, followed by a reload of the catalogue after a successful extraction.
InstallOutcome InstallPlugin(PluginCatalogue& catalogue, const std::string& cabinetFile);

// Asks, then deletes the selected plugin's folder with everything in it and removes its node.
// Refused for a plugin whose file lies directly in the plugin folder, since its folder is
// the folder of every plugin. True when the node was removed.
bool UninstallPlugin(PluginCatalogue& catalogue, CatalogueNode* node);

}  // namespace vrnx2
