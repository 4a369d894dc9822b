#pragma once
// The programs a build starts, as argument lists: the builder, whose path the system knows,
// and the profile's outside programs, whose command lines the user wrote.

#include <string>
#include <vector>

#include "vrnx2/build/Macros.h"
#include "vrnx2/settings/Records.h"

namespace vrnx2 {

// Paths in the Windows form of the Wine prefix's drives (platform/WinePath.h).
PathForm WindowsPathForm();

// The builder program as it is, then the options text split by the Windows rules.
// `path` as `program` reads it: in Windows form for a Windows program (unchanged when no
// drive of the prefix holds it, for Wine to try), else as it is.
std::string PathForProgram(const std::string& program, const std::string& path);

std::vector<std::string> BuilderArguments(const std::string& program, const std::string& options);

struct OutsideCommand {
    std::vector<std::string> argv;
    std::string shown;  // the expanded command line, for messages
    std::string error;  // non-empty: a path could not be given in the program's form
};

// A profile's outside program: its macros expanded, the line split by the Windows rules.
// When the program it names is a Windows program, the path macros are in Windows form
// (the program itself is still named by its path here, for Wine to start).
OutsideCommand PrepareOutsideCommand(const std::string& templ, const std::string& outDir,
                                     const TProfileRec& profile, const std::string& varnexDir);

}  // namespace vrnx2
