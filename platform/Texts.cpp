#include "platform/Texts.h"

#include <atomic>
#include <iterator>

namespace platform {

namespace {

constexpr const char* kEnglish[] = {
    "%s is not a program that can be started here (%s). A Linux program or a Windows program "
    "is needed.",
    "%s is a Windows program; starting it needs Wine, which was not found (%s). Install the "
    "packages wine and wine64, or name the Wine command in VRNX2_WINE.",
    "%s is a 32-bit Windows program, and no 32-bit Wine is installed (Wine would end at once "
    "without running it). As root: dpkg --add-architecture i386 && apt-get update && apt-get "
    "install wine32:i386",
    "%s is a Windows program with windows, and there is no display to show them (neither "
    "DISPLAY nor WAYLAND_DISPLAY is set). Start it from a desktop session, or under xvfb-run.",
    "No drive of the Wine prefix %s holds %s. Add one with winecfg (Drives), or link it in "
    "%s/dosdevices.",
    "cannot open '%s': %s",
    "cannot read '%s': %s",
    "cannot read the status of '%s': %s",
    "cannot rewrite what is not a regular file '%s': %s",
    "cannot create a temporary file beside '%s': %s",
    "cannot write '%s': %s",
    "cannot replace '%s': %s",
    "cannot set the mode of '%s': %s",
    "cannot keep the owner of '%s': %s",
    "cannot keep the mode of '%s': %s",
    "cannot keep the time of '%s': %s",
    "cannot delete '%s': %s",
    "The value of %s cannot be written in code page %s, which the file is read in: %s",
    "%s is a 32-bit Windows program, and the Wine prefix %s was made before 32-bit Wine was "
    "installed, so it cannot start it. Update the prefix (as its owner): rm "
    "%s/.update-timestamp && WINEPREFIX=%s wineboot -u",
};
static_assert(std::size(kEnglish) == static_cast<size_t>(Sentence::Count));

std::atomic<FormSource> g_forms{nullptr};

}  // namespace

std::string_view EnglishForm(Sentence id) {
    const auto index = static_cast<size_t>(id);
    return index < std::size(kEnglish) ? kEnglish[index] : "";
}

std::string Form(Sentence id) {
    if (FormSource forms = g_forms.load()) {
        std::string form = forms(id);
        if (!form.empty()) return form;
    }
    return std::string(EnglishForm(id));
}

void SetForms(FormSource forms) {
    g_forms = forms;
}

std::string FillIn(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string out;
    auto next = args.begin();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t mark = text.find("%s", pos);
        if (mark == std::string_view::npos || next == args.end()) break;
        out.append(text.substr(pos, mark - pos));
        out.append(*next++);
        pos = mark + 2;
    }
    out.append(text.substr(pos));
    return out;
}

std::string Say(Sentence id, std::initializer_list<std::string_view> args) {
    return FillIn(Form(id), args);
}

}  // namespace platform
