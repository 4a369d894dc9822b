#include "vrnx2/build/BuildPlan.h"

#include "platform/Path.h"
#include "vrnx2/build/Macros.h"

namespace vrnx2 {

namespace {

const char* Flag(bool b) {
    return b ? "1" : "0";
}

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

}  // namespace

RunFlags ComputeRunFlags(BuildMode mode, const TProfileRec& p, const BuildSteps& s) {
    RunFlags f;
    if (mode == BuildMode::Advanced) {
        f.doBuild = s.registry || s.files;
        f.makeImage = s.iso || s.burn;
        f.imageOnly = !f.doBuild && (s.iso || s.burn);
        f.skipFiles = !s.files;
    } else {
        f.doBuild = mode != BuildMode::ImageOnly;
        f.makeImage = p.BuildISO;
        f.imageOnly = mode == BuildMode::ImageOnly;
        f.skipFiles = p.SkipFiles;
    }
    return f;
}

std::string OutputFolder(const TProfileRec& p) {
    if (p.UseAbsoluteOutput) return platform::WithoutTrailingSlash(p.FullOutDir);
    return platform::WithoutTrailingSlash(
        platform::JoinPath(p.Builder.Path, platform::WithoutTrailingSlash(p.OutDir)));
}

std::vector<std::pair<std::string, std::string>> OptionsFileValues(BuildMode mode,
                                                                   const TProfileRec& p,
                                                                   const BuildSteps& s,
                                                                   const RunFlags& f) {
    const bool advanced = mode == BuildMode::Advanced;
    std::vector<std::pair<std::string, std::string>> v = {
        {"source", platform::WithoutTrailingSlash(p.Source)},
        {"useAbsoluteOutput", Flag(p.UseAbsoluteOutput)},
        {"outdir", platform::WithoutTrailingSlash(p.OutDir)},
        {"fulloutdir", platform::WithoutTrailingSlash(p.FullOutDir)},
        {"isofile", IsoFilePath(p)},
        {"customdir", platform::WithoutTrailingSlash(p.CustomDir)},
        {"VolumeID", p.VolumeID},
        {"ISOduplicatesonce", Flag(p.ISODuplicatesOnce)},
        {"NoUpperCase", Flag(p.NoUpperCase)},
        {"Device", p.Device},
        {"BurnUsing", std::to_string(p.BurnUsing)},
        {"verbose", Flag(p.Verbose)},
        {"skipregistry", Flag(advanced ? !s.registry : p.SkipRegistry)},
        {"skipfiles", Flag(advanced ? !s.files : p.SkipFiles)},
        {"buildiso", Flag(advanced ? s.iso : p.BuildISO)},
        {"burncd", Flag(advanced ? s.burn : p.BurnCD)},
        {"BlankCDRW", Flag(advanced ? s.burn && p.BlankCDRW : p.BlankCDRW)},
        {"CleanIsoAfterBurn", Flag(advanced ? s.burn && p.CleanIsoAfterBurn : p.CleanIsoAfterBurn)},
        {"CleanOutputAfterBurn",
         Flag(advanced ? s.burn && p.CleanOutputAfterBurn : p.CleanOutputAfterBurn)},
        {"Eject", Flag(advanced ? s.burn && p.Eject : p.Eject)},
        {"Verify", Flag(advanced ? s.burn && p.Verify : p.Verify)},
    };
    if (p.Build_UseExternalProgram) {
        // The image is then made by the outside program, not by the builder.
        for (size_t i = 14; i < v.size(); ++i) v[i].second = "0";
    }
    if (f.imageOnly) {
        v[12].second = "1";
        v[13].second = "1";
    }
    return v;
}

bool OptionPathsInForm(std::vector<std::pair<std::string, std::string>>& values,
                       const PathForm& form, std::string* error) {
    for (auto& [key, value] : values) {
        if (key != "source" && key != "outdir" && key != "fulloutdir" && key != "isofile" &&
            key != "customdir")
            continue;
        if (value.empty()) continue;
        std::string turned;
        if (!form(value, turned, error)) return false;
        value = std::move(turned);
    }
    return true;
}

std::string RemoveNoCase(std::string_view text, std::string_view what) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        bool match = !what.empty() && i + what.size() <= text.size();
        for (size_t k = 0; match && k < what.size(); ++k)
            match = AsciiUpper(text[i + k]) == AsciiUpper(what[k]);
        if (match) {
            i += what.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string BuildOptionsText(const std::string& buildParameter, bool skipFiles) {
    std::string options = RemoveNoCase(buildParameter, "-overwrite");
    if (!skipFiles) options += " -overwrite";
    return options;
}

std::string ImageOptionsText(const std::string& isoParameter) {
    return RemoveNoCase(RemoveNoCase(isoParameter, "-buildiso"), "-overwrite") + " -buildiso";
}

std::vector<std::string> SplitDelimitedText(std::string_view text) {
    std::vector<std::string> fields;
    size_t i = 0;
    auto blank = [&](size_t k) {
        return k < text.size() && static_cast<unsigned char>(text[k]) <= ' ';
    };
    while (blank(i)) ++i;
    while (i < text.size()) {
        std::string field;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
        } else {
            while (i < text.size() && static_cast<unsigned char>(text[i]) > ' ' && text[i] != ',')
                field += text[i++];
        }
        fields.push_back(std::move(field));
        while (blank(i)) ++i;
        if (i < text.size() && text[i] == ',') {
            if (i + 1 == text.size()) fields.emplace_back();
            do {
                ++i;
            } while (blank(i));
        }
    }
    return fields;
}

}  // namespace vrnx2
