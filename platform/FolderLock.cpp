#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

namespace platform {

namespace {

namespace fs = std::filesystem;

// "vrnx2-cli build 1 --yes (process 4242)": the program by its file name and its arguments.
std::string DescribeProcess(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string line;
    size_t start = 0;
    while (start < raw.size()) {
        size_t end = raw.find('\0', start);
        if (end == std::string::npos) end = raw.size();
        std::string arg = raw.substr(start, end - start);
        if (line.empty()) arg = fs::path(arg).filename().string();
        line += (line.empty() ? "" : " ") + arg;
        start = end + 1;
    }
    return (line.empty() ? "" : line + " ") + "(process " + std::to_string(pid) + ")";
}

// The process holding a whole-file lock on the file `fd` is open on, from the kernel's list of
// locks; 0 when it is not listed (another PID namespace, no /proc).
long LockHolder(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return 0;
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        // "1: FLOCK  ADVISORY  WRITE 4242 fe:00:10985682 0 EOF"; waiters carry "->".
        std::istringstream fields(line);
        std::string number, kind, mode, access, id;
        long pid = 0;
        if (!(fields >> number >> kind >> mode >> access >> pid >> id) || kind != "FLOCK") continue;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(id.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
        if (inode == st.st_ino && major == ::major(st.st_dev) && minor == ::minor(st.st_dev))
            return pid;
    }
    return 0;
}

// The stand-in lock file of `folder`: one per real path, in $XDG_RUNTIME_DIR/vrnx2 (the
// temporary folder when that is not set).
std::string StandInLockFile(const std::string& folder) {
    std::error_code ec;
    fs::path real = fs::canonical(folder, ec);
    if (ec) real = fs::absolute(folder, ec);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    fs::path dir = runtime && *runtime ? fs::path(runtime) : fs::temp_directory_path(ec);
    dir /= "vrnx2";
    fs::create_directories(dir, ec);
    char name[64];
    std::snprintf(name, sizeof name, "folder-%016zx.lock", std::hash<std::string>{}(real));
    return (dir / name).string();
}

}  // namespace

FolderLock::~FolderLock() {
    Release();
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : fd_(other.fd_),
      busy_(other.busy_),
      holder_(std::move(other.holder_)),
      error_(std::move(other.error_)) {
    other.fd_ = -1;
}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = other.fd_;
        busy_ = other.busy_;
        holder_ = std::move(other.holder_);
        error_ = std::move(other.error_);
        other.fd_ = -1;
    }
    return *this;
}

void FolderLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FolderLock FolderLock::TryTake(const std::string& folder) {
    FolderLock lock;
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        lock.error_ = folder + ": " + std::strerror(errno);
        return lock;
    }
    auto tryLock = [](int d) { return ::flock(d, LOCK_EX | LOCK_NB) == 0 ? 0 : errno; };
    int rc = tryLock(fd);
    if (rc != 0 && rc != EWOULDBLOCK) {
        // A file system that locks only files opened for writing.
        ::close(fd);
        const std::string file = StandInLockFile(folder);
        fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        rc = fd < 0 ? errno : tryLock(fd);
        if (rc != 0 && rc != EWOULDBLOCK) {
            lock.error_ = file + ": " + std::strerror(rc);
            if (fd >= 0) ::close(fd);
            return lock;
        }
    }
    if (rc == EWOULDBLOCK) {
        lock.busy_ = true;
        if (long pid = LockHolder(fd)) lock.holder_ = DescribeProcess(pid);
        ::close(fd);
        return lock;
    }
    lock.fd_ = fd;
    return lock;
}

}  // namespace platform
