#include "vrnx2/build/PluginChoices.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <unordered_map>
#include <utility>

#include "common/Trim.h"
#include "platform/TextCase.h"
#include "vrnx2/build/BuildPlan.h"
#include "vrnx2/settings/Store.h"

namespace vrnx2 {

namespace {

int32_t ToIntDef(const std::string& text, int32_t def) {
    std::string t = Trim(text);
    if (t.empty()) return def;
    char* end = nullptr;
    long long v = std::strtoll(t.c_str(), &end, 10);
    if (*end != '\0' || v < INT32_MIN || v > INT32_MAX) return def;
    return static_cast<int32_t>(v);
}

}  // namespace

std::string EncodePluginChoice(bool enabled, const std::string& category, int32_t order) {
    std::string path;
    for (char c : category) {
        if (c == '"') path += '"';
        path += c;
    }
    return "\"" + std::to_string(enabled ? 1 : 0) + "\",\"" + path + "\",\"" +
           std::to_string(order) + "\"";
}

PluginChoice DecodePluginChoice(std::string key, std::string_view data) {
    auto fields = SplitDelimitedText(data);
    fields.resize(std::max<size_t>(fields.size(), 3));
    PluginChoice choice;
    choice.key = std::move(key);
    choice.enabled = ToIntDef(fields[0], 0) != 0;
    choice.category = Trim(fields[1]);
    choice.order = ToIntDef(fields[2], 0);
    return choice;
}

std::vector<PluginChoice> ReadPluginChoices(const std::string& storeKey) {
    std::vector<PluginChoice> choices;
    for (const RegValue& v : RegEnumValues(0, storeKey)) {
        choices.push_back(DecodePluginChoice(
            v.name, v.type == RegType::Integer ? std::to_string(v.number) : v.text));
    }
    return choices;
}

void WritePluginChoices(const std::string& storeKey, const std::vector<PluginChoice>& choices) {
    StoreTransaction transaction;
    RegDeleteKey(0, storeKey);
    for (const PluginChoice& c : choices)
        RegWriteString(0, storeKey, c.key, EncodePluginChoice(c.enabled, c.category, c.order));
    transaction.Commit();
}

std::vector<int> ApplyPluginChoices(const std::vector<PluginChoice>& choices,
                                    PluginHolder& plugins) {
    std::unordered_map<std::string, int> byKey;
    for (int i = 0; i < plugins.Count(); ++i) byKey.emplace(platform::FoldCase(plugins.Text(i)), i);
    std::vector<int> matched;
    for (const PluginChoice& c : choices) {
        auto it = byKey.find(platform::FoldCase(c.key));
        if (it == byKey.end()) continue;
        TPluginRec* rec = plugins.Get(it->second);
        rec->Enabled = c.enabled;
        rec->Category = c.category;
        rec->Order = c.order;
        matched.push_back(it->second);
    }
    return matched;
}

}  // namespace vrnx2
