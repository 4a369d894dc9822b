#pragma once
// The build run: one profile turned into a run of the builder program.

#include <string>
#include <utility>

#include "vrnx2/build/BuildMode.h"
#include "vrnx2/build/BuilderLog.h"
#include "vrnx2/build/ImageCache.h"
#include "vrnx2/settings/Records.h"

namespace vrnx2 {

// The four toggles of the main window's build-step bar (BuildMode::Advanced).
struct BuildSteps {
    bool registry = false;
    bool files = false;
    bool iso = false;
    bool burn = false;
};

struct BuildResult {
    bool builderStarted = false;  // the builder (or the image program) was started
    int exitCode = 0;             // its exit code when waited for
    bool endedEarly = true;       // a check failed, a question was declined, a retry cancelled
    bool built = false;           // the run was a build, not an image-only run
    std::string commandLine;      // what was started as the builder (or image program)
    LogVerdict log = LogVerdict::NotInspected;  // after a build that ended with 0
    bool pluginFolderRestored = true;  // false when Plugin / !Plugin! were left for the user
    bool builderInUse = false;         // refused: another run holds the builder folder
    bool stopped = false;              // a stop ended the builder (UI().StopRequested())
    bool reportWritten = true;         // false when build.info could not be written
    bool imageUnpacked = false;        // a source image was unpacked by this run

    // Started, and for a build ended with exit code 0 and a log that shows no failure. An
    // empty or missing log means the builder never ran: it was emptied before the start.
    bool Succeeded() const {
        if (endedEarly || !builderStarted || stopped || !reportWritten) return false;
        if (!built) return true;
        return exitCode == 0 && log == LogVerdict::Ok;
    }
};

struct BuildEnvironment {
    BuildEnvironment() = default;
    explicit BuildEnvironment(std::string folder) : programDir(std::move(folder)) {}

    // Folder of build.info and the value of @Varnex@; empty: the running program's folder.
    std::string programDir;
    // Where a source image is unpacked (the user's cache by default).
    ImageCacheSettings imageCache;
};

// `steps` count only in BuildMode::Advanced. Asks and reports only
// through UI() (MessageBox.h).
BuildResult RunBuild(BuildMode mode, const TProfileRec& profile, const BuildSteps& steps = {},
                     const BuildEnvironment& environment = {});

}  // namespace vrnx2
