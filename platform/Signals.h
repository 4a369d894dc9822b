#pragma once
// Terminate signals held back while a console program finishes what it must not leave half
// done, such as a build run with the builder's plugin folder moved aside.

namespace platform {

// While it lives, SIGTERM, SIGINT and SIGHUP do not end the program: they are recorded.
// They still interrupt a blocking read (the handler is installed without SA_RESTART), so a
// question being asked on the terminal ends as at the end of its input. One at a time.
class HeldSignals {
public:
    HeldSignals();
    // Restores the handling found; a recorded signal is not raised again.
    ~HeldSignals();
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

    // The first signal received, or 0.
    int Received() const;
    // How many were received.
    int Count() const;
    // Passes signals received since the last call on to this program's child processes:
    // the first as it is, a repeated one as SIGKILL, so a child that ignores the first
    // still ends. A signal that reached no child is passed on at a later call.
    void ForwardToChildren();

private:
    int forwarded_ = 0;
};

// Sends `sig` to every child process of this program; returns how many it reached.
int SignalChildren(int sig);

}  // namespace platform
