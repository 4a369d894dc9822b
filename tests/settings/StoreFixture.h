#pragma once
// Each test gets a store file of its own in a fresh temporary folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "vrnx2/settings/Store.h"

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vrnx2-store-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        SetStoreFilePath(File());
        SetStoreFaultAfter(-1);
    }
    void TearDown() override {
        SetStoreFaultAfter(-1);
        SetStoreFilePath("");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string File() const { return dir_ + "/store/settings.db"; }
    std::string dir_;
};

inline std::string VKey(const std::string& sub = "") {
    return sub.empty() ? std::string(kVarnexKey) : std::string(kVarnexKey) + "\\" + sub;
}
