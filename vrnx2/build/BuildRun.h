#pragma once
// The build run: one profile turned into a run of the builder program.

#include "vrnx2/settings/Records.h"

// The four toggles of the main window's build-step bar (mode 2).
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
};

// mode: 0 basic build, 1 image-only run, 2 advanced with `steps`.
BuildResult RunBuild(int mode, const TProfileRec& profile, const BuildSteps& steps = {});
