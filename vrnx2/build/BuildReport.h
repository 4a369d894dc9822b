#pragma once
// The report of the last build, build.info beside the program file: profile, options and
// enabled plugins. Written for people (UTF-8, CR LF); nothing reads it back.

#include <string>
#include <vector>

#include "vrnx2/build/BuildMode.h"
#include "vrnx2/settings/Records.h"

namespace vrnx2 {

class BuildReport {
public:
    // The profile and option sections, up to the "[Plugins]" separator.
    void AddProfileSections(const TProfileRec& profile, BuildMode mode);
    void AddPlugin(const std::string& name);
    // A section saying that a stop ended the builder and the programs it started, so the
    // report of an unfinished build is never taken for a finished one.
    void AddStopped();
    const std::vector<std::string>& Lines() const { return lines_; }
    // Replaces the file's content with the lines (none: an empty file).
    bool Write(const std::string& path, std::string* error = nullptr) const;

    // The date and time as the user's locale writes it: short date, a blank, the time with
    // seconds.
    static std::string LocalDateTime();

private:
    std::vector<std::string> lines_;
};

// The folder of build.info: the program's own folder when the user may write there (a build
// tree, a copy in the home folder), else $XDG_STATE_HOME/vrnx2 (~/.local/state/vrnx2), as an
// installed program's folder (/usr/bin) is not the user's to write.
std::string ReportDirectory(const std::string& programDir);

}  // namespace vrnx2
