#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/FileSystem.h"
#include "platform/TextCase.h"
#include "platform/Texts.h"

namespace platform {

namespace {

std::string ErrnoText(Sentence what, const fs::path& p) {
    return Say(what, {p.string(), std::strerror(errno)});
}

}  // namespace

std::vector<DirEntry> ListDirectory(const fs::path& dir) {
    std::vector<DirEntry> result;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return result;
    while (dirent* e = ::readdir(d)) {
        const char* name = e->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        DirEntry entry;
        entry.name = name;
        entry.hidden = name[0] == '.';
        struct stat st {};
        if (::fstatat(dirfd(d), name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        entry.isSymlink = S_ISLNK(st.st_mode);
        if (entry.isSymlink) {
            struct stat target {};
            if (::fstatat(dirfd(d), name, &target, 0) == 0) st = target;
        }
        entry.isDirectory = S_ISDIR(st.st_mode);
        entry.readOnly = (st.st_mode & S_IWUSR) == 0;
        entry.size = static_cast<uint64_t>(st.st_size);
        result.push_back(std::move(entry));
    }
    ::closedir(d);
    return result;
}

std::optional<std::string> FindNoCase(const fs::path& dir, std::string_view name) {
    std::error_code ec;
    if (name.empty()) return std::nullopt;
    if (fs::exists(fs::symlink_status(dir / std::string(name), ec))) return std::string(name);
    const std::string folded = FoldCase(name);
    std::optional<std::string> found;
    for (const DirEntry& e : ListDirectory(dir)) {
        if (FoldCase(e.name) == folded) {
            // Several candidates on a case-sensitive file system: take the smallest name, so
            // the answer does not depend on the directory's order.
            if (!found || e.name < *found) found = e.name;
        }
    }
    return found;
}

fs::path ResolveNoCase(const fs::path& base, std::string_view relative) {
    fs::path current = base;
    size_t pos = 0;
    bool exists = true;
    while (pos <= relative.size()) {
        size_t next = relative.find_first_of("/\\", pos);
        if (next == std::string_view::npos) next = relative.size();
        std::string_view part = relative.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty() || part == ".") continue;
        if (exists) {
            if (auto found = FindNoCase(current, part)) {
                current /= *found;
                continue;
            }
            exists = false;
        }
        current /= std::string(part);
    }
    return current;
}

bool ExistsNoCase(const fs::path& base, std::string_view relative) {
    std::error_code ec;
    return fs::exists(ResolveNoCase(base, relative), ec);
}

bool IsReadOnly(const fs::path& p) {
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return false;
    return (st.st_mode & S_IWUSR) == 0;
}

bool SetReadOnly(const fs::path& p, bool readOnly) {
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    mode = readOnly ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    return ::chmod(p.c_str(), mode) == 0;
}

std::optional<FileTime> GetWriteTime(const fs::path& p) {
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return std::nullopt;
    return FileTime{static_cast<int64_t>(st.st_mtim.tv_sec),
                    static_cast<int64_t>(st.st_mtim.tv_nsec)};
}

bool SetWriteTime(const fs::path& p, FileTime t) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(t.seconds);
    times[1].tv_nsec = static_cast<long>(t.nanoseconds);
    return ::utimensat(AT_FDCWD, p.c_str(), times, 0) == 0;
}

std::optional<std::string> ReadFile(const fs::path& p, std::string* error) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = ErrnoText(Sentence::CannotOpen, p);
        return std::nullopt;
    }
    std::string data;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        if (error) *error = ErrnoText(Sentence::CannotRead, p);
        return std::nullopt;
    }
    if (st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (error) *error = ErrnoText(Sentence::CannotRead, p);
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        data.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return data;
}

bool WriteFileAtomic(const fs::path& target, std::string_view data, std::string* error) {
    std::error_code ec;
    fs::path p = target;
    struct stat st {};
    bool exists = ::lstat(p.c_str(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {  // replace what the link points at, keep the link
        fs::path resolved = fs::canonical(p, ec);
        if (!ec) p = resolved;
        exists = ::stat(p.c_str(), &st) == 0;
    }
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    std::string tmpl = dir.string();
    tmpl += "/.";
    tmpl += p.filename().string();
    tmpl += ".XXXXXX";
    FileSystem& files = Fs();
    const int fd = files.CreateTemporary(tmpl);
    if (fd < 0) {
        if (error) *error = ErrnoText(Sentence::CannotCreateTemp, p);
        return false;
    }
    auto fail = [&](const std::string& text) {
        if (error) *error = text;
        files.Close(fd, tmpl);
        files.Remove(tmpl);
        return false;
    };
    const mode_t mode = exists ? st.st_mode & 07777 : 0666 & ~[] {
        mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    if (::fchmod(fd, mode | S_IWUSR) != 0) return fail(ErrnoText(Sentence::CannotSetMode, tmpl));
    if (WriteAll(fd, data, tmpl) != 0) return fail(ErrnoText(Sentence::CannotWrite, p));
    if ((mode & S_IWUSR) == 0 && ::fchmod(fd, mode) != 0)
        return fail(ErrnoText(Sentence::CannotSetMode, tmpl));
    if (files.Close(fd, tmpl) != 0) {
        if (error) *error = ErrnoText(Sentence::CannotWrite, p);
        files.Remove(tmpl);
        return false;
    }
    if (files.Rename(tmpl, p.string()) != 0) {
        if (error) *error = ErrnoText(Sentence::CannotReplace, p);
        files.Remove(tmpl);
        return false;
    }
    return true;
}

bool CanHardLink(const fs::path& dir) {
    std::string tmpl = (dir / ".vrnx2-link-probe.XXXXXX").string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
    ::close(fd);
    const std::string link = tmpl + ".lnk";
    const bool ok = ::link(tmpl.c_str(), link.c_str()) == 0;
    if (ok) ::unlink(link.c_str());
    ::unlink(tmpl.c_str());
    return ok;
}

bool RemoveTree(const fs::path& p, std::string* error) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(p, ec))) return true;
    fs::remove_all(p, ec);
    if (!ec) return true;
    // Folders without owner write permission keep their entries; open them up and retry.
    if (fs::is_directory(fs::symlink_status(p, ec))) {
        ::chmod(p.c_str(), 0700);
        for (auto it = fs::recursive_directory_iterator(p, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
        }
    }
    ec.clear();
    fs::remove_all(p, ec);
    if (ec) {
        if (error) *error = Say(Sentence::CannotDelete, {p.string(), ec.message()});
        return false;
    }
    return true;
}

fs::path ProgramFile() {
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : p;
}

fs::path ProgramDirectory() {
    return ProgramFile().parent_path();
}

std::string ExpandEnvironment(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t open = text.find('%', i);
        if (open == std::string_view::npos) break;
        const size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) break;
        out.append(text.substr(i, open - i));
        const std::string name(text.substr(open + 1, close - open - 1));
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        if (value) {
            out.append(value);
            i = close + 1;
        } else {
            // Unknown names stay as written; the closing "%" may open the next reference.
            out.append(text.substr(open, close - open));
            i = close;
        }
    }
    out.append(text.substr(i));
    return out;
}

}  // namespace platform
