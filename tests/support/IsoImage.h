#pragma once
// CD images for the tests, made with xorriso from a folder: Joliet names always (as Windows
// CDs carry them), Rock Ridge names on request.

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"

// Empty when the image was made, else what xorriso said.
inline std::string MakeIsoImage(const std::string& tree, const std::string& image,
                                bool rockRidge = false) {
    std::vector<std::string> argv = {"/usr/bin/xorriso", "-as", "mkisofs", "-quiet", "-J",
                                     "-joliet-long",     "-V",  "TESTCD"};
    if (rockRidge) argv.push_back("-R");
    argv.insert(argv.end(), {"-o", image, tree});
    const ChildRun run = RunChild(argv, std::filesystem::path(image).parent_path());
    return run.exitCode == 0 ? std::string() : "xorriso: " + run.err;
}
