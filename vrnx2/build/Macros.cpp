#include "vrnx2/build/Macros.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/Locale.h"

std::string WithoutTrailingSlash(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return std::string(path);
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    std::string d = WithoutTrailingSlash(dir);
    if (d.empty()) return std::string(name);
    if (d.back() != '/') d += '/';
    return d + std::string(name);
}

std::string IsoFilePath(const TProfileRec& profile) {
    // An empty folder would otherwise put the image at the file-system root.
    return JoinPath(profile.ISOPath, profile.ISOFile);
}

namespace {

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// Every occurrence of `token` (ASCII, compared without regard to case) replaced by `value`;
// the inserted text is not searched again by this step.
std::string ReplaceNoCase(const std::string& text, std::string_view token,
                          const std::string& value) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        bool match = i + token.size() <= text.size();
        for (size_t k = 0; match && k < token.size(); ++k)
            match = AsciiUpper(text[i + k]) == AsciiUpper(token[k]);
        if (match) {
            out += value;
            i += token.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

const char* Flag(bool b) {
    return b ? "1" : "0";
}

}  // namespace

std::string ExpandMacros(const std::string& templ, const std::string& outDir, const TProfileRec& p,
                         const std::string& varnexDir) {
    platform::UserLocale locale = platform::CurrentLocale();
    char lcid[16];
    std::snprintf(lcid, sizeof lcid, "%x", static_cast<unsigned>(locale.lcid));
    std::string varnex = varnexDir.empty() ? platform::ProgramDirectory().string() : varnexDir;
    const bool burn = p.BurnCD;
    const std::vector<std::pair<const char*, std::string>> tokens = {
        {"@PEBuilder@", WithoutTrailingSlash(p.Builder.Path)},
        {"@Varnex@", WithoutTrailingSlash(varnex)},
        {"@SourcePath@", WithoutTrailingSlash(p.Source)},
        {"@OutDir@", WithoutTrailingSlash(outDir)},
        {"@IsoFile@", IsoFilePath(p)},
        {"@CustomDir@", WithoutTrailingSlash(p.CustomDir)},
        {"@BuildISO@", Flag(p.BuildISO)},
        {"@ISODuplicatesOnce@", Flag(p.ISODuplicatesOnce)},
        {"@NoUpperCase@", Flag(p.NoUpperCase)},
        {"@VolumeID@", p.VolumeID},
        {"@BurnCD@", Flag(p.BurnCD)},
        {"@BurnUsing@", std::to_string(p.BurnUsing)},
        {"@Device@", p.Device},
        {"@BlankCDRW@", Flag(burn && p.BlankCDRW)},
        {"@Verify@", Flag(burn && p.Verify)},
        {"@Eject@", Flag(burn && p.Eject)},
        {"@CleanIsoAfterBurn@", Flag(burn && p.CleanIsoAfterBurn)},
        {"@CleanOutputAfterBurn@", Flag(burn && p.CleanOutputAfterBurn)},
        {"@Verbose@", Flag(p.Verbose)},
        {"@LCID@", lcid},
        {"@Language@", locale.englishLanguage},
    };
    std::string text = templ;
    for (const auto& [token, value] : tokens) text = ReplaceNoCase(text, token, value);
    return text;
}
