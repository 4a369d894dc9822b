#include "vrnx2/build/Macros.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Path.h"

namespace vrnx2 {

std::string IsoFilePath(const TProfileRec& profile) {
    // An empty folder would otherwise put the image at the file-system root.
    return platform::JoinPath(profile.ISOPath, profile.ISOFile);
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

bool ExpandMacros(const std::string& templ, const std::string& outDir, const TProfileRec& p,
                  const std::string& varnexDir, const PathForm& form, std::string& out,
                  std::string* error) {
    platform::UserLocale locale = platform::CurrentLocale();
    char lcid[16];
    std::snprintf(lcid, sizeof lcid, "%x", static_cast<unsigned>(locale.lcid));
    std::string varnex = varnexDir.empty() ? platform::ProgramDirectory().string() : varnexDir;
    const bool burn = p.BurnCD;
    struct Token {
        const char* name;
        std::string value;
        bool path;
    };
    const std::vector<Token> tokens = {
        {"@PEBuilder@", platform::WithoutTrailingSlash(p.Builder.Path), true},
        {"@Varnex@", platform::WithoutTrailingSlash(varnex), true},
        {"@SourcePath@", platform::WithoutTrailingSlash(p.Source), true},
        {"@OutDir@", platform::WithoutTrailingSlash(outDir), true},
        {"@IsoFile@", IsoFilePath(p), true},
        {"@CustomDir@", platform::WithoutTrailingSlash(p.CustomDir), true},
        {"@BuildISO@", Flag(p.BuildISO), false},
        {"@ISODuplicatesOnce@", Flag(p.ISODuplicatesOnce), false},
        {"@NoUpperCase@", Flag(p.NoUpperCase), false},
        {"@VolumeID@", p.VolumeID, false},
        {"@BurnCD@", Flag(p.BurnCD), false},
        {"@BurnUsing@", std::to_string(p.BurnUsing), false},
        {"@Device@", p.Device, false},
        {"@BlankCDRW@", Flag(burn && p.BlankCDRW), false},
        {"@Verify@", Flag(burn && p.Verify), false},
        {"@Eject@", Flag(burn && p.Eject), false},
        {"@CleanIsoAfterBurn@", Flag(burn && p.CleanIsoAfterBurn), false},
        {"@CleanOutputAfterBurn@", Flag(burn && p.CleanOutputAfterBurn), false},
        {"@Verbose@", Flag(p.Verbose), false},
        {"@LCID@", lcid, false},
        {"@Language@", locale.englishLanguage, false},
    };
    std::string text = templ;
    for (const Token& token : tokens) {
        std::string value = token.value;
        // Only a token the text holds is turned, so an unused path never stops a start.
        if (token.path && form && !value.empty() && ReplaceNoCase(text, token.name, "") != text &&
            !form(token.value, value, error))
            return false;
        text = ReplaceNoCase(text, token.name, value);
    }
    out = std::move(text);
    return true;
}

std::string ExpandMacros(const std::string& templ, const std::string& outDir, const TProfileRec& p,
                         const std::string& varnexDir) {
    std::string text;
    ExpandMacros(templ, outDir, p, varnexDir, PathForm(), text, nullptr);
    return text;
}

}  // namespace vrnx2
