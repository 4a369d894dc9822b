#include "platform/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/Utf8.h"

namespace platform {

OutputFile::OutputFile() {
    std::error_code ec;
    const std::string dir = std::filesystem::temp_directory_path(ec).string();
    if (ec) return;
    fd_ = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_APPEND | O_CLOEXEC, 0600);
    if (fd_ >= 0) return;
    // File systems without nameless files: a named one, unlinked at once.
    std::string name = dir + "/vrnx2-output-XXXXXX";
    fd_ = ::mkostemp(name.data(), O_APPEND | O_CLOEXEC);
    if (fd_ >= 0) ::unlink(name.c_str());
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::vector<std::string> OutputFile::LastLines(size_t maxLines, size_t maxBytes) const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size <= 0) return {};
    const size_t size = static_cast<size_t>(st.st_size);
    const size_t length = std::min(size, maxBytes);
    std::string bytes(length, '\0');
    const ssize_t got = ::pread(fd_, bytes.data(), length, static_cast<off_t>(size - length));
    if (got <= 0) return {};
    bytes.resize(static_cast<size_t>(got));
    // A first line cut by the window is not shown half.
    if (length < size) {
        const size_t newline = bytes.find('\n');
        bytes.erase(0, newline == std::string::npos ? bytes.size() : newline + 1);
    }
    std::vector<std::string> lines;
    size_t end = bytes.size();
    while (end > 0 && lines.size() < maxLines) {
        const size_t start = bytes.rfind('\n', end - 1);
        const size_t from = start == std::string::npos ? 0 : start + 1;
        std::string line = bytes.substr(from, end - from);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty()) lines.push_back(RepairUtf8(line));
        if (start == std::string::npos) break;
        end = start;
    }
    std::reverse(lines.begin(), lines.end());
    return lines;
}

}  // namespace platform
