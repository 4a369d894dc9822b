#pragma once
// The folders of a build with a stand-in builder, for the tests that run whole builds.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "vrnx2/settings/Records.h"

// Lays out below `root` a builder folder (with out/) holding `program` of TEST_BIN_DIR as its
// pebuilder.exe, a source folder with I386/SHELL32.DL_, and prog/ for the build's own files;
// returns a profile named `name` that builds from them into "out".
inline vrnx2::TProfileRec LayOutStandInBuild(const std::filesystem::path& root,
                                             const std::string& program, const std::string& name) {
    namespace fs = std::filesystem;
    const char* bin = std::getenv("TEST_BIN_DIR");
    if (!bin) throw std::runtime_error("TEST_BIN_DIR is not set");
    fs::create_directories(root / "builder/out");
    fs::create_directories(root / "source/I386");
    fs::create_directories(root / "prog");
    fs::copy_file(fs::path(bin) / program, root / "builder/pebuilder.exe");
    std::ofstream(root / "source/I386/SHELL32.DL_") << "shell32";
    vrnx2::TProfileRec p;
    p.ProfileName = name;
    p.Builder = {"Stand-in", (root / "builder").string(), 1};
    p.Source = (root / "source").string();
    p.OutDir = "out";
    return p;
}
