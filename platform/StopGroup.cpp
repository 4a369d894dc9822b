#include "platform/StopGroup.h"

#include <signal.h>

namespace platform {

void GroupStop::Request(bool now) {
    if (!requested_) {
        requested_ = true;
        since_ = std::chrono::steady_clock::now();
        program_.SignalGroup(SIGTERM);
        if (!now) return;
    }
    if (killed_) return;
    if (now || std::chrono::steady_clock::now() - since_ >= kGrace) {
        program_.SignalGroup(SIGKILL);
        killed_ = true;
    }
}

void GroupStop::EndRest() {
    program_.SignalGroup(SIGKILL);
}

}  // namespace platform
