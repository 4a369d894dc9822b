#pragma once
// What a build run derives from the profile, the mode and the build-step toggles, kept apart
// from the run so each rule can be checked on its own.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vrnx2/build/BuildRun.h"
#include "vrnx2/build/Macros.h"
#include "vrnx2/settings/Records.h"

namespace vrnx2 {

struct RunFlags {
    bool doBuild = false;
    bool makeImage = false;
    bool imageOnly = false;
    bool skipFiles = false;
};

RunFlags ComputeRunFlags(BuildMode mode, const TProfileRec& profile, const BuildSteps& steps);

// The keys of section "input" of the options file, in the order they are written.
std::vector<std::pair<std::string, std::string>> OptionsFileValues(BuildMode mode,
                                                                   const TProfileRec& profile,
                                                                   const BuildSteps& steps,
                                                                   const RunFlags& flags);

// The path values of `values` (source, outdir, fulloutdir, isofile, customdir) passed
// through `form`, for a builder that reads Windows paths. A relative outdir stays relative.
// False, with the reason, when one cannot be turned.
bool OptionPathsInForm(std::vector<std::pair<std::string, std::string>>& values,
                       const PathForm& form, std::string* error);

// The effective output folder: FullOutDir, or the builder folder joined with OutDir.
std::string OutputFolder(const TProfileRec& profile);

// Builder options for a build: "-overwrite" removed wherever it stands, then appended once
// unless files are skipped.
std::string BuildOptionsText(const std::string& buildParameter, bool skipFiles);
// Builder options for an image-only run: ends with exactly one " -buildiso".
std::string ImageOptionsText(const std::string& isoParameter);

// Splits a stored plugin choice into fields: commas or blanks outside double quotes
// separate, double quotes group a field and are removed.
std::vector<std::string> SplitDelimitedText(std::string_view text);

// Every occurrence of `what` removed, letter case ignored.
std::string RemoveNoCase(std::string_view text, std::string_view what);

}  // namespace vrnx2
