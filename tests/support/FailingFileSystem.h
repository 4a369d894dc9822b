#pragma once
// A file system for tests that fails the calls they choose, as a full disk (ENOSPC), a
// failing one (EIO) or a refused permission (EACCES, EROFS) would: the Nth call, or every
// call on a path. It installs itself on construction and restores the previous one after.

#include <cerrno>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

class FailingFileSystem : public platform::FileSystem {
public:
    enum class Op {
        Open,
        CreateTemporary,
        Write,
        Sync,
        Close,
        Rename,
        Link,
        Remove,
        MakeFolder,
        List,
        Any
    };

    FailingFileSystem() : previous_(platform::SetFileSystem(this)) {}
    ~FailingFileSystem() override { platform::SetFileSystem(previous_); }
    FailingFileSystem(const FailingFileSystem&) = delete;
    FailingFileSystem& operator=(const FailingFileSystem&) = delete;

    // The `nth` call from now on (1-based, of `op`, or of any kind) fails with `code`.
    void FailNth(int nth, int code, Op op = Op::Any) {
        nth_ = nth;
        nthCode_ = code;
        nthOp_ = op;
        counted_ = 0;
        failed_ = false;
    }
    // Every call of `op` (or of any kind) on a path holding `part` fails with `code`.
    void FailOn(std::string part, int code, Op op = Op::Any) {
        rules_.push_back({std::move(part), code, op});
    }
    // Whether a chosen failure happened since the last FailNth.
    bool Failed() const { return failed_; }

    int Open(const std::string& path, int flags, mode_t mode) override {
        return Check(Op::Open, path) ? platform::FileSystem::Open(path, flags, mode) : -1;
    }
    int CreateTemporary(std::string& pattern) override {
        return Check(Op::CreateTemporary, pattern) ? platform::FileSystem::CreateTemporary(pattern)
                                                   : -1;
    }
    ssize_t Write(int fd, const void* data, size_t size, const std::string& path) override {
        return Check(Op::Write, path) ? platform::FileSystem::Write(fd, data, size, path) : -1;
    }
    int Sync(int fd, const std::string& path) override {
        return Check(Op::Sync, path) ? platform::FileSystem::Sync(fd, path) : -1;
    }
    int Close(int fd, const std::string& path) override {
        // A refused close still releases the descriptor, as close(2) does.
        const bool pass = Check(Op::Close, path);
        const int code = errno;
        const int rc = platform::FileSystem::Close(fd, path);
        if (pass) return rc;
        errno = code;
        return -1;
    }
    int Rename(const std::string& from, const std::string& to, bool noReplace) override {
        return Check(Op::Rename, from, to) ? platform::FileSystem::Rename(from, to, noReplace) : -1;
    }
    int Link(const std::string& from, const std::string& to) override {
        return Check(Op::Link, from, to) ? platform::FileSystem::Link(from, to) : -1;
    }
    int Remove(const std::string& path) override {
        return Check(Op::Remove, path) ? platform::FileSystem::Remove(path) : -1;
    }
    int MakeFolder(const std::string& path, mode_t mode) override {
        return Check(Op::MakeFolder, path) ? platform::FileSystem::MakeFolder(path, mode) : -1;
    }
    int List(const std::string& folder, std::vector<std::string>& names) override {
        return Check(Op::List, folder) ? platform::FileSystem::List(folder, names) : -1;
    }

private:
    struct Rule {
        std::string part;
        int code;
        Op op;
    };

    // True when the call may go through; else errno is set.
    bool Check(Op op, const std::string& path, const std::string& other = {}) {
        for (const Rule& r : rules_) {
            if ((r.op == Op::Any || r.op == op) &&
                (path.find(r.part) != std::string::npos ||
                 (!other.empty() && other.find(r.part) != std::string::npos))) {
                failed_ = true;
                errno = r.code;
                return false;
            }
        }
        if (nth_ > 0 && (nthOp_ == Op::Any || nthOp_ == op) && ++counted_ == nth_) {
            failed_ = true;
            errno = nthCode_;
            return false;
        }
        return true;
    }

    platform::FileSystem* previous_;
    std::vector<Rule> rules_;
    int nth_ = 0;
    int nthCode_ = 0;
    Op nthOp_ = Op::Any;
    int counted_ = 0;
    bool failed_ = false;
};

// A failure at every step of a writer: `run()` goes again with its 1st, 2nd, ... file call
// failing, for each of `codes` in turn, until a run meets no failure; `check(code, nth)`
// looks at what each failed run left, `restore()` puts back what the whole run changed.
// Returns the number of failed runs (the writer's steps times the codes).
template <typename Run, typename Check, typename Restore>
int FailEveryStep(std::initializer_list<int> codes, Run run, Check check, Restore restore) {
    int failed = 0;
    for (const int code : codes) {
        for (int nth = 1;; ++nth) {
            bool hit = false;
            {
                FailingFileSystem disk;
                disk.FailNth(nth, code);
                run();
                hit = disk.Failed();
            }
            if (!hit) {
                restore();
                break;
            }
            ++failed;
            check(code, nth);
        }
    }
    return failed;
}
