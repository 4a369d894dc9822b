#pragma once
// The process-wide message table: lines "id=text" (UTF-8), looked up by three-digit id,
// filled from the language resource beside the program or from the built-in texts.

#include <string>
#include <string_view>
#include <vector>

namespace vrnx2 {

struct FontSetting {
    int charSet = 0;
    std::string name = "MS UI Gothic";
    int size = 9;  // points
};

class MessageTable {
public:
    static MessageTable& Instance();

    // Text after the first "=" of the first line whose id matches (letter case ignored);
    // empty when none does.
    std::string Lookup(std::string_view id) const;

    void Clear();
    void AddLine(std::string line);
    void LoadBuiltIn();  // the built-in texts, ids 001..kBuiltInMessageCount in order
    // Reads the language resource at `path`; false (table unchanged) when it does not exist.
    bool LoadResource(const std::string& path);
    // The resource at `beside` if it exists; else the installed resource for the locale's
    // language (none for Japanese); else the built-in texts.
    void LoadForProgram(const std::string& beside);
    // LoadForProgram with the window program's resource path.
    void LoadDefault();

    const std::vector<std::string>& Lines() const { return lines_; }
    bool languageLoaded = false;
    // The language of the program's own sentences (those not in the table): Japanese with
    // the built-in texts or a resource written in Japanese, English otherwise.
    bool japaneseTexts = true;
    FontSetting font1{0, "MS UI Gothic", 9};
    FontSetting font2{0, "MS UI Gothic", 10};

private:
    std::vector<std::string> lines_;
};

// Shorthand for MessageTable::Instance().Lookup(id): Msg(kMsgError) (vrnx2/base/MessageIds.h).
std::string Msg(std::string_view id);

}  // namespace vrnx2
