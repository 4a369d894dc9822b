#pragma once
// A folder for the cabinet fuzz targets: cabinets go into box/, files are extracted into
// box/out/, and anything else that appears below the folder was written outside the
// destination.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

class FuzzSandbox {
public:
    FuzzSandbox() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "fuzz-cab-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        root_ = tmpl;
        box_ = root_ / "box";
    }
    const std::filesystem::path& Box() const { return box_; }
    std::string Out() const { return (box_ / "out").string(); }

    void Reset() {
        Clean(root_);
        std::filesystem::create_directories(box_);
    }
    // Aborts when anything but the cabinets and the destination lies below the folder.
    void CheckContained(const std::set<std::string>& cabinets) const {
        for (const auto& e : std::filesystem::directory_iterator(root_)) {
            if (e.path() != box_) std::abort();
        }
        for (const auto& e : std::filesystem::directory_iterator(box_)) {
            std::string name = e.path().filename().string();
            if (name != "out" && !cabinets.count(name)) std::abort();
        }
    }

private:
    static void Clean(const std::filesystem::path& p) {
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(p, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (!it->is_symlink()) {
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
            }
        }
        for (const auto& e : std::filesystem::directory_iterator(p, ec)) {
            std::filesystem::remove_all(e.path(), ec);
        }
    }

    std::filesystem::path root_, box_;
};
