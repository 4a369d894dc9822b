#include "common/SplitFields.h"

#include "common/Trim.h"

void SplitFields(std::string_view text, std::vector<std::string>& fields) {
    fields.clear();
    const std::string_view input = TrimView(text);
    std::string current;
    bool inQuotes = false;
    size_t commas = 0;
    for (const char c : input) {
        current.push_back(c);
        if (c == '"') inQuotes = !inQuotes;
        if ((c == ',' || c == ';') && !inQuotes) {
            current.pop_back();
            fields.push_back(Trim(current));
            current.clear();
            if (c == ',') ++commas;
            if (c == ';') break;
        }
    }
    std::string rest = Trim(current);
    if (!rest.empty()) fields.push_back(std::move(rest));
    if (commas >= fields.size()) fields.resize(commas + 1);
}

std::string JoinFields(const std::vector<std::string>& fields) {
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) out.push_back(',');
        out += fields[i];
    }
    return out;
}
