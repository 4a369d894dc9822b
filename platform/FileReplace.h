#pragma once
// The in-place rewrite of a file that belongs to someone: the file is read through one
// descriptor, and its successor is written beside it, given the old file's owner, group, mode
// and modification time on its own descriptor, and only then renamed over it. So the path
// holds the old or the new content at every instant, also when the process is killed.

#include <sys/stat.h>
#include <sys/types.h>

#include <ctime>
#include <string>
#include <string_view>

namespace platform {

// A regular file open for reading, with its status as it was opened.
class OpenedFile {
public:
    OpenedFile() = default;
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;
    ~OpenedFile();

    // Refuses symbolic links (the link would be replaced by a plain file, and its target may
    // lie elsewhere), folders, devices and FIFOs (without blocking on them).
    bool Open(const std::string& path, std::string* error = nullptr);
    // The whole file into `bytes`, sized by the status; more is read if the file grew.
    bool ReadAll(std::string& bytes, std::string* error = nullptr);
    const struct stat& Status() const { return status_; }
    // Mode bits set on the open file, without a second look-up of its path.
    bool SetMode(mode_t mode, std::string* error = nullptr);

private:
    int fd_ = -1;
    std::string path_;  // for error texts
    struct stat status_ {};
};

// What the successor of a replaced file takes over.
struct KeptAttributes {
    uid_t owner = 0;
    gid_t group = 0;
    mode_t mode = 0644;
    struct timespec modified {};
};

// Replaces `path` with a file holding `data` and `keep`'s owner, group, mode and modification
// time. When any of them cannot be given (an owner this user may not give away, say), `path`
// is left untouched, the temporary file is removed, and the answer is false with an error.
bool ReplaceFileContent(const std::string& path, std::string_view data, const KeptAttributes& keep,
                        std::string* error = nullptr);

}  // namespace platform
