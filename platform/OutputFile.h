#pragma once
// A file that keeps what a started program writes to one of its streams. A file, not a pipe:
// helper processes that outlive the program (Wine's) may hold it open without anyone waiting
// for them. Nameless in the temporary folder, so nothing is left behind, also after a crash.

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

class OutputFile {
public:
    OutputFile();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // -1 when no file could be made; the stream then goes where it would have gone.
    int Descriptor() const { return fd_; }
    // The last `maxLines` non-blank lines, read from at most the last `maxBytes`, as UTF-8
    // (invalid bytes repaired).
    std::vector<std::string> LastLines(size_t maxLines, size_t maxBytes = 16 * 1024) const;

private:
    int fd_ = -1;
};

}  // namespace platform
