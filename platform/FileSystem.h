#pragma once
// The one seam between the writers of files (staging, the plugin rewrite, cabinet extraction,
// quenfa's rewrite, trellin's renames, whole-file writes) and the system. Each call answers
// as the system call does (-1 with errno set); the default passes straight through, and the
// tests install one that fails the calls they choose (tests/support/FailingFileSystem.h).

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace platform {

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // open(2); the descriptor is closed with Close.
    virtual int Open(const std::string& path, int flags, mode_t mode = 0);
    // A new file named after `pattern`, whose last six characters are "XXXXXX" (replaced):
    // mkostemp(3) with O_CLOEXEC.
    virtual int CreateTemporary(std::string& pattern);
    // The calls on a descriptor name the file they are for, so a test can fail them by path.
    virtual ssize_t Write(int fd, const void* data, size_t size, const std::string& path);
    virtual int Sync(int fd, const std::string& path);
    virtual int Close(int fd, const std::string& path);
    // rename(2); with `noReplace` refuses an existing target (EEXIST), and where the file
    // system cannot refuse, EINVAL.
    virtual int Rename(const std::string& from, const std::string& to, bool noReplace = false);
    virtual int Link(const std::string& from, const std::string& to);
    // unlink(2).
    virtual int Remove(const std::string& path);
    virtual int MakeFolder(const std::string& path, mode_t mode = 0777);
    // The names in a folder (without "." and ".."); -1 with errno when it cannot be read.
    virtual int List(const std::string& folder, std::vector<std::string>& names);
};

// The file system in use: the system's own unless a test installed another.
FileSystem& Fs();
// Installs `fs` (not owned) and returns the one before; null restores the system's.
FileSystem* SetFileSystem(FileSystem* fs);

// Writes all of `data`, retrying short writes and interruptions; -1 with errno on failure.
int WriteAll(int fd, std::string_view data, const std::string& path);
// Copies the bytes and permission bits of `from` to `to`, replacing `to`; -1 with errno on
// failure (a half-written `to` is removed).
int CopyFile(const std::string& from, const std::string& to);

}  // namespace platform
