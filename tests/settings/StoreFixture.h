#pragma once
// Each test gets a store file of its own in a fresh temporary folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"
#include "vrnx2/settings/Store.h"

using namespace vrnx2;

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetStoreFilePath(File());
        SetStoreFaultAfter(-1);
    }
    void TearDown() override {
        SetStoreFaultAfter(-1);
        SetStoreFilePath("");
    }
    std::string File() const { return dir_ + "/store/settings.db"; }
    TempDir temp_{"vrnx2-store"};
    std::string dir_ = temp_.path().string();
};

inline std::string VKey(const std::string& sub = "") {
    return sub.empty() ? std::string(kVarnexKey) : std::string(kVarnexKey) + "\\" + sub;
}
