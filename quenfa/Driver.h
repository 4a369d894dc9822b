#pragma once
// The command line and the directory walk of the program.

#include <functional>
#include <iostream>
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

// Worker threads for the files: one per processor this process may run on, at least one.
unsigned DefaultWorkerCount();

// Reduces the selected files of `dir` (and below it with the recursion option) on `workers`
// threads, one progress line each; a failed file ends its line with " - Failure.", its reason
// goes to `err`, and the walk goes on. Returns the number of failed files.
size_t ProcessDirectory(const std::string& dir, const Options& options, const ReduceLocale& locale,
                        std::ostream& out, std::ostream& err,
                        unsigned workers = DefaultWorkerCount());

// What the work on one file gives: the end of its progress line ("(41.3%)" or
// " - Failure.") and, for a failure, why.
struct FileOutcome {
    FileOutcome(std::string tailText = {}, std::string why = {})
        : tail(std::move(tailText)), reason(std::move(why)) {}
    std::string tail;
    std::string reason;
};
// The work on one file. An exception escaping it stops the walk and is rethrown once the
// workers have stopped.
using FileWork = std::function<FileOutcome(const std::string& path, LineLists& lists)>;
// The walk in the file system's order, depth first, with `work` run on `workers` threads.
// A file's line ("Processing..." and its name, then the work's text) is printed when the file
// and every file before it are done, so the output is that of one file at a time; a reason
// follows on `err` as "quenfa: PATH: REASON" (the path only once). Returns the number of files with
// a reason.
size_t WalkDirectory(const std::string& dir, const Options& options, unsigned workers,
                     const FileWork& work, std::ostream& out, std::ostream& err = std::cerr);

// The whole run; `args` without the program name. Returns the exit code: 1 when a file
// failed, else 0 (also after the usage text, which a missing folder adds "not found" to on
// `err`).
int RunQuenfa(const std::vector<std::string>& args, std::ostream& out,
              std::ostream& err = std::cerr);

}  // namespace quenfa
