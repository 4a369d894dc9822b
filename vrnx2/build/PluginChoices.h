#pragma once
// A profile's stored plugin choices (Profiles\NNN\Plugin): one string value per plugin,
// named by its plugin key, holding "enabled","category path","order". The plugin window
// writes them and the build run reads them, both through this one codec, so a key holding
// "=" or quotes means the same plugin to both.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vrnx2/settings/RecordHolder.h"

namespace vrnx2 {

struct PluginChoice {
    std::string key;  // the plugin key, as stored
    bool enabled = false;
    std::string category;
    int32_t order = 0;
};

// The data of one value; a quote inside the category path is doubled.
std::string EncodePluginChoice(bool enabled, const std::string& category, int32_t order);
// Fields are separated by commas or blanks outside double quotes; missing or unreadable
// numbers read as 0, the category is trimmed.
PluginChoice DecodePluginChoice(std::string key, std::string_view data);

// The choices under `storeKey`, in store order; an integer value reads as its decimal text.
std::vector<PluginChoice> ReadPluginChoices(const std::string& storeKey);
// Replaces everything under `storeKey` with `choices`, as one transaction. Throws StoreError.
void WritePluginChoices(const std::string& storeKey, const std::vector<PluginChoice>& choices);

// Sets Enabled, Category and Order of the entries whose text is a choice's key (letter case
// ignored). Returns the matched entries' indices in the order of `choices`.
std::vector<int> ApplyPluginChoices(const std::vector<PluginChoice>& choices,
                                    PluginHolder& plugins);

}  // namespace vrnx2
