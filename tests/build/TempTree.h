#pragma once
// A temporary folder for one test, with small helpers to lay out files in it.

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "vrnx2/settings/Records.h"

class TempTree {
public:
    // Throws when the folder cannot be made, rather than working in the current folder.
    TempTree() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "vrnx2-build-XXXXXX").string();
        if (!::mkdtemp(templ.data()))
            throw std::system_error(errno, std::generic_category(), "cannot make " + templ);
        root_ = templ;
    }
    ~TempTree() {
        std::error_code ec;
        // Read-only files and folders of a test must not outlive it.
        for (auto it = std::filesystem::recursive_directory_iterator(root_, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            ::chmod(it->path().c_str(), it->is_directory() ? 0755 : 0644);
        std::filesystem::remove_all(root_, ec);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    std::string Path(const std::string& rel = "") const {
        return rel.empty() ? root_.string() : (root_ / rel).string();
    }
    std::string Write(const std::string& rel, const std::string& bytes) const {
        std::filesystem::path p = root_ / rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
        return p.string();
    }
    std::string Mkdir(const std::string& rel) const {
        std::filesystem::create_directories(root_ / rel);
        return (root_ / rel).string();
    }

private:
    std::filesystem::path root_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool PathExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// A plugin file: [Version] signature and a [PEBuilder] section with the given lines.
inline std::string PluginInf(const std::string& name, const std::string& extra = "Enable=1\r\n") {
    return "[Version]\r\nSignature= \"$Windows NT$\"\r\n\r\n[PEBuilder]\r\nName=\"" + name +
           "\"\r\n" + extra + "\r\n[Files]\r\nfile.txt=1\r\n";
}

// ASCII text as UTF-16LE (with a byte-order mark unless told otherwise).
inline std::string Utf16Le(const std::string& ascii, bool bom = true) {
    std::string out = bom ? "\xFF\xFE" : "";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// Profile 1, "Rescue", of the builder `builderName` in t/builder, with source t/source/,
// output "out" below the builder and the image t/iso/pe.iso.
inline vrnx2::TProfileRec StandInProfile(const TempTree& t, const std::string& builderName) {
    vrnx2::TProfileRec p;
    p.ProfileName = "Rescue";
    p.ProfileNumber = 1;
    p.Builder = {builderName, t.Path("builder"), 1};
    p.Source = t.Path("source") + "/";
    p.OutDir = "out";
    p.ISOPath = t.Path("iso");
    p.ISOFile = "pe.iso";
    return p;
}
