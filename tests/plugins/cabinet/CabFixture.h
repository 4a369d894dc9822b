#pragma once
// A sandbox folder per test: cabinets are written into it and extracted into its "out"
// folder, so anything written beside "out" is visible.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "CabWriter.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

class CabFixture : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = dir_.path();
        out_ = (root_ / "out").string();
    }
    std::string Put(const std::string& name, const std::string& bytes) {
        std::string p = (root_ / name).string();
        fs::create_directories(fs::path(p).parent_path());
        cabtest::WriteBytes(p, bytes);
        return p;
    }
    std::string PutSet(const std::vector<std::string>& cabs,
                       const std::vector<std::string>& names) {
        for (size_t i = 0; i < cabs.size(); ++i) Put(names[i], cabs[i]);
        return (root_ / names[0]).string();
    }
    static std::string Read(const fs::path& p) { return TempDir::Read(p); }
    std::string Out(const std::string& rel) const { return out_ + "/" + rel; }
    // Every path below the sandbox, relative to it.
    std::set<std::string> Tree() const {
        std::set<std::string> names;
        for (auto& e : fs::recursive_directory_iterator(root_)) {
            names.insert(fs::relative(e.path(), root_).generic_string());
        }
        return names;
    }

    TempDir dir_{"cabinet"};
    fs::path root_;
    std::string out_;
};

// Compares a file with the expected content, reporting sizes and the first difference
// rather than both texts.
inline ::testing::AssertionResult HasContent(const fs::path& p, const std::string& expected) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return ::testing::AssertionFailure() << p << " is missing";
    std::string got{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (got == expected) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    return ::testing::AssertionFailure() << p << ": " << got.size() << " bytes instead of "
                                         << expected.size() << ", first difference at " << at;
}

// Data that fills several 32 KB blocks and differs everywhere, so a misplaced block shows.
inline std::string Pattern(size_t size, unsigned seed) {
    std::string s(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        s[i] = static_cast<char>('a' + (x >> 16) % 26);
    }
    return s;
}
