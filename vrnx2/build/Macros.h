#pragma once
// Expansion of the "@Name@" tokens in the command lines of a profile's outside programs.

#include <functional>
#include <string>
#include <string_view>

#include "vrnx2/settings/Records.h"

namespace vrnx2 {

// Replaces every token, letters compared without regard to case, in a fixed order; each
// step works on the result of the one before. `outDir` is the effective output folder;
// `varnexDir` the folder of the program file (empty: the running program's folder).
std::string ExpandMacros(const std::string& templ, const std::string& outDir,
                         const TProfileRec& profile, const std::string& varnexDir = {});

// Turns a path into the form the started program reads; false, with a reason, when it
// cannot.
using PathForm = std::function<bool(const std::string& path, std::string& out, std::string* error)>;
// ExpandMacros with the values of the path tokens (@PEBuilder@, @Varnex@, @SourcePath@,
// @OutDir@, @IsoFile@, @CustomDir@) passed through `form` (a Windows program's paths).
// False, with the reason, when a path that the template uses cannot be turned.
bool ExpandMacros(const std::string& templ, const std::string& outDir, const TProfileRec& profile,
                  const std::string& varnexDir, const PathForm& form, std::string& out,
                  std::string* error);

// The ISO image path of a profile: ISOPath, "/", ISOFile (no "/" when ISOPath is empty).
std::string IsoFilePath(const TProfileRec& profile);

}  // namespace vrnx2
