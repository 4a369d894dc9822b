#include "vrnx2/settings/MessageBox.h"

#include <cstdio>

namespace {

// Used until a program installs its own: prints and answers No / Cancel.
class NullInterface : public UserInterface {
public:
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        if ((flags & 0xF) == 0x4) return ID_NO;
        if ((flags & 0xF) == 0x5) return ID_CANCEL;
        return ID_OK;
    }
    bool InputText(const std::string&, const std::string&, std::string&) override {
        return false;
    }
    bool BrowseForFolder(const std::string&, std::string&, bool) override { return false; }
};

NullInterface g_null;
UserInterface* g_current = &g_null;

}  // namespace

UserInterface& UI() { return *g_current; }

UserInterface* SetUserInterface(UserInterface* ui) {
    UserInterface* previous = g_current;
    g_current = ui ? ui : &g_null;
    return previous;
}
