#pragma once
// A folder for the cabinet fuzz targets: cabinets go into box/, files are extracted into
// box/out/, and anything else that appears below the folder was written outside the
// destination.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

class FuzzSandbox {
public:
    FuzzSandbox() : dir_("fuzz-cab"), box_(dir_.path() / "box") {}

    const std::filesystem::path& Box() const { return box_; }
    std::string Out() const { return (box_ / "out").string(); }

    // An empty box/ for the next input, whatever the last one left behind.
    void Reset() {
        dir_.Clear();
        std::filesystem::create_directories(box_);
    }
    // Writes a cabinet set as part1.cab, part2.cab ... and returns their names.
    std::set<std::string> WriteSet(const std::vector<std::string>& set) const {
        std::set<std::string> names;
        for (size_t i = 0; i < set.size(); ++i) {
            std::string name = "part" + std::to_string(i + 1) + ".cab";
            names.insert(name);
            std::ofstream((box_ / name).string(), std::ios::binary)
                .write(set[i].data(), static_cast<std::streamsize>(set[i].size()));
        }
        return names;
    }
    // Aborts when anything but the cabinets and the destination lies below the folder.
    void CheckContained(const std::set<std::string>& cabinets) const {
        for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
            if (e.path() != box_) std::abort();
        }
        for (const auto& e : std::filesystem::directory_iterator(box_)) {
            std::string name = e.path().filename().string();
            if (name != "out" && !cabinets.count(name)) std::abort();
        }
    }

private:
    TempDir dir_;
    std::filesystem::path box_;
};
