#pragma once
// INI-style text of the builder's files: sections in brackets, key=value lines. Section and
// key names compare without regard to letter case; a line starting with ";" is a comment.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vrnx2/build/TextFile.h"

namespace vrnx2 {

// Looks keys up in a file read once (a plugin file is asked for seven keys per scan).
class IniView {
public:
    explicit IniView(const TextFile& file);
    bool HasSection(std::string_view section) const;
    // The value after the first "=", trimmed; nullopt when the section or key is absent.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    std::string Value(std::string_view section, std::string_view key, const std::string& def) const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
    };
    std::vector<Section> sections_;
};

// Sets keys of one section and writes the whole file back, the way the builder's options
// file is kept: sections and keys keep their order, new keys go to the end of their
// section, comment and blank lines are dropped, blanks around "=" removed. A missing file
// is created (8-bit text in `codePage`). Written through a temporary file. Refused, with the
// key and value named and nothing written, when an 8-bit file cannot hold a value.
bool UpdateIniSection(const std::string& path, std::string_view section,
                      const std::vector<std::pair<std::string, std::string>>& values, int codePage,
                      std::string* error = nullptr);

// "Quoted" -> Quoted: one pair of surrounding double quotes removed.
std::string Unquote(std::string_view text);
bool EqualAsciiNoCase(std::string_view a, std::string_view b);

}  // namespace vrnx2
