#include "quenfa/Driver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/Files.h"

namespace quenfa {

namespace fs = std::filesystem;

namespace {

std::string LowerAsciiName(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    return out;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
    Options o;
    for (const std::string& arg : args) {
        if (arg.empty() || arg.front() != '-') continue;
        const std::string name = LowerAsciiName(std::string_view(arg).substr(1));
        if (name == "r" || name == "-recursive")
            o.recursive = true;
        else if (name == "g" || name == "-reg")
            o.reg = true;
        else if (name == "n" || name == "-ini")
            o.ini = true;
        else if (name == "s" || name == "-sif")
            o.sif = true;
        else if (name == "?" || name == "-help")
            o.help = true;
    }
    return o;
}

std::string PrepareDirectory(const std::string& arg) {
    std::string dir = arg;
    if (!dir.empty() && dir.front() == '.') {
        std::error_code ec;
        fs::path abs = fs::absolute(fs::path(dir), ec);
        if (!ec) {
            dir = abs.lexically_normal().string();
            if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        }
    }
    return platform::ExpandEnvironment(dir);
}

bool IsSelected(const std::string& name, const Options& options) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string ext = LowerAsciiName(std::string_view(name).substr(dot));
    return ext == ".inf" || (options.reg && ext == ".reg") || (options.ini && ext == ".ini") ||
           (options.sif && ext == ".sif");
}

void PrintBanner(std::ostream& out) {
    out << "----------------------\n"
           " Quenfa ver1.80 \n"
           "----------------------\n";
}

void PrintUsage(std::ostream& out) {
    out << "Usage:\n"
           "  QUENFA <options> dir\n"
           "\n"
           "Options:\n"
           "  -R, --recursive\n"
           "\tchange files recursively.\n"
           "\n"
           "  -g, --reg\n"
           "\t*.reg file(s) is processed.\n"
           "\n"
           "  -n, --ini\n"
           "\t*.ini file(s) is processed.\n"
           "\n"
           "  -s, --sif\n"
           "\t*.sif file(s) is processed.\n"
           "\n"
           "  -?, --help\n"
           "\tdisplay this help and exit.\n";
}

namespace {

struct WalkEntry {
    std::string name;
    bool isDirectory = false;  // a real folder, not a link to one
};

// The entries of a folder in the file system's order. The type comes from the directory
// entry itself where the file system gives it, saving a stat per file; links count as
// non-folders, since they are never walked.
std::vector<WalkEntry> ListEntries(const std::string& dir) {
    std::vector<WalkEntry> entries;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return entries;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        bool isDirectory = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            isDirectory = S_ISDIR(st.st_mode);
        }
        entries.push_back({e->d_name, isDirectory});
    }
    ::closedir(d);
    return entries;
}

// Hands the walk's files to the workers and prints each file's line once it and every file
// before it are done. The walk may run ahead of the printed lines by kWindow files at most.
class OrderedWork {
public:
    OrderedWork(unsigned workers, const FileWork& work, std::ostream& out, std::ostream& err)
        : work_(work), out_(out), err_(err) {
        try {
            for (unsigned i = 0; i < std::max(workers, 1u); ++i)
                threads_.emplace_back([this] { Run(); });
        } catch (...) {
            Stop();  // threads that did start must not outlive the members they use
            throw;
        }
    }
    ~OrderedWork() { Stop(); }

    // False when the walk is to stop: an exception escaped a file's work.
    bool Add(std::string path, std::string name) {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return window_.size() < kWindow || escaped_; });
        if (escaped_) return false;
        window_.push_back(Item{std::move(path), std::move(name), {}, false, false});
        work_ready_.notify_one();
        return true;
    }

    // Waits for every file, prints what is left, and rethrows an escaped exception. Returns
    // the number of failed files.
    size_t Finish() {
        Stop();
        if (escaped_) {
            // As a walk of one file at a time would have left it: the lines before the file
            // whose work failed, and that file's unfinished line.
            if (!window_.empty() && window_.front().escaped)
                out_ << "Processing..." << window_.front().name << std::flush;
            std::rethrow_exception(escaped_);
        }
        return failed_;
    }

private:
    static constexpr size_t kWindow = 1024;

    struct Item {
        std::string path;
        std::string name;
        FileOutcome outcome;
        bool done = false;
        bool escaped = false;
    };

    void Stop() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        work_ready_.notify_all();
        for (std::thread& t : threads_) t.join();
        threads_.clear();
    }

    void Run() {
        LineLists lists;
        std::unique_lock lock(mutex_);
        for (;;) {
            work_ready_.wait(lock,
                             [this] { return taken_ < window_.size() || closing_ || escaped_; });
            if (escaped_ || taken_ == window_.size()) return;
            // Elements of a deque keep their place while others are added or removed at the
            // ends, and this one leaves the window only once it is done.
            Item& item = window_[taken_++];
            lock.unlock();
            FileOutcome outcome;
            std::exception_ptr escaped;
            try {
                outcome = work_(item.path, lists);
            } catch (...) {
                escaped = std::current_exception();
            }
            lock.lock();
            if (escaped) {
                item.escaped = true;
                if (!escaped_) escaped_ = escaped;
                room_.notify_all();
                work_ready_.notify_all();
            } else {
                item.outcome = std::move(outcome);
                item.done = true;
            }
            PrintReady();
        }
    }

    // Under the lock: the lines of the leading done files, flushed once for all of them.
    void PrintReady() {
        size_t printed = 0;
        while (!window_.empty() && window_.front().done) {
            const Item& item = window_.front();
            out_ << "Processing..." << item.name << item.outcome.tail << '\n';
            if (!item.outcome.reason.empty()) {
                // The line first, so the reason reads as its continuation on a terminal.
                out_.flush();
                // Reasons of the file system name the file already.
                const std::string& why = item.outcome.reason;
                if (why.find(item.path) == std::string::npos)
                    err_ << "quenfa: " << item.path << ": " << why << '\n';
                else
                    err_ << "quenfa: " << why << '\n';
                ++failed_;
            }
            window_.pop_front();
            --taken_;
            ++printed;
        }
        if (printed == 0) return;
        out_.flush();
        room_.notify_one();
    }

    const FileWork& work_;
    std::ostream& out_;
    std::ostream& err_;
    size_t failed_ = 0;
    std::mutex mutex_;
    std::condition_variable work_ready_;  // a file to take, or the end
    std::condition_variable room_;        // the walk may add again
    std::deque<Item> window_;             // files not yet printed, in walk order
    size_t taken_ = 0;                    // of window_, the leading ones taken by a worker
    bool closing_ = false;
    std::exception_ptr escaped_;
    std::vector<std::thread> threads_;
};

// Depth first: a folder's own entry follows everything below it. False once the walk stops.
bool Walk(const std::string& dir, const Options& options, OrderedWork& work) {
    for (const WalkEntry& entry : ListEntries(dir)) {
        const std::string path = JoinPath(dir, entry.name);
        // Linked folders are not walked: they may lead out of the tree or round in a circle.
        if (entry.isDirectory && options.recursive && !Walk(path, options, work)) return false;
        if (IsSelected(entry.name, options) && !work.Add(path, entry.name)) return false;
    }
    return true;
}

}  // namespace

unsigned DefaultWorkerCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(std::thread::hardware_concurrency(), 1u);
}

size_t WalkDirectory(const std::string& dir, const Options& options, unsigned workers,
                     const FileWork& work, std::ostream& out, std::ostream& err) {
    OrderedWork ordered(workers, work, out, err);
    Walk(dir, options, ordered);
    return ordered.Finish();
}

size_t ProcessDirectory(const std::string& dir, const Options& options, const ReduceLocale& locale,
                        std::ostream& out, std::ostream& err, unsigned workers) {
    const FileWork reduce = [&locale](const std::string& path, LineLists& lists) -> FileOutcome {
        std::string ratio;
        try {
            ratio = ReduceFile(path, lists, locale);
        } catch (const std::exception& e) {
            return {" - Failure.", *e.what() ? e.what() : "failed"};
        }
        return "(" + (ratio.empty() ? std::string("100.0") : ratio) + "%)";
    };
    return WalkDirectory(dir, options, workers, reduce, out, err);
}

int RunQuenfa(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    PrintBanner(out);
    const Options options = ParseOptions(args);
    std::string dir;
    if (!args.empty()) dir = PrepareDirectory(args.back());
    std::error_code ec;
    if (args.empty() || options.help || !fs::is_directory(dir, ec)) {
        PrintUsage(out);
        out.flush();
        // The usage text and exit code 0 are the described answer; the reason is ours.
        if (!args.empty() && !options.help) {
            const bool exists = fs::exists(dir, ec);
            err << "quenfa: " << dir << ": " << (exists ? "not a folder" : "not found") << '\n';
        }
        return 0;
    }
    size_t failed = 0;
    try {
        failed = ProcessDirectory(dir, options, CurrentReduceLocale(), out, err);
    } catch (...) {
        out << "Done.\n" << std::flush;
        throw;
    }
    out << "Done.\n" << std::flush;
    // Described as 0 whatever failed; a script must be able to tell a run that changed
    // nothing.
    return failed == 0 ? 0 : 1;
}

}  // namespace quenfa
