#pragma once
// A client of a local (Unix domain) stream socket, line by line, with time limits: the
// control socket of a program started here, such as QEMU's machine protocol.

#include <string>

namespace platform {

class LocalSocket {
public:
    LocalSocket() = default;
    ~LocalSocket();
    LocalSocket(const LocalSocket&) = delete;
    LocalSocket& operator=(const LocalSocket&) = delete;

    // Connects to `path`, trying again until `milliseconds` have passed (the server may not
    // have made the socket yet). False with the reason in `error`.
    bool Connect(const std::string& path, int milliseconds, std::string* error = nullptr);
    bool Connected() const { return fd_ >= 0; }
    // Sends the whole text; false when the other end has gone.
    bool Send(const std::string& text);
    // The next line without its line end; false when none came within `milliseconds` or the
    // other end closed.
    bool ReadLine(std::string& line, int milliseconds);
    void Close();

private:
    int fd_ = -1;
    std::string pending_;
};

}  // namespace platform
