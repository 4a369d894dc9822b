#pragma once
// Output trees in a temporary folder, and their names as a set for comparison.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <set>
#include <string>

#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = dir_.path();
        out_ = root_ / "out";
        fs::create_directory(out_);
    }
    // "a/b/" makes a folder, "a/b" a file holding its own path.
    void Make(std::initializer_list<std::string> paths) {
        for (const std::string& p : paths) {
            if (p.ends_with('/')) {
                fs::create_directories(out_ / p);
            } else {
                fs::create_directories((out_ / p).parent_path());
                std::ofstream(out_ / p, std::ios::binary) << p;
            }
        }
    }
    static void Write(const fs::path& p, const std::string& text) {
        std::ofstream(p, std::ios::binary) << text;
    }
    static std::string Read(const fs::path& p) { return TempDir::Read(p); }

    // Every name below `dir` (symbolic links listed, not entered); folders end in "/".
    static std::set<std::string> Names(const fs::path& dir) {
        std::set<std::string> names;
        for (auto it = fs::recursive_directory_iterator(dir); it != fs::end(it); ++it) {
            std::string rel = fs::relative(it->path(), dir).string();
            if (it->is_directory() && !it->is_symlink()) rel += '/';
            names.insert(rel);
        }
        return names;
    }

    TempDir dir_{"trellin"};
    fs::path root_;
    fs::path out_;
};
