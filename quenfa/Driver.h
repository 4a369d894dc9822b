#pragma once
// The command line and the directory walk of the program.

#include <ostream>
#include <string>
#include <vector>

#include "quenfa/Reduce.h"

namespace quenfa {

struct Options {
    bool recursive = false;
    bool reg = false;
    bool ini = false;
    bool sif = false;
    bool help = false;
};

// Every argument counts, the directory (the last one) included.
Options ParseOptions(const std::vector<std::string>& args);
// The last argument made absolute when it begins with "." and with %NAME% expanded.
std::string PrepareDirectory(const std::string& arg);
// ".inf" always; ".reg", ".ini", ".sif" with their options. Letter case does not matter.
bool IsSelected(const std::string& name, const Options& options);

void PrintBanner(std::ostream& out);
void PrintUsage(std::ostream& out);

// Reduces the selected files of `dir` (and below it with the recursion option), one
// progress line each; a failed file ends its line with " - Failure." and the walk goes on.
void ProcessDirectory(const std::string& dir, const Options& options, const ReduceLocale& locale,
                      std::ostream& out);

// The whole run; `args` without the program name. Returns the exit code.
int RunQuenfa(const std::vector<std::string>& args, std::ostream& out);

}  // namespace quenfa
