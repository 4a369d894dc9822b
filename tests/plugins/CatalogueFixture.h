#pragma once
// A builder folder, a settings store and a scripted user interface per test, with helpers to
// lay out plugin files and stored choices and to find tree nodes by their label path.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/FaultyStore.h"
#include "tests/support/ScriptedInterface.h"
#include "tests/support/TempDir.h"
#include "vrnx2/base/MessageTable.h"
#include "vrnx2/plugins/PluginCatalogue.h"
#include "vrnx2/settings/ProfileList.h"
#include "vrnx2/settings/Store.h"

namespace fs = std::filesystem;

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = dir_.path().string();
        fs::create_directories(root_ + "/PEB/Plugin");
        vrnx2::SetStoreFilePath(root_ + "/settings.db");
        faulty_store::Reset();
        vrnx2::MessageTable::Instance().Clear();
        vrnx2::MessageTable::Instance().LoadBuiltIn();
        profile_.ProfileNumber = 7;
        profile_.ProfileName = "Rescue";
        profile_.Builder.Path = root_ + "/PEB/";
    }
    void TearDown() override {
        faulty_store::Reset();
        vrnx2::SetStoreFilePath("");
    }

    std::string PluginDir() const { return root_ + "/PEB/Plugin"; }
    std::string CategoryList() const { return root_ + "/vrnx2.cgl"; }
    std::string StoreKey() const { return vrnx2::ProfileKey(profile_.ProfileNumber) + "\\Plugin"; }

    std::string Write(const std::string& path, const std::string& bytes) const {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return path;
    }
    // A plugin file below the plugin folder; `extra` are further [PEBuilder] lines.
    std::string AddPlugin(const std::string& rel, const std::string& name,
                          const std::string& extra = "") const {
        return Write(PluginDir() + "/" + rel,
                     "[Version]\r\nSignature=\"$Windows NT$\"\r\n"
                     "[PEBuilder]\r\nName=\"" +
                         name + "\"\r\n" + extra + "[Files]\r\nx.txt=1\r\n");
    }
    void Store(const std::string& key, const std::string& data) const {
        vrnx2::RegWriteString(0, StoreKey(), key, data);
    }
    std::optional<std::string> Stored(const std::string& key) const {
        auto v = vrnx2::RegReadValue(0, StoreKey(), key);
        return v ? std::optional<std::string>(v->text) : std::nullopt;
    }

    vrnx2::PluginCatalogue Loaded() {
        vrnx2::PluginCatalogue c(profile_, CategoryList());
        c.Load();
        return c;
    }

    // The node at a label path from the root: {"Tools", "Disk", "Nic"}.
    static vrnx2::CatalogueNode* Find(const vrnx2::PluginCatalogue& c,
                                      const std::vector<std::string>& path) {
        vrnx2::CatalogueNode* node = c.Root();
        for (const auto& label : path) {
            vrnx2::CatalogueNode* next = nullptr;
            for (auto& child : node->children)
                if (child->label == label) next = child.get();
            if (!next) return nullptr;
            node = next;
        }
        return node;
    }
    static std::vector<std::string> Labels(const vrnx2::CatalogueNode* node) {
        std::vector<std::string> out;
        for (auto& child : node->children) out.push_back(child->label);
        return out;
    }
    static std::vector<std::string> Rows(const vrnx2::PluginCatalogue& c) {
        std::vector<std::string> out;
        for (const auto& row : c.Rows()) out.push_back(row.caption);
        return out;
    }

    TempDir dir_{"vrnx2-catalogue"};
    std::string root_;
    vrnx2::TProfileRec profile_;
    ScriptedInterface ui_;
};
