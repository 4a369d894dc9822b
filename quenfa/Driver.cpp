#include "quenfa/Driver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <system_error>

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

void ProcessEntry(const std::string& path, const std::string& name, LineLists& lists,
                  const ReduceLocale& locale, std::ostream& out) {
    out << "Processing..." << name << std::flush;
    std::string ratio;
    try {
        ratio = ReduceFile(path, lists, locale);
    } catch (const std::exception&) {
        out << " - Failure.\n";
        return;
    }
    out << '(' << (ratio.empty() ? "100.0" : ratio) << "%)\n";
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
            struct stat st{};
            if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            isDirectory = S_ISDIR(st.st_mode);
        }
        entries.push_back({e->d_name, isDirectory});
    }
    ::closedir(d);
    return entries;
}

}  // namespace

void ProcessDirectory(const std::string& dir, const Options& options, const ReduceLocale& locale,
                      std::ostream& out) {
    LineLists lists;
    for (const WalkEntry& entry : ListEntries(dir)) {
        const std::string path = JoinPath(dir, entry.name);
        // Linked folders are not walked: they may lead out of the tree or round in a circle.
        if (entry.isDirectory && options.recursive) ProcessDirectory(path, options, locale, out);
        if (IsSelected(entry.name, options)) ProcessEntry(path, entry.name, lists, locale, out);
    }
}

int RunQuenfa(const std::vector<std::string>& args, std::ostream& out) {
    PrintBanner(out);
    const Options options = ParseOptions(args);
    std::string dir;
    if (!args.empty()) dir = PrepareDirectory(args.back());
    std::error_code ec;
    if (args.empty() || options.help || !fs::is_directory(dir, ec)) {
        PrintUsage(out);
        out.flush();
        return 0;
    }
    try {
        ProcessDirectory(dir, options, CurrentReduceLocale(), out);
    } catch (...) {
        out << "Done.\n" << std::flush;
        throw;
    }
    out << "Done.\n" << std::flush;
    return 0;
}

}  // namespace quenfa
