#include "platform/Signals.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace platform {

namespace {

constexpr int kHeld[] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t g_first = 0;
volatile std::sig_atomic_t g_count = 0;
bool g_active = false;
struct sigaction g_previous[std::size(kHeld)];

void Record(int sig) {
    if (g_first == 0) g_first = sig;
    g_count = g_count + 1;
}

// The parent's id from /proc/PID/stat; the command name before it may hold blanks and ")".
long ParentOf(const char* pid) {
    std::ifstream in(std::string("/proc/") + pid + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 4 >= stat.size()) return -1;
    // ") S PPID ..."
    return std::strtol(stat.c_str() + close + 4, nullptr, 10);
}

}  // namespace

HeldSignals::HeldSignals() {
    if (g_active) throw std::logic_error("HeldSignals: one at a time");
    g_active = true;
    g_first = 0;
    g_count = 0;
    struct sigaction action {};
    action.sa_handler = Record;
    sigemptyset(&action.sa_mask);
    for (int sig : kHeld) sigaddset(&action.sa_mask, sig);
    action.sa_flags = 0;
    for (size_t i = 0; i < std::size(kHeld); ++i) sigaction(kHeld[i], &action, &g_previous[i]);
}

HeldSignals::~HeldSignals() {
    for (size_t i = 0; i < std::size(kHeld); ++i) sigaction(kHeld[i], &g_previous[i], nullptr);
    g_active = false;
}

int HeldSignals::Received() const {
    return g_first;
}

int HeldSignals::Count() const {
    return g_count;
}

void HeldSignals::ForwardToChildren() {
    const int count = g_count;
    if (count <= forwarded_) return;
    const int sig = forwarded_ == 0 ? static_cast<int>(g_first) : SIGKILL;
    if (SignalChildren(sig) > 0) forwarded_ = count;
}

int SignalChildren(int sig) {
    const long self = static_cast<long>(::getpid());
    DIR* proc = ::opendir("/proc");
    if (!proc) return 0;
    int reached = 0;
    while (dirent* e = ::readdir(proc)) {
        if (e->d_name[0] < '1' || e->d_name[0] > '9') continue;
        if (ParentOf(e->d_name) != self) continue;
        if (::kill(static_cast<pid_t>(std::strtol(e->d_name, nullptr, 10)), sig) == 0) ++reached;
    }
    ::closedir(proc);
    return reached;
}

}  // namespace platform
