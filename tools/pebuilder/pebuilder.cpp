// A stand-in for the outside builder program, for the tests and the demo. It honours what
// the build run relies on: section [input] of input.inf beside it, the options -auto, -exit,
// -overwrite and -buildiso, its exit code, pebuilder.log and the texts of lang/*.lng.
//
// A build writes an output tree with bootsect.bin, I386/SYSTEM32/shell32.dll (the source's
// SHELL32.DL_) and PLUGINS.TXT (the enabled plugins in the order they were met); -buildiso
// (or buildiso=1) writes the image file named by isofile. Environment for tests:
//   PEBUILDER_OUTCOME=fail|terminate   end as failed or as terminated by the user
//   PEBUILDER_EXIT=N                    exit code (default 0 for those outcomes, as the
//                                       real program ends with 0 after a logged failure)
//   PEBUILDER_TRACE=FILE                append the command line and the plugin tree as seen
//                                       (path, inode, link count) to FILE
//   PEBUILDER_DELAY_MS=N                take N milliseconds longer, logging a line every 100
//                                       ms (a long build, for the window waiting on it)
// Every write is checked: one that fails (a full disk) is named on standard error and in the
// log where it can still be written, and the program ends with a non-zero code, never "Done.".

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Locale.h"

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

std::string TrimBlank(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

std::string Unquote(const std::string& s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
    return s;
}

// INI text as raw bytes: upper-cased section -> upper-cased key -> value.
using Ini = std::map<std::string, std::map<std::string, std::string>>;

Ini ReadIni(const fs::path& path) {
    Ini ini;
    std::ifstream in(path, std::ios::binary);
    std::string line, section;
    while (std::getline(in, line)) {
        line = TrimBlank(line);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            section = Upper(
                TrimBlank(line.substr(1, close == std::string::npos ? line.npos : close - 1)));
            ini[section];
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Upper(TrimBlank(line.substr(0, eq)));
        ini[section].emplace(key, TrimBlank(line.substr(eq + 1)));
    }
    return ini;
}

std::string Get(const Ini& ini, const std::string& section, const std::string& key,
                const std::string& def = "") {
    auto s = ini.find(Upper(section));
    if (s == ini.end()) return def;
    auto k = s->second.find(Upper(key));
    return k == s->second.end() ? def : k->second;
}

bool Flag(const Ini& ini, const std::string& key) {
    return std::atoi(Get(ini, "input", key, "0").c_str()) != 0;
}

class Builder {
public:
    explicit Builder(fs::path dir) : dir_(std::move(dir)) {
        codePage_ = platform::CurrentLocale().ansiCodePage;
        options_ = ReadIni(platform::ResolveNoCase(dir_, "input.inf"));
        logPath_ = platform::ResolveNoCase(dir_, "pebuilder.log");
        log_.open(logPath_, std::ios::binary | std::ios::app);
        if (!log_) WriteFailed(logPath_);
        ChooseLanguage();
    }

    // A write that failed: named on standard error once per file; the run can no longer end
    // well.
    void WriteFailed(const fs::path& file) {
        const std::string reason = errno ? std::strerror(errno) : "write error";
        if (std::find(failedFiles_.begin(), failedFiles_.end(), file) == failedFiles_.end()) {
            failedFiles_.push_back(file);
            std::fprintf(stderr, "pebuilder: cannot write %s: %s\n", file.c_str(), reason.c_str());
        }
    }
    bool WritesFailed() const { return !failedFiles_.empty(); }

    // Writes `bytes` as the whole of `file`; false (and named) when that fails.
    bool WriteWhole(const fs::path& file, const std::string& bytes) {
        errno = 0;
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << bytes;
        out.close();
        if (out) return true;
        WriteFailed(file);
        return false;
    }

    // The text of a translation key in the builder's language (raw bytes, as the log holds).
    std::string T(const std::string& key, const std::string& english) const {
        if (!hasLanguages_) return english;
        std::string t = Unquote(Get(language_, "Translation", key));
        if (t.empty()) t = Unquote(Get(english_, "Translation", key));
        return t.empty() ? english : t;
    }

    void Log(const std::string& bytes) {
        if (!log_) return;
        errno = 0;
        log_ << bytes << "\r\n";
        log_.flush();
        if (!log_) WriteFailed(logPath_);
    }
    void LogUtf8(const std::string& utf8) { Log(platform::Utf8ToAnsi(utf8, codePage_)); }

    // Paths of the options file are 8-bit text in the ANSI code page.
    fs::path OptionPath(const std::string& key) const {
        return fs::path(platform::AnsiToUtf8(Get(options_, "input", key), codePage_));
    }

    fs::path OutputFolder() const {
        if (Flag(options_, "useAbsoluteOutput")) return OptionPath("fulloutdir");
        fs::path out = OptionPath("outdir");
        return out.is_absolute() ? out : dir_ / out;
    }

    int Failed(const std::string& reasonUtf8, int code) {
        LogUtf8(reasonUtf8);
        std::string line = T("125", "Build failed:") + " 1 " + T("126", "error(s)");
        Log(hasLanguages_ ? line : "[<<] " + line);
        return code;
    }

    int Terminated(int code) {
        Log(T("133", "Terminated by user..."));
        return code;
    }

    bool WriteImage(const fs::path& output) {
        if (!platform::ExistsNoCase(output, "bootsect.bin")) {
            LogUtf8("No build output in " + output.string());
            return false;
        }
        fs::path iso = OptionPath("isofile");
        if (iso.empty()) {
            LogUtf8("No image file named (isofile)");
            return false;
        }
        std::string image = "STAND-IN IMAGE\nVolumeID=" + Get(options_, "input", "VolumeID") + "\n";
        std::vector<std::string> files;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(output, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            if (it->is_regular_file()) files.push_back(fs::relative(it->path(), output).string());
        std::sort(files.begin(), files.end());
        for (const auto& f : files) image += f + "\n";
        if (!WriteWhole(iso, image)) {
            LogUtf8("Cannot write " + iso.string());
            return false;
        }
        LogUtf8("Image written: " + iso.string());
        return true;
    }

    int Build(bool overwrite) {
        fs::path source = OptionPath("source");
        fs::path shell = platform::ResolveNoCase(source, "i386/SHELL32.DL_");
        std::error_code ec;
        if (source.empty() || !fs::is_regular_file(shell, ec))
            return Failed("Source not found: " + source.string(), 1);
        fs::path output = OutputFolder();
        if (!Flag(options_, "skipfiles")) {
            if (fs::exists(output, ec) && !fs::is_empty(output, ec)) {
                if (!overwrite)
                    return Failed("Output folder is not empty (use -overwrite): " + output.string(),
                                  1);
                for (const auto& e : fs::directory_iterator(output, ec))
                    if (fs::remove_all(e.path(), ec), ec)
                        return Failed("Cannot empty the output: " + ec.message(), 1);
            }
            fs::create_directories(output / "I386/SYSTEM32", ec);
            if (!ec)
                fs::copy_file(shell, output / "I386/SYSTEM32/shell32.dll",
                              fs::copy_options::overwrite_existing, ec);
            if (ec) return Failed("Cannot write the output: " + ec.message(), 1);
            if (!WriteWhole(output / "bootsect.bin", "BOOT"))
                return Failed("Cannot write the output: " + (output / "bootsect.bin").string(), 1);
        } else if (!fs::is_directory(output, ec)) {
            return Failed("Output folder does not exist: " + output.string(), 1);
        }
        std::string list;
        fs::path plugins = platform::ResolveNoCase(dir_, "Plugin");
        for (const auto& inf : EnabledPlugins(plugins)) {
            std::string rel = fs::relative(inf, plugins).generic_string();
            Log(T("121", "Plugin:") + " " + platform::Utf8ToAnsi(rel, codePage_));
            list += rel + "\r\n";
        }
        if (!Flag(options_, "skipfiles") && !WriteWhole(output / "PLUGINS.TXT", list))
            return Failed("Cannot write the output: " + (output / "PLUGINS.TXT").string(), 1);
        if (!Flag(options_, "skipregistry")) LogUtf8("Registry built");
        if (Flag(options_, "buildiso") && !WriteImage(output))
            return Failed("Image not written", 1);
        if (Flag(options_, "burncd")) LogUtf8("Burning is not available in the stand-in builder");
        return 0;
    }

    void Trace(int argc, char** argv) {
        const char* file = std::getenv("PEBUILDER_TRACE");
        if (!file || !*file) return;
        errno = 0;
        std::ofstream out(file, std::ios::binary | std::ios::app);
        out << "argv";
        for (int i = 1; i < argc; ++i) out << "\t" << argv[i];
        out << "\n";
        fs::path plugins = platform::ResolveNoCase(dir_, "Plugin");
        std::vector<std::string> lines;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(plugins, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            struct stat st {};
            if (::lstat(it->path().c_str(), &st) != 0) continue;
            std::string rel = fs::relative(it->path(), plugins).generic_string();
            if (S_ISDIR(st.st_mode)) rel += "/";
            lines.push_back("tree\t" + rel + "\t" + std::to_string(st.st_ino) + "\t" +
                            std::to_string(st.st_nlink));
        }
        std::sort(lines.begin(), lines.end());
        for (const auto& l : lines) out << l << "\n";
        out.close();
        if (!out) WriteFailed(file);
    }

private:
    void ChooseLanguage() {
        fs::path lang = platform::ResolveNoCase(dir_, "lang");
        fs::path english = platform::ResolveNoCase(lang, "english.lng");
        std::error_code ec;
        hasLanguages_ = fs::is_regular_file(english, ec);
        if (!hasLanguages_) return;
        english_ = ReadIni(english);
        std::string name = Get(options_, "input", "langfile");
        if (name.empty()) {
            std::vector<std::string> names;
            for (const auto& e : platform::ListDirectory(lang))
                if (!e.isDirectory && e.name[0] != '.' && e.name.size() > 4 &&
                    Upper(e.name.substr(e.name.size() - 4)) == ".LNG")
                    names.push_back(e.name);
            std::sort(names.begin(), names.end());
            uint32_t lcid = platform::CurrentLocale().lcid;
            for (const auto& n : names) {
                std::string v = TrimBlank(Get(ReadIni(lang / n), "language", "lcid", "409"));
                char* end = nullptr;
                unsigned long x = std::strtoul(v.c_str(), &end, 16);
                if (!v.empty() && *end == '\0' && x == lcid) {
                    name = n;
                    break;
                }
            }
        }
        fs::path chosen = name.empty() ? english : platform::ResolveNoCase(lang, name);
        language_ = fs::is_regular_file(chosen, ec) ? ReadIni(chosen) : english_;
    }

    // Plugin files with the signature and Enable=1, in the order of the folders' names.
    std::vector<fs::path> EnabledPlugins(const fs::path& root) const {
        std::vector<fs::path> found;
        std::vector<fs::path> entries;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(root, ec)) entries.push_back(e.path());
        std::sort(entries.begin(), entries.end(), [](const fs::path& a, const fs::path& b) {
            return Upper(a.filename().string()) < Upper(b.filename().string());
        });
        for (const auto& p : entries) {
            if (fs::is_symlink(p, ec)) continue;
            if (fs::is_directory(p, ec)) {
                auto sub = EnabledPlugins(p);
                found.insert(found.end(), sub.begin(), sub.end());
            } else if (Upper(p.extension().string()) == ".INF") {
                Ini ini = ReadIni(p);
                if (Unquote(Get(ini, "Version", "Signature")) == "$Windows NT$" &&
                    Get(ini, "PEBuilder", "Enable") == "1")
                    found.push_back(p);
            }
        }
        return found;
    }

    fs::path dir_;
    fs::path logPath_;
    std::vector<fs::path> failedFiles_;
    int codePage_ = 1252;
    Ini options_;
    Ini language_;
    Ini english_;
    bool hasLanguages_ = false;
    std::ofstream log_;
};

}  // namespace

int main(int argc, char** argv) {
    bool autoRun = false, exitWhenDone = false, overwrite = false, buildIso = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = Upper(argv[i]);
        if (a == "-AUTO")
            autoRun = true;
        else if (a == "-EXIT")
            exitWhenDone = true;
        else if (a == "-OVERWRITE")
            overwrite = true;
        else if (a == "-BUILDISO")
            buildIso = true;
    }
    Builder builder(platform::ProgramDirectory());
    builder.Trace(argc, argv);
    std::string commandLine;
    for (int i = 1; i < argc; ++i) commandLine += std::string(i > 1 ? " " : "") + argv[i];
    builder.LogUtf8("Stand-in builder, options: " + commandLine);
    if (const char* delay = std::getenv("PEBUILDER_DELAY_MS"); delay && *delay) {
        for (long left = std::max(std::atol(delay), 0L); left > 0; left -= 100) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, 100L)));
            builder.LogUtf8("Working... " + std::to_string(left > 100 ? left - 100 : 0) +
                            " ms left");
        }
    }
    if (!autoRun) {
        builder.LogUtf8("Only unattended runs (-auto) are available in the stand-in builder");
        std::fputs("pebuilder: only unattended runs (-auto) are available\n", stderr);
        return 2;
    }

    const char* outcome = std::getenv("PEBUILDER_OUTCOME");
    const char* exitText = std::getenv("PEBUILDER_EXIT");
    int forced = exitText && *exitText ? std::atoi(exitText) : 0;
    int code;
    bool succeeded = false;
    if (outcome && std::strcmp(outcome, "terminate") == 0) {
        code = builder.Terminated(forced);
    } else if (outcome && std::strcmp(outcome, "fail") == 0) {
        code = builder.Failed("Failure requested (PEBUILDER_OUTCOME)", forced);
    } else if (buildIso) {
        succeeded = builder.WriteImage(builder.OutputFolder());
        code = succeeded ? 0 : builder.Failed("Image not written", 1);
    } else {
        code = builder.Build(overwrite);
        succeeded = code == 0;
    }
    if (exitText && *exitText) code = forced;
    // A run that lost a write is no success, whatever it was asked to end with.
    if (builder.WritesFailed()) return code ? code : 1;
    if (succeeded) builder.Log(builder.T("123", "Done."));
    if (builder.WritesFailed()) return code ? code : 1;

    if (!exitWhenDone) {
        // Without -exit the program stays until it is closed: here, until its input ends.
        std::fputs("pebuilder: finished; close the input (Ctrl+D) to exit\n", stderr);
        std::string line;
        while (std::getline(std::cin, line)) {
        }
    }
    return code;
}
