#include "platform/FileReplace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/FileSystem.h"
#include "platform/Texts.h"

namespace platform {

namespace {

bool Fail(std::string* error, Sentence what, const std::string& path, int code = errno) {
    if (error) *error = Say(what, {path, std::strerror(code)});
    return false;
}

// Longest file name part kept in a temporary file's name, so ".name.XXXXXX" stays within the
// 255 bytes a name may have.
constexpr size_t kMaxStem = 240;

}  // namespace

OpenedFile::~OpenedFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool OpenedFile::Open(const std::string& path, std::string* error) {
    if (fd_ >= 0) ::close(fd_);
    path_ = path;
    fd_ = Fs().Open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (fd_ < 0) return Fail(error, Sentence::CannotOpen, path);
    if (::fstat(fd_, &status_) != 0) return Fail(error, Sentence::CannotReadStatus, path);
    if (!S_ISREG(status_.st_mode)) return Fail(error, Sentence::NotARegularFile, path, EINVAL);
    return true;
}

bool OpenedFile::ReadAll(std::string& bytes, std::string* error) {
    // One byte more than the size: a short read then means the end, and a file of the
    // expected size takes a single call.
    bytes.resize(static_cast<size_t>(status_.st_size) + 1);
    size_t done = 0;
    for (;;) {
        if (done == bytes.size()) bytes.resize(bytes.size() * 2);
        const size_t wanted = bytes.size() - done;
        const ssize_t n = ::read(fd_, bytes.data() + done, wanted);
        if (n < 0) {
            if (errno == EINTR) continue;
            bytes.clear();
            return Fail(error, Sentence::CannotRead, path_);
        }
        done += static_cast<size_t>(n);
        if (static_cast<size_t>(n) < wanted) break;
    }
    bytes.resize(done);
    return true;
}

bool OpenedFile::SetMode(mode_t mode, std::string* error) {
    if (::fchmod(fd_, mode) == 0) return true;
    return Fail(error, Sentence::CannotSetMode, path_);
}

bool ReplaceFileContent(const std::string& path, std::string_view data, const KeptAttributes& keep,
                        std::string* error) {
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = dir + "/." + name.substr(0, kMaxStem) + ".XXXXXX";
    FileSystem& files = Fs();
    const int fd = files.CreateTemporary(temp);
    if (fd < 0) return Fail(error, Sentence::CannotCreateTemp, path);
    auto fail = [&](Sentence what) {
        const int code = errno;
        files.Close(fd, temp);
        files.Remove(temp);
        return Fail(error, what, path, code);
    };
    if (WriteAll(fd, data, temp) != 0) return fail(Sentence::CannotWrite);
    // The owner first: giving a file away clears its set-user and set-group bits, which the
    // mode then puts back.
    if (::fchown(fd, keep.owner, keep.group) != 0) return fail(Sentence::CannotKeepOwner);
    if (::fchmod(fd, keep.mode & 07777) != 0) return fail(Sentence::CannotKeepMode);
    const struct timespec times[2] = {{0, UTIME_OMIT}, keep.modified};
    if (::futimens(fd, times) != 0) return fail(Sentence::CannotKeepTime);
    if (files.Close(fd, temp) != 0) {
        const int code = errno;
        files.Remove(temp);
        return Fail(error, Sentence::CannotWrite, path, code);
    }
    if (files.Rename(temp, path) != 0) {
        const int code = errno;
        files.Remove(temp);
        return Fail(error, Sentence::CannotReplace, path, code);
    }
    return true;
}

}  // namespace platform
