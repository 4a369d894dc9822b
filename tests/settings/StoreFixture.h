#pragma once
// Each test gets a store file of its own in a fresh temporary folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/FaultyStore.h"
#include "tests/support/TempDir.h"
#include "vrnx2/settings/Store.h"

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        vrnx2::SetStoreFilePath(File());
        faulty_store::Reset();
    }
    void TearDown() override {
        faulty_store::Reset();
        vrnx2::SetStoreFilePath("");
    }
    std::string File() const { return dir_ + "/store/settings.db"; }
    TempDir temp_{"vrnx2-store"};
    std::string dir_ = temp_.path().string();
};

inline std::string VKey(const std::string& sub = "") {
    return sub.empty() ? std::string(vrnx2::kVarnexKey)
                       : std::string(vrnx2::kVarnexKey) + "\\" + sub;
}
