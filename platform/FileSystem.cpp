#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace platform {

namespace {

FileSystem g_system;
std::atomic<FileSystem*> g_current{&g_system};

}  // namespace

int FileSystem::Open(const std::string& path, int flags, mode_t mode) {
    return ::open(path.c_str(), flags | O_CLOEXEC, mode);
}

int FileSystem::CreateTemporary(std::string& pattern) {
    return ::mkostemp(pattern.data(), O_CLOEXEC);
}

ssize_t FileSystem::Write(int fd, const void* data, size_t size, const std::string&) {
    return ::write(fd, data, size);
}

int FileSystem::Sync(int fd, const std::string&) {
    return ::fsync(fd);
}

int FileSystem::Close(int fd, const std::string&) {
    return ::close(fd);
}

int FileSystem::Rename(const std::string& from, const std::string& to, bool noReplace) {
    if (!noReplace) return ::rename(from.c_str(), to.c_str());
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
}

int FileSystem::Link(const std::string& from, const std::string& to) {
    return ::link(from.c_str(), to.c_str());
}

int FileSystem::Remove(const std::string& path) {
    return ::unlink(path.c_str());
}

int FileSystem::MakeFolder(const std::string& path, mode_t mode) {
    return ::mkdir(path.c_str(), mode);
}

int FileSystem::List(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    DIR* d = ::opendir(folder.c_str());
    if (!d) return -1;
    errno = 0;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    }
    const int code = errno;
    ::closedir(d);
    errno = code;
    return code == 0 ? 0 : -1;
}

FileSystem& Fs() {
    return *g_current.load();
}

FileSystem* SetFileSystem(FileSystem* fs) {
    FileSystem* before = g_current.exchange(fs ? fs : &g_system);
    return before == &g_system ? nullptr : before;
}

int WriteAll(int fd, std::string_view data, const std::string& path) {
    for (size_t done = 0; done < data.size();) {
        const ssize_t n = Fs().Write(fd, data.data() + done, data.size() - done, path);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

int CopyFile(const std::string& from, const std::string& to) {
    FileSystem& files = Fs();
    const int in = files.Open(from, O_RDONLY);
    if (in < 0) return -1;
    struct stat st {};
    if (::fstat(in, &st) != 0) {
        const int code = errno;
        ::close(in);
        errno = code;
        return -1;
    }
    const int out = files.Open(to, O_WRONLY | O_CREAT | O_TRUNC, st.st_mode & 07777);
    int code = out < 0 ? errno : 0;
    char buffer[64 * 1024];
    while (code == 0) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno != EINTR) code = errno;
            continue;
        }
        if (WriteAll(out, std::string_view(buffer, static_cast<size_t>(n)), to) != 0) code = errno;
    }
    ::close(in);  // a read descriptor: closing it cannot lose anything
    if (out >= 0 && files.Close(out, to) != 0 && code == 0) code = errno;
    if (code != 0) {
        if (out >= 0) files.Remove(to);
        errno = code;
        return -1;
    }
    return 0;
}

}  // namespace platform
