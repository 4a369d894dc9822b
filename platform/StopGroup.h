#pragma once
// Ending a program that leads a process group of its own (StartOptions::ownProcessGroup)
// together with everything it started: a builder that hangs, ignores the terminate signal,
// or leaves children that would go on writing into the build output.

#include <chrono>

#include "platform/Process.h"

namespace platform {

class GroupStop {
public:
    // How long the group may take to end after the terminate signal before it is killed.
    static constexpr std::chrono::milliseconds kGrace{3000};

    explicit GroupStop(RunningProgram& program) : program_(program) {}

    // Called while the program is waited for, once a stop is wanted: the first call sends
    // SIGTERM to the group, later ones SIGKILL once the grace has passed, or at once with
    // `now` (the person insists).
    void Request(bool now = false);
    bool Requested() const { return requested_; }
    // After the program has ended: kills what is left of its group (children that ignored
    // the terminate signal or were still shutting down).
    void EndRest();

private:
    RunningProgram& program_;
    bool requested_ = false;
    bool killed_ = false;
    std::chrono::steady_clock::time_point since_;
};

}  // namespace platform
