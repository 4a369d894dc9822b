#include "platform/LocalSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

LocalSocket::~LocalSocket() {
    Close();
}

void LocalSocket::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

bool LocalSocket::Connect(const std::string& path, int milliseconds, std::string* error) {
    Close();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        if (error) *error = path + ": the path is too long for a socket";
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) break;
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return true;
        const int reason = errno;
        Close();
        if (MillisecondsLeft(end) == 0 || (reason != ENOENT && reason != ECONNREFUSED)) {
            if (error) *error = path + ": " + std::strerror(reason);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (error) *error = path + ": " + std::strerror(errno);
    return false;
}

bool LocalSocket::Send(const std::string& text) {
    size_t sent = 0;
    while (fd_ >= 0 && sent < text.size()) {
        const ssize_t n = ::send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return fd_ >= 0;
}

bool LocalSocket::ReadLine(std::string& line, int milliseconds) {
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const size_t newline = pending_.find('\n');
        if (newline != std::string::npos) {
            line = pending_.substr(0, newline);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            pending_.erase(0, newline + 1);
            return true;
        }
        if (fd_ < 0) return false;
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, MillisecondsLeft(end));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

}  // namespace platform
